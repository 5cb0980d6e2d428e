#pragma once
// Small narrow-text helpers.

#include <cstdint>
#include <string>
#include <vector>

// Splits at every "," and drops empty pieces; the pieces in order (none for an empty text).
std::vector<std::string> SplitAtCommas(const std::string& text);

// Removes every blank, tab, CR and LF wherever it stands.
std::string StripBlanks(const std::string& text);

// A byte count as short text: below 1024 or negative the number itself, then "%.1fK",
// "%.1fM", "%.1fG" and "%.1fT". The window appends "B", and "/s" for rates.
std::string FormatSize(int64_t n);
