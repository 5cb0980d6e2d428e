#pragma once
// Text for JSON records.

#include <string>
#include <string_view>

namespace davserve {

// bytes as a quoted JSON string: quote, backslash and control characters escaped, valid
// UTF-8 kept as it is, each byte that is not part of valid UTF-8 written as \ufffd.
std::string JsonString(std::string_view bytes);

// bytes in standard base64 with padding.
std::string Base64(std::string_view bytes);

}  // namespace davserve
