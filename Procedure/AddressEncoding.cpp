#include "Procedure/AddressEncoding.h"

#include "platform/Text.h"

#include <cstdio>
#include <cstring>

std::string MakeLoggedAddress(const std::string& url, uint32_t tick) {
    std::string logged = url;
    for (size_t i = 0; i < logged.size(); ++i) {
        unsigned char byte = static_cast<unsigned char>(logged[i]);
        if (byte > 0x80 && byte != 0xFF) {
            ++i;  // a lead byte: its trail byte belongs to the character
        } else if (byte == '\\') {
            logged[i] = '/';
        }
    }
    char query[32];
    std::snprintf(query, sizeof query, "?rand=%lu", static_cast<unsigned long>(tick));
    return logged + query;
}

namespace {

// Encodes each UTF-16 unit by itself in one, two or three bytes.
std::string EncodeUnits(const std::u16string& units) {
    std::string out;
    out.reserve(units.size() * 3);
    for (char16_t u : units) {
        if (u < 0x80) {
            out += static_cast<char>(u);
        } else if (u < 0x800) {
            out += static_cast<char>(0xC0 | (u >> 6));
            out += static_cast<char>(0x80 | (u & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (u >> 12));
            out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    return out;
}

bool KeptAsIs(unsigned char byte) {
    return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
           (byte >= '0' && byte <= '9') || (byte != 0 && std::strchr("#&./:?@\\", byte) != nullptr);
}

}  // namespace

std::string PercentEncode(const std::string& text) {
    std::string utf8 = EncodeUnits(platform::AnsiToUtf16(text));
    // The scheme and host stay as they are: up to the first "/" after "http://x".
    size_t slash = utf8.size() > 8 ? utf8.find('/', 8) : std::string::npos;
    size_t kept = slash == std::string::npos ? 0 : slash + 1;
    std::string out = utf8.substr(0, kept);
    for (size_t i = kept; i < utf8.size(); ++i) {
        unsigned char byte = static_cast<unsigned char>(utf8[i]);
        if (KeptAsIs(byte)) {
            out += static_cast<char>(byte);
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", byte);
            out += hex;
        }
    }
    return out;
}
