#pragma once
// Readers of private-profile (INI) files with the behaviour of the system they stand in for:
// section and key names matched without regard to case, blanks around names and values
// removed, one pair of surrounding quotes removed from a value, the value cut to the
// caller's buffer (bufferSize - 1 characters), integers read as leading decimal digits.
// A missing file, section or key gives the default. The file is read afresh on every call.

#include <cstddef>
#include <string>
#include <unordered_map>

namespace platform {

std::string GetProfileString(const std::string& section, const std::string& key,
                             const std::string& defaultValue, size_t bufferSize,
                             const std::string& path);

int GetProfileInt(const std::string& section, const std::string& key, int defaultValue,
                  const std::string& path);

// A profile file read once, for callers that look up many keys of one file: the same
// rules as the functions above without reading the file again for every key. A missing
// file reads as empty, so every lookup gives the default.
class ProfileFile {
public:
    explicit ProfileFile(const std::string& path);

    // As GetProfileString and GetProfileInt on the file as it was when read.
    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& defaultValue, size_t bufferSize) const;
    int GetInt(const std::string& section, const std::string& key, int defaultValue) const;

private:
    bool Find(const std::string& section, const std::string& key, std::string& value) const;

    // First value of each section and key, both folded to lower case.
    std::unordered_map<std::string, std::string> m_values;
};

}  // namespace platform
