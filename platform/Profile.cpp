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

// Finds the value of key in section; false when the file, section or key is missing.
bool FindValue(const std::string& section, const std::string& key, const std::string& path,
               std::string& value) {
    bool inSection = false;
    bool found = false;
    ForEachLine(path, [&](std::string_view raw) {
        std::string_view line = Trim(raw);
        if (line.empty() || line[0] == ';') return true;
        if (line[0] == '[') {
            size_t close = line.find(']');
            std::string_view name = Trim(line.substr(1, close == std::string_view::npos
                                                              ? std::string_view::npos
                                                              : close - 1));
            inSection = EqualsNoCase(name, Trim(section));
            return true;
        }
        if (!inSection) return true;
        size_t eq = line.find('=');
        if (eq == std::string_view::npos) return true;
        if (!EqualsNoCase(Trim(line.substr(0, eq)), Trim(key))) return true;
        std::string_view v = Trim(line.substr(eq + 1));
        if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
            v = v.substr(1, v.size() - 2);
        }
        value.assign(v);
        found = true;
        return false;
    });
    return found;
}

}  // namespace

std::string GetProfileString(const std::string& section, const std::string& key,
                             const std::string& defaultValue, size_t bufferSize,
                             const std::string& path) {
    if (bufferSize == 0) return {};
    std::string value;
    if (!FindValue(section, key, path, value)) {
        std::string_view d = defaultValue;
        size_t last = d.find_last_not_of(' ');
        value.assign(last == std::string_view::npos ? std::string_view{} : d.substr(0, last + 1));
    }
    if (value.size() > bufferSize - 1) value.resize(bufferSize - 1);
    return value;
}

int GetProfileInt(const std::string& section, const std::string& key, int defaultValue,
                  const std::string& path) {
    std::string value;
    if (!FindValue(section, key, path, value) || value.empty()) return defaultValue;
    long long number = 0;
    for (char c : value) {
        if (c < '0' || c > '9') break;
        number = number * 10 + (c - '0');
        if (number > INT_MAX) return INT_MAX;
    }
    return static_cast<int>(number);
}

}  // namespace platform
