#pragma once
// Digests of buffers, texts and files in one interface, with one text form: the digest
// bytes in order, two upper-case hexadecimal digits each, no separator (CRC-32 bytes least
// significant first). Every integrity check of the launcher compares these texts exactly.
// The implementations carry no state; one shared instance of each lives for the whole
// process and any thread may use it at the same time.

#include <cstdint>
#include <string>

// What GetKind() returns. MD5 and SHA-1 share one value.
inline constexpr int CCT_CRC = 1;
inline constexpr int CCT_MD5 = 3;
inline constexpr int CCT_SHA1 = 3;

// Digest sizes in bytes.
inline constexpr uint32_t CRC_DIGEST_SIZE = 4;
inline constexpr uint32_t MD5_DIGEST_SIZE = 16;
inline constexpr uint32_t SHA1_DIGEST_SIZE = 20;

class QzChecksum {
public:
    // CCT_CRC, CCT_MD5 or CCT_SHA1.
    virtual int GetKind() const = 0;

    // Writes the digest of size bytes at data to digest (DigestSize() bytes). False, nothing
    // written, when data or digest is null or size is 0.
    virtual bool DigestBuffer(const uint8_t* data, uint32_t size, uint8_t* digest) const = 0;

    // Appends the text form of the digest of size bytes at data to text. False, text
    // unchanged, when data is null or size is 0.
    virtual bool DigestBufferText(const uint8_t* data, uint32_t size, std::string& text) const = 0;

    // Writes the digest of all bytes of input to digest. False when input is empty or
    // digest is null.
    virtual bool DigestString(const std::string& input, uint8_t* digest) const = 0;

    // Appends the text form of the digest of input to text (SHA-1: lower-case digits).
    // False, text unchanged, when input is empty.
    virtual bool DigestStringText(const std::string& input, std::string& text) const = 0;

    // Writes the digest of the file's content to digest. False, nothing written, when path
    // is empty, digest is null, the file does not exist or it cannot be read.
    virtual bool DigestFile(const std::string& path, uint8_t* digest) const = 0;

    // Appends the text form of the digest of the file's content to text. The file is
    // streamed in large blocks, never held whole. False, text unchanged, when path is
    // empty, the file does not exist or it cannot be read.
    virtual bool DigestFileText(const std::string& path, std::string& text) const = 0;

    virtual ~QzChecksum() = default;
};
