#include "patch/Envelope.h"

#include "app/Log.h"
#include "download/QzChecksum_CRC.h"
#include "platform/Files.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// The Microsoft C runtime's rand(): a 32-bit linear congruential state, 15 bits a draw.
class MsvcRand {
public:
    explicit MsvcRand(uint32_t seed) : m_state(seed) {}
    int Next() {
        m_state = m_state * 214013u + 2531011u;
        return static_cast<int>((m_state >> 16) & 0x7FFF);
    }

private:
    uint32_t m_state;
};

constexpr size_t READ_BLOCK_SIZE = 64 * 1024;

enum class ReadOutcome { Ok, Unreadable, TooLarge };

// Reads the file whole into data, sized by what the file holds; stops at the size bound.
ReadOutcome ReadBounded(const std::string& path, std::vector<uint8_t>& data) {
    platform::File file;
    if (!file.Open(path, platform::File::Mode::Read)) return ReadOutcome::Unreadable;
    const int64_t size = platform::FileSize(path);
    if (size > 0) {
        data.reserve(static_cast<size_t>(std::min<int64_t>(size, SPECIAL_FILE_MAX_SIZE)));
    }
    const auto chunk = std::make_unique_for_overwrite<uint8_t[]>(READ_BLOCK_SIZE);
    for (;;) {
        if (data.size() >= SPECIAL_FILE_MAX_SIZE) return ReadOutcome::TooLarge;
        const size_t want = std::min(READ_BLOCK_SIZE, SPECIAL_FILE_MAX_SIZE - data.size());
        const int64_t n = file.Read(chunk.get(), want);
        if (n < 0) return ReadOutcome::Unreadable;
        if (n == 0) return ReadOutcome::Ok;
        data.insert(data.end(), chunk.get(), chunk.get() + n);
    }
}

// Replaces the content of an existing file, clearing a read-only attribute first.
bool RewriteExisting(const std::string& path, const uint8_t* bytes, size_t size) {
    if (!platform::PathExists(path)) return false;
    if (!platform::SetNormalAttributes(path)) return false;
    platform::File file;
    if (!file.Open(path, platform::File::Mode::WriteTruncate)) return false;
    if (!file.Write(bytes, size)) return false;
    return file.Close();
}

}  // namespace

void MakeCryptKey(SpecialFileKey& key) {
    MsvcRand generator(SPECIAL_FILE_KEY_SEED);
    for (uint8_t& k : key) k = static_cast<uint8_t>(generator.Next() % 255);
}

void ApplySpecialFileKey(const SpecialFileKey& key, size_t offset, uint8_t* bytes, size_t size) {
    for (size_t i = 0; i < size; ++i) bytes[i] ^= key[(offset + i) % SPECIAL_FILE_KEY_SIZE];
}

bool CheckSpecialFileHead(const uint8_t* data, const SpecialFileKey& key, uint8_t* head) {
    if (data == nullptr) return false;
    uint8_t plain[SPECIAL_FILE_HEAD_SIZE];
    std::memcpy(plain, data, sizeof plain);
    ApplySpecialFileKey(key, 0, plain, sizeof plain);
    if (std::memcmp(plain, SPECIAL_FILE_MAGIC, SPECIAL_FILE_MAGIC_SIZE) != 0) return false;
    if (head != nullptr) std::memcpy(head, plain, sizeof plain);
    return true;
}

bool DecryptSpecialFile(const SpecialFileKey& key, const std::string& path) {
    std::vector<uint8_t> data;
    if (ReadBounded(path, data) != ReadOutcome::Ok) return false;

    uint8_t head[SPECIAL_FILE_HEAD_SIZE];
    if (data.size() < SPECIAL_FILE_HEAD_SIZE || !CheckSpecialFileHead(data.data(), key, head)) {
        return true;  // no envelope: plain text as it stands
    }

    // The payload is deciphered where it lies, behind the header.
    uint8_t* payload = data.data() + SPECIAL_FILE_HEAD_SIZE;
    const size_t payloadSize = data.size() - SPECIAL_FILE_HEAD_SIZE;
    ApplySpecialFileKey(key, SPECIAL_FILE_HEAD_SIZE, payload, payloadSize);
    if (!RewriteExisting(path, payload, payloadSize)) return false;

    std::string crcText;
    if (!QzChecksum_CRC::Instance().DigestFileText(path, crcText)) return false;
    const char* expected = reinterpret_cast<const char*>(head + SPECIAL_FILE_CRC_OFFSET);
    if (crcText.size() < SPECIAL_FILE_CRC_SIZE ||
        std::memcmp(crcText.data(), expected, SPECIAL_FILE_CRC_SIZE) != 0) {
        // The header text from the CRC on, up to its first NUL and never past the header.
        const std::string headText(expected,
                                   strnlen(expected, SPECIAL_FILE_HEAD_SIZE - SPECIAL_FILE_CRC_OFFSET));
        WriteLog("memcmp Error strCrc = %s cryptHead =%s", crcText.c_str(), headText.c_str());
        return false;
    }
    return true;
}
