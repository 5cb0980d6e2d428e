#pragma once
// Reading the numeric fields of the description and version list files.

#include <cctype>
#include <climits>
#include <string>

// A decimal field read as the C runtime's atoi reads it: leading white space skipped, an
// optional sign, then the leading digits; 0 when there are none. Values beyond the range
// of int stop at INT_MAX or INT_MIN, as with the runtime the files were made for.
inline int AtoiField(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) break;
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}
