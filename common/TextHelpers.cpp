#include "common/TextHelpers.h"

#include <cinttypes>
#include <cstdio>

std::vector<std::string> SplitAtCommas(const std::string& text) {
    std::vector<std::string> pieces;
    size_t start = 0;
    while (start <= text.size()) {
        size_t comma = text.find(',', start);
        if (comma == std::string::npos) comma = text.size();
        if (comma > start) pieces.push_back(text.substr(start, comma - start));
        start = comma + 1;
    }
    return pieces;
}

std::string StripBlanks(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n') out += c;
    }
    return out;
}

std::string FormatSize(int64_t n) {
    // Each unit and the power of two it stands for, smallest first.
    struct Unit {
        int shift;
        const char* format;
    };
    static constexpr Unit kUnits[] = {{10, "%.1fK"}, {20, "%.1fM"}, {30, "%.1fG"}, {40, "%.1fT"}};
    char buffer[64];
    if (n < 1024) {
        std::snprintf(buffer, sizeof buffer, "%" PRId64, n);
        return buffer;
    }
    const Unit* unit = &kUnits[3];
    for (const Unit& u : kUnits) {
        if (u.shift == 40 || n < (int64_t{1} << (u.shift + 10))) {
            unit = &u;
            break;
        }
    }
    std::snprintf(buffer, sizeof buffer, unit->format,
                  static_cast<double>(n) / static_cast<double>(int64_t{1} << unit->shift));
    return buffer;
}
