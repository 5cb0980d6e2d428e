#include "tools/serve/JsonText.h"

#include <cstdint>
#include <cstdio>

namespace davserve {

namespace {

// Length of the valid UTF-8 sequence starting at bytes[i], 0 when it is not valid
// (overlong forms, surrogates and values above U+10FFFF are not valid).
size_t Utf8SequenceLength(std::string_view bytes, size_t i) {
    auto at = [&](size_t k) { return static_cast<unsigned char>(bytes[k]); };
    unsigned char lead = at(i);
    size_t length;
    uint32_t min;
    uint32_t cp;
    if (lead < 0x80) return 1;
    if ((lead & 0xE0) == 0xC0) { length = 2; min = 0x80; cp = lead & 0x1F; }
    else if ((lead & 0xF0) == 0xE0) { length = 3; min = 0x800; cp = lead & 0x0F; }
    else if ((lead & 0xF8) == 0xF0) { length = 4; min = 0x10000; cp = lead & 0x07; }
    else return 0;
    if (i + length > bytes.size()) return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((at(i + k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (at(i + k) & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return length;
}

}  // namespace

std::string JsonString(std::string_view bytes) {
    std::string out = "\"";
    for (size_t i = 0; i < bytes.size();) {
        size_t length = Utf8SequenceLength(bytes, i);
        if (length == 0) {
            out += "\\ufffd";
            ++i;
            continue;
        }
        if (length > 1) {
            out.append(bytes.substr(i, length));
            i += length;
            continue;
        }
        char c = bytes[i++];
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
                char escaped[8];
                std::snprintf(escaped, sizeof(escaped), "\\u%04x", static_cast<unsigned char>(c));
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    out += "\"";
    return out;
}

std::string Base64(std::string_view bytes) {
    static const char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        uint32_t group = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) group |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size()) group |= static_cast<unsigned char>(bytes[i + 2]);
        out += kAlphabet[(group >> 18) & 63];
        out += kAlphabet[(group >> 12) & 63];
        out += i + 1 < bytes.size() ? kAlphabet[(group >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? kAlphabet[group & 63] : '=';
    }
    return out;
}

}  // namespace davserve
