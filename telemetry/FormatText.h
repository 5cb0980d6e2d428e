#pragma once
// printf-style formatting into a std::string of whatever length the result needs.

#include <string>

std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));
