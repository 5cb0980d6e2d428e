#pragma once
// The one implementation of the digest operations, shared by the three checksum classes:
// each class only names its kind and makes its hash. Buffers and texts are hashed in one
// call; files are read in large blocks through the platform layer and pumped through a
// hash filter into a hexadecimal encoder.

#include "download/QzChecksum.h"

#include <memory>

namespace CryptoPP {
class HashTransformation;
}

class QzChecksumHashed : public QzChecksum {
public:
    bool DigestBuffer(const uint8_t* data, uint32_t size, uint8_t* digest) const final;
    bool DigestBufferText(const uint8_t* data, uint32_t size, std::string& text) const final;
    bool DigestString(const std::string& input, uint8_t* digest) const final;
    bool DigestStringText(const std::string& input, std::string& text) const final;
    bool DigestFile(const std::string& path, uint8_t* digest) const final;
    bool DigestFileText(const std::string& path, std::string& text) const final;

    // Size of one block read from a file.
    static constexpr size_t FILE_BLOCK_SIZE = 1 << 20;

protected:
    // A fresh hash object of this class's algorithm.
    virtual std::unique_ptr<CryptoPP::HashTransformation> NewHash() const = 0;
    // True when DigestStringText writes lower-case digits.
    virtual bool LowerCaseStringText() const { return false; }
};
