#include "platform/Profile.h"

#include "platform/Files.h"
#include "platform/Text.h"

#include <climits>
#include <functional>

namespace platform {
namespace {

// Longest line kept; the rest of a longer line is skipped (a binary or corrupt file then
// simply yields no match instead of a huge allocation).
constexpr size_t kMaxLineLength = 64 * 1024;

std::string_view Trim(std::string_view text) {
    const char* blanks = " \t\r\n\v\f";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

// Calls onLine for every line of the file until it returns false. False when the file
// cannot be opened.
bool ForEachLine(const std::string& path, const std::function<bool(std::string_view)>& onLine) {
    File file;
    if (!file.Open(path, File::Mode::Read)) return false;
    std::string line;
    bool overlong = false;
    bool first = true;
    char buffer[16384];
    for (;;) {
        int64_t n = file.Read(buffer, sizeof buffer);
        if (n <= 0) break;
        for (int64_t i = 0; i < n; ++i) {
            char c = buffer[i];
            if (c == '\n') {
                std::string_view view = line;
                if (first && view.substr(0, 3) == "\xEF\xBB\xBF") view.remove_prefix(3);
                first = false;
                if (!onLine(view)) return true;
                line.clear();
                overlong = false;
            } else if (!overlong) {
                if (line.size() < kMaxLineLength) {
                    line += c;
                } else {
                    overlong = true;
                }
            }
        }
    }
    if (!line.empty()) onLine(line);
    return true;
}

// What one line of a profile file says: a section header, a key=value entry, or nothing.
struct ProfileLine {
    enum Kind { None, Section, Entry } kind = None;
    std::string_view name;   // section name or key, trimmed
    std::string_view value;  // trimmed, one pair of surrounding quotes removed
};

ProfileLine ParseLine(std::string_view raw) {
    std::string_view line = Trim(raw);
    ProfileLine parsed;
    if (line.empty() || line[0] == ';') return parsed;
    if (line[0] == '[') {
        size_t close = line.find(']');
        parsed.kind = ProfileLine::Section;
        parsed.name = Trim(line.substr(1, close == std::string_view::npos ? std::string_view::npos
                                                                           : close - 1));
        return parsed;
    }
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) return parsed;
    parsed.kind = ProfileLine::Entry;
    parsed.name = Trim(line.substr(0, eq));
    std::string_view v = Trim(line.substr(eq + 1));
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        v = v.substr(1, v.size() - 2);
    }
    parsed.value = v;
    return parsed;
}

// Finds the value of key in section; false when the file, section or key is missing.
bool FindValue(const std::string& section, const std::string& key, const std::string& path,
               std::string& value) {
    bool inSection = false;
    bool found = false;
    ForEachLine(path, [&](std::string_view raw) {
        const ProfileLine line = ParseLine(raw);
        if (line.kind == ProfileLine::Section) {
            inSection = EqualsNoCase(line.name, Trim(section));
            return true;
        }
        if (!inSection || line.kind != ProfileLine::Entry) return true;
        if (!EqualsNoCase(line.name, Trim(key))) return true;
        value.assign(line.value);
        found = true;
        return false;
    });
    return found;
}

// The value cut to the caller's buffer; the default (trailing blanks removed) when missing.
std::string StringResult(bool found, std::string value, const std::string& defaultValue,
                         size_t bufferSize) {
    if (bufferSize == 0) return {};
    if (!found) {
        std::string_view d = defaultValue;
        size_t last = d.find_last_not_of(' ');
        value.assign(last == std::string_view::npos ? std::string_view{} : d.substr(0, last + 1));
    }
    if (value.size() > bufferSize - 1) value.resize(bufferSize - 1);
    return value;
}

// The leading decimal digits of value; the default when missing or empty.
int IntResult(bool found, const std::string& value, int defaultValue) {
    if (!found || value.empty()) return defaultValue;
    long long number = 0;
    for (char c : value) {
        if (c < '0' || c > '9') break;
        number = number * 10 + (c - '0');
        if (number > INT_MAX) return INT_MAX;
    }
    return static_cast<int>(number);
}

// Names are matched without regard to case: the index keys fold ASCII letters.
std::string Folded(std::string_view name) {
    std::string folded(Trim(name));
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return folded;
}

}  // namespace

std::string GetProfileString(const std::string& section, const std::string& key,
                             const std::string& defaultValue, size_t bufferSize,
                             const std::string& path) {
    if (bufferSize == 0) return {};
    std::string value;
    const bool found = FindValue(section, key, path, value);
    return StringResult(found, std::move(value), defaultValue, bufferSize);
}

int GetProfileInt(const std::string& section, const std::string& key, int defaultValue,
                  const std::string& path) {
    std::string value;
    const bool found = FindValue(section, key, path, value);
    return IntResult(found, value, defaultValue);
}

ProfileFile::ProfileFile(const std::string& path) {
    std::string section;
    bool seenHeader = false;
    ForEachLine(path, [&](std::string_view raw) {
        const ProfileLine line = ParseLine(raw);
        if (line.kind == ProfileLine::Section) {
            section = Folded(line.name);
            seenHeader = true;
        } else if (line.kind == ProfileLine::Entry && seenHeader) {
            // Entries before the first header belong to no section and are never found.
            m_values.try_emplace(section + '\n' + Folded(line.name), line.value);
        }
        return true;
    });
}

bool ProfileFile::Find(const std::string& section, const std::string& key,
                       std::string& value) const {
    auto it = m_values.find(Folded(section) + '\n' + Folded(key));
    if (it == m_values.end()) return false;
    value = it->second;
    return true;
}

std::string ProfileFile::GetString(const std::string& section, const std::string& key,
                                   const std::string& defaultValue, size_t bufferSize) const {
    if (bufferSize == 0) return {};
    std::string value;
    const bool found = Find(section, key, value);
    return StringResult(found, std::move(value), defaultValue, bufferSize);
}

int ProfileFile::GetInt(const std::string& section, const std::string& key,
                        int defaultValue) const {
    std::string value;
    const bool found = Find(section, key, value);
    return IntResult(found, value, defaultValue);
}

}  // namespace platform
