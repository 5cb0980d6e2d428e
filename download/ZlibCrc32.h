#pragma once
// The standard CRC-32 (reflected polynomial 0xEDB88320, initial value and final XOR
// 0xFFFFFFFF) as a Crypto++ hash, computed by zlib's crc32, which is about ten times
// faster than Crypto++'s own. The 4 digest bytes are the 32-bit result least significant
// byte first, as Crypto++'s CRC32 gives them: "123456789" digests to 26 39 F4 CB.

#include <cryptopp/cryptlib.h>

#include <cstdint>

class ZlibCrc32 final : public CryptoPP::HashTransformation {
public:
    static constexpr unsigned int DIGEST_SIZE = 4;

    // Adds length bytes at input to the running CRC.
    void Update(const CryptoPP::byte* input, size_t length) override;
    unsigned int DigestSize() const override { return DIGEST_SIZE; }
    // Writes the first size digest bytes and starts over.
    void TruncatedFinal(CryptoPP::byte* digest, size_t size) override;
    std::string AlgorithmName() const override { return "CRC32"; }

private:
    unsigned long m_crc = 0;
};
