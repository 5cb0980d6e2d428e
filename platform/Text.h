#pragma once
// Narrow text is the ANSI code page of the system this stands in for, fixed to code page
// 936 (GBK). The user interface works in UTF-16; the network and the file system in UTF-8.
// Conversions go through iconv; bytes that cannot be converted become "?".

#include <string>
#include <string_view>

namespace platform {

std::u16string AnsiToUtf16(std::string_view text);
std::string Utf16ToAnsi(std::u16string_view text);
std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);
std::string AnsiToUtf8(std::string_view text);
std::string Utf8ToAnsi(std::string_view text);

// ASCII-only case folding, as the system's case-insensitive name compares do for paths and keys.
bool EqualsNoCase(std::string_view a, std::string_view b);

}  // namespace platform
