#include "download/QzChecksumHashed.h"

#include "platform/Files.h"

#include <cryptopp/cryptlib.h>
#include <cryptopp/filters.h>
#include <cryptopp/hex.h>

#include <memory>
#include <vector>

namespace {

// Appends the text form of digest to text: two hexadecimal digits a byte, no separator.
void AppendHex(const uint8_t* digest, size_t size, bool upperCase, std::string& text) {
    CryptoPP::StringSource(digest, size, true,
                           new CryptoPP::HexEncoder(new CryptoPP::StringSink(text), upperCase));
}

}  // namespace

bool QzChecksumHashed::DigestBuffer(const uint8_t* data, uint32_t size, uint8_t* digest) const {
    if (data == nullptr || digest == nullptr || size == 0) return false;
    auto hash = NewHash();
    hash->Update(data, size);
    hash->Final(digest);
    return true;
}

bool QzChecksumHashed::DigestBufferText(const uint8_t* data, uint32_t size,
                                        std::string& text) const {
    if (data == nullptr || size == 0) return false;
    auto hash = NewHash();
    std::vector<uint8_t> digest(hash->DigestSize());
    hash->Update(data, size);
    hash->Final(digest.data());
    AppendHex(digest.data(), digest.size(), true, text);
    return true;
}

bool QzChecksumHashed::DigestString(const std::string& input, uint8_t* digest) const {
    if (input.empty() || digest == nullptr) return false;
    auto hash = NewHash();
    hash->Update(reinterpret_cast<const uint8_t*>(input.data()), input.size());
    hash->Final(digest);
    return true;
}

bool QzChecksumHashed::DigestStringText(const std::string& input, std::string& text) const {
    if (input.empty()) return false;
    auto hash = NewHash();
    std::vector<uint8_t> digest(hash->DigestSize());
    hash->Update(reinterpret_cast<const uint8_t*>(input.data()), input.size());
    hash->Final(digest.data());
    AppendHex(digest.data(), digest.size(), !LowerCaseStringText(), text);
    return true;
}

bool QzChecksumHashed::DigestFileText(const std::string& path, std::string& text) const {
    if (path.empty()) return false;
    platform::File file;  // a missing file, a directory or an unreadable one fails here
    if (!file.Open(path, platform::File::Mode::Read)) return false;

    // The file streams through the hash filter in large blocks; the encoder writes the
    // digest text into a local string so that a read error leaves text as it was.
    std::string digestText;
    auto hash = NewHash();
    CryptoPP::HashFilter filter(
        *hash, new CryptoPP::HexEncoder(new CryptoPP::StringSink(digestText), true));
    // Not zero-filled: only the pages a read fills are ever touched, which matters for the
    // many small files of a client check.
    const auto block = std::make_unique_for_overwrite<uint8_t[]>(FILE_BLOCK_SIZE);
    for (;;) {
        const int64_t n = file.Read(block.get(), FILE_BLOCK_SIZE);
        if (n < 0) return false;
        if (n == 0) break;
        filter.Put(block.get(), static_cast<size_t>(n));
    }
    filter.MessageEnd();
    text += digestText;
    return true;
}

bool QzChecksumHashed::DigestFile(const std::string& path, uint8_t* digest) const {
    if (path.empty() || digest == nullptr) return false;
    std::string digestText;
    if (!DigestFileText(path, digestText)) return false;
    std::string bytes;
    CryptoPP::StringSource(digestText, true,
                           new CryptoPP::HexDecoder(new CryptoPP::StringSink(bytes)));
    if (bytes.empty() || bytes.size() > NewHash()->DigestSize()) return false;
    std::copy(bytes.begin(), bytes.end(), digest);
    return true;
}
