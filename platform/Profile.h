#pragma once
// Readers of private-profile (INI) files with the behaviour of the system they stand in for:
// section and key names matched without regard to case, blanks around names and values
// removed, one pair of surrounding quotes removed from a value, the value cut to the
// caller's buffer (bufferSize - 1 characters), integers read as leading decimal digits.
// A missing file, section or key gives the default. The file is read afresh on every call.

#include <cstddef>
#include <string>

namespace platform {

std::string GetProfileString(const std::string& section, const std::string& key,
                             const std::string& defaultValue, size_t bufferSize,
                             const std::string& path);

int GetProfileInt(const std::string& section, const std::string& key, int defaultValue,
                  const std::string& path);

}  // namespace platform
