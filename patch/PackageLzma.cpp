// The LZMA chunk layer of package members, on the LZMA SDK's one-call decoder.

#include <lzma/LzmaDec.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "app/Log.h"
#include "common/FileDir.h"
#include "patch/QzPackageUnpacker.h"
#include "patch/ReadExactly.h"
#include "platform/Files.h"

namespace {

void* SdkAlloc(void*, size_t size) { return std::malloc(size); }
void SdkFree(void*, void* address) { std::free(address); }
ISzAlloc g_sdkAlloc = {SdkAlloc, SdkFree};

uint32_t ReadLE32(const uint8_t* bytes) {
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
           uint32_t(bytes[3]) << 24;
}

// The compressed chunk, reused across chunks; grows only.
struct ChunkBuffer {
    std::unique_ptr<uint8_t[]> bytes;
    size_t capacity = 0;

    bool Reserve(size_t n) {
        if (n <= capacity) {
            return true;
        }
        bytes.reset(new (std::nothrow) uint8_t[n]);
        capacity = bytes ? n : 0;
        return bool(bytes);
    }
};

}  // namespace

QzPackageUnpacker::QzPackageUnpacker(std::string workDir) : m_workDir(std::move(workDir)) {}

QzPackageUnpacker::~QzPackageUnpacker() = default;

bool QzPackageUnpacker::CheckIsLzma(const std::string& path) {
    WriteLog("Start CheckIsLzma");
    platform::File file;
    if (!file.Open(path, platform::File::Mode::Read)) {
        WriteLog("FILE=%s,LINE=%d ,Analysis Error, CheckIsLzma error  Path =%s", __FILE__,
                 __LINE__, path.c_str());
        return false;
    }
    uint8_t fields[LZMA_CHUNK_FIELDS_SIZE];
    if (!ReadExactly(file, fields, sizeof fields)) {
        WriteLog("FILE=%s,LINE=%d ,Analysis Error, file read error  Path =%s", __FILE__,
                 __LINE__, path.c_str());
        return false;
    }
    return std::memcmp(fields, LZMA_CHUNK_MAGIC, sizeof LZMA_CHUNK_MAGIC) == 0;
}

bool QzPackageUnpacker::UnLzmaBlock(const uint8_t* chunk, size_t chunkLength,
                                    const uint8_t*& decoded, size_t& decodedLength) {
    if (chunkLength < LZMA_CHUNK_HEADER_SIZE) {
        return false;
    }
    const uint32_t decodedSize = ReadLE32(chunk + LZMA_CHUNK_DECODED_OFFSET);
    if (decodedSize > LZMA_CHUNK_MAX_DECODED_SIZE) {
        return false;
    }
    if (m_decodeCapacity <= decodedSize) {
        const size_t capacity = (size_t(decodedSize) + 1 + 3) & ~size_t(3);
        m_decodeBuffer.reset(new (std::nothrow) uint8_t[capacity]);
        m_decodeCapacity = m_decodeBuffer ? capacity : 0;
        if (!m_decodeBuffer) {
            return false;
        }
    }
    SizeT destLength = decodedSize;
    SizeT sourceLength = chunkLength - LZMA_CHUNK_HEADER_SIZE;
    ELzmaStatus status = LZMA_STATUS_NOT_SPECIFIED;
    const SRes result = LzmaDecode(m_decodeBuffer.get(), &destLength,
                                   chunk + LZMA_CHUNK_HEADER_SIZE, &sourceLength,
                                   chunk + LZMA_CHUNK_PROPS_OFFSET, LZMA_CHUNK_PROPS_SIZE,
                                   LZMA_FINISH_ANY, &status, &g_sdkAlloc);
    if (result != SZ_OK) {
        return false;
    }
    decoded = m_decodeBuffer.get();
    decodedLength = destLength;
    return true;
}

bool QzPackageUnpacker::DoUnLzma(const std::string& memberPath) {
    WriteLog("Start DoUnLzma");
    if (memberPath.empty()) {
        WriteLog("FILE=%s,LINE=%d ,Analysis Error,DoUnLzma error  Path =%s", __FILE__, __LINE__,
                 memberPath.c_str());
        return false;
    }
    const std::string unzipDir = m_workDir + "Unzip\\";
    const std::string sourcePath = unzipDir + memberPath;
    const std::string tempPath = unzipDir + QZ_LZMA_TEMP_DIR + "\\" + memberPath;

    platform::File source;
    if (!source.Open(sourcePath, platform::File::Mode::Read)) {
        return false;
    }
    CreateFileDir(tempPath, true);
    platform::File temp;
    if (!temp.Open(tempPath, platform::File::Mode::WriteTruncate)) {
        return false;
    }

    const int64_t total = platform::FileSize(sourcePath);
    if (total < 0) {
        return false;
    }
    ChunkBuffer chunk;
    uint64_t offset = 0;
    while (offset != uint64_t(total)) {
        uint8_t fields[LZMA_CHUNK_FIELDS_SIZE];
        if (!ReadExactly(source, fields, sizeof fields)) {
            return false;
        }
        if (std::memcmp(fields, LZMA_CHUNK_MAGIC, sizeof LZMA_CHUNK_MAGIC) != 0) {
            WriteLog("FILE=%s,LINE=%d ,Analysis Error, LZMA chunk magic error  Path =%s ,offset =%llu",
                     __FILE__, __LINE__, sourcePath.c_str(), (unsigned long long)offset);
            return false;
        }
        const uint32_t decodedSize = ReadLE32(fields + LZMA_CHUNK_DECODED_OFFSET);
        const uint32_t chunkLength = ReadLE32(fields + LZMA_CHUNK_LENGTH_OFFSET);
        const uint64_t rest = uint64_t(total) - offset;
        if (chunkLength < LZMA_CHUNK_HEADER_SIZE || chunkLength > rest ||
            decodedSize > LZMA_CHUNK_MAX_DECODED_SIZE ||
            chunkLength - LZMA_CHUNK_HEADER_SIZE > LzmaChunkMaxStreamLength(decodedSize)) {
            WriteLog("FILE=%s,LINE=%d ,Analysis Error, LZMA chunk size error  Path =%s ,offset =%llu ,U =%u ,C =%u",
                     __FILE__, __LINE__, sourcePath.c_str(), (unsigned long long)offset,
                     decodedSize, chunkLength);
            return false;
        }
        if (!chunk.Reserve(chunkLength)) {
            return false;
        }
        std::memcpy(chunk.bytes.get(), fields, sizeof fields);
        if (!ReadExactly(source, chunk.bytes.get() + sizeof fields, chunkLength - sizeof fields)) {
            return false;
        }
        const uint8_t* decoded = nullptr;
        size_t decodedLength = 0;
        if (!UnLzmaBlock(chunk.bytes.get(), chunkLength, decoded, decodedLength)) {
            WriteLog("FILE=%s,LINE=%d ,Analysis Error, LZMA chunk decode error  Path =%s ,offset =%llu",
                     __FILE__, __LINE__, sourcePath.c_str(), (unsigned long long)offset);
            return false;
        }
        if (decodedLength > 0 && !temp.Write(decoded, decodedLength)) {
            return false;
        }
        offset += chunkLength;
    }
    source.Close();
    if (!temp.Close()) {
        return false;
    }
    if (!platform::DeleteFile(sourcePath)) {
        return false;
    }
    // The decoded member takes the source's place; renaming spares copying it once more.
    return platform::MoveFile(tempPath, sourcePath);
}
