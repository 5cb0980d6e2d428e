#include "tools/publish/lib/EnvelopeWriter.h"

#include "download/QzChecksum_CRC.h"
#include "patch/Envelope.h"
#include "platform/Files.h"

#include <cstring>

bool MakeEnvelope(const std::string& plain, std::string& out) {
    if (plain.size() >= SPECIAL_FILE_MAX_SIZE - SPECIAL_FILE_HEAD_SIZE) return false;
    std::string crcText;
    if (plain.empty()) {
        crcText = "00000000";  // the digest operations refuse empty input; CRC-32 of nothing
    } else if (!QzChecksum_CRC::Instance().DigestStringText(plain, crcText)) {
        return false;
    }
    std::string file(SPECIAL_FILE_HEAD_SIZE, '\0');
    std::memcpy(file.data(), SPECIAL_FILE_MAGIC, SPECIAL_FILE_MAGIC_SIZE);
    std::memcpy(file.data() + SPECIAL_FILE_CRC_OFFSET, crcText.data(), SPECIAL_FILE_CRC_SIZE);
    file += plain;
    SpecialFileKey key;
    MakeCryptKey(key);
    ApplySpecialFileKey(key, 0, reinterpret_cast<uint8_t*>(file.data()), file.size());
    out = std::move(file);
    return true;
}

bool WrapFileInEnvelope(const std::string& path) {
    std::string plain;
    if (!platform::ReadWholeFile(path, plain, SPECIAL_FILE_MAX_SIZE)) return false;
    std::string wrapped;
    if (!MakeEnvelope(plain, wrapped)) return false;
    // Written beside the file and renamed over it, so a failure leaves the plain file.
    const std::string temporary = path + ".envelope";
    if (platform::WriteWholeFile(temporary, wrapped) &&
        platform::RenameReplacing(temporary, path)) {
        return true;
    }
    platform::DeleteFile(temporary);
    return false;
}
