#pragma once
// How the file download step turns a remote address, as the procedures build it (pieces
// joined with backslashes, narrow text in code page 936), into what it logs and sends.

#include <cstdint>
#include <string>

// The address as logged: every "\" turned into "/" (walking code page 936 characters, so
// the second byte of a two-byte character is never touched), then "?rand=" and tick.
std::string MakeLoggedAddress(const std::string& url, uint32_t tick);

// The address as sent: converted to UTF-8 (each UTF-16 unit encoded by itself); everything
// up to and including the first "/" at index 8 or later copied unchanged; after it ASCII
// letters, digits and "#&./:?@\" unchanged and every other byte written as "%XX".
std::string PercentEncode(const std::string& text);
