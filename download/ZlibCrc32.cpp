#include "download/ZlibCrc32.h"

#include <zlib.h>

void ZlibCrc32::Update(const CryptoPP::byte* input, size_t length) {
    m_crc = crc32_z(m_crc, input, length);
}

void ZlibCrc32::TruncatedFinal(CryptoPP::byte* digest, size_t size) {
    ThrowIfInvalidTruncatedSize(size);
    const uint32_t value = static_cast<uint32_t>(m_crc);
    for (size_t i = 0; i < size; ++i) {
        digest[i] = static_cast<CryptoPP::byte>(value >> (8 * i));
    }
    m_crc = 0;
}
