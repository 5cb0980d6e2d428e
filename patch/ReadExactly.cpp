#include "patch/ReadExactly.h"

#include <cstdint>

bool ReadExactly(platform::File& file, void* buffer, size_t n) {
    auto* out = static_cast<uint8_t*>(buffer);
    while (n > 0) {
        const int64_t got = file.Read(out, n);
        if (got <= 0) {
            return false;
        }
        out += got;
        n -= size_t(got);
    }
    return true;
}
