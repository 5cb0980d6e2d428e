#include "platform/Text.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>

namespace platform {
namespace {

constexpr const char* kAnsi = "CP936";
constexpr const char* kUtf16 = "UTF-16LE";
constexpr const char* kUtf8 = "UTF-8";

// Converts bytes between two encodings; an input sequence that cannot be converted becomes
// the target's "?" and conversion goes on after it.
std::string Convert(const char* from, const char* to, const char* data, size_t size,
                    size_t unitSize) {
    std::string out;
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return out;
    const std::string question = (to == kUtf16) ? std::string("?\0", 2) : std::string("?");
    char* in = const_cast<char*>(data);
    size_t inLeft = size;
    char buffer[4096];
    while (inLeft > 0) {
        char* o = buffer;
        size_t oLeft = sizeof buffer;
        size_t rc = iconv(cd, &in, &inLeft, &o, &oLeft);
        out.append(buffer, static_cast<size_t>(o - buffer));
        if (rc == static_cast<size_t>(-1)) {
            if (errno == E2BIG) continue;
            // EILSEQ or EINVAL (truncated sequence): replace one unit and go on.
            out += question;
            size_t skip = std::min(unitSize, inLeft);
            in += skip;
            inLeft -= skip;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    char* o = buffer;
    size_t oLeft = sizeof buffer;
    iconv(cd, nullptr, nullptr, &o, &oLeft);
    out.append(buffer, static_cast<size_t>(o - buffer));
    iconv_close(cd);
    return out;
}

std::u16string ToU16(const std::string& bytes) {
    std::u16string out(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < out.size(); ++i) {
        out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                       (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    }
    return out;
}

std::string FromU16(std::u16string_view text) {
    std::string bytes(text.size() * 2, '\0');
    for (size_t i = 0; i < text.size(); ++i) {
        bytes[2 * i] = static_cast<char>(text[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<char>(text[i] >> 8);
    }
    return bytes;
}

}  // namespace

std::u16string AnsiToUtf16(std::string_view text) {
    return ToU16(Convert(kAnsi, kUtf16, text.data(), text.size(), 1));
}

std::string Utf16ToAnsi(std::u16string_view text) {
    std::string bytes = FromU16(text);
    return Convert(kUtf16, kAnsi, bytes.data(), bytes.size(), 2);
}

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string bytes = FromU16(text);
    return Convert(kUtf16, kUtf8, bytes.data(), bytes.size(), 2);
}

std::u16string Utf8ToUtf16(std::string_view text) {
    return ToU16(Convert(kUtf8, kUtf16, text.data(), text.size(), 1));
}

std::string AnsiToUtf8(std::string_view text) {
    return Convert(kAnsi, kUtf8, text.data(), text.size(), 1);
}

std::string Utf8ToAnsi(std::string_view text) {
    return Convert(kUtf8, kAnsi, text.data(), text.size(), 1);
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

}  // namespace platform
