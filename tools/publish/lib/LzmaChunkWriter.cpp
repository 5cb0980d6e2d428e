#include "tools/publish/lib/LzmaChunkWriter.h"

#include <lzma/LzmaEnc.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "patch/PackageFormat.h"
#include "platform/Files.h"

namespace {

void* SdkAlloc(void*, size_t size) { return std::malloc(size); }
void SdkFree(void*, void* address) { std::free(address); }
ISzAlloc g_sdkAlloc = {SdkAlloc, SdkFree};

void SetError(std::string* error, const std::string& text) {
    if (error != nullptr) {
        *error = text;
    }
}

void PutLE32(char* out, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out[i] = char((value >> (8 * i)) & 0xFF);
    }
}

bool CheckOptions(const LzmaChunkOptions& options, std::string* error) {
    if (options.level < 0 || options.level > 9) {
        SetError(error, "LZMA level must be 0 to 9");
        return false;
    }
    if (options.chunkSize == 0 || options.chunkSize > LZMA_CHUNK_MAX_DECODED_SIZE) {
        SetError(error, "chunk size must be 1 to " + std::to_string(LZMA_CHUNK_MAX_DECODED_SIZE));
        return false;
    }
    return true;
}

// Appends one chunk holding data to out; scratch is reused between chunks.
bool AppendChunk(std::string_view data, const LzmaChunkOptions& options, std::vector<Byte>& scratch,
                 std::string& out, std::string* error) {
    CLzmaEncProps props;
    LzmaEncProps_Init(&props);
    props.level = options.level;
    uint32_t dictionary = options.dictionarySize < options.chunkSize ? options.dictionarySize
                                                                     : options.chunkSize;
    props.dictSize = dictionary < (1u << 12) ? (1u << 12) : dictionary;
    props.reduceSize = uint32_t(data.size());
    props.writeEndMark = 0;
    props.numThreads = 1;

    const uint64_t capacity = LzmaChunkMaxStreamLength(uint32_t(data.size()));
    scratch.resize(LZMA_CHUNK_HEADER_SIZE + capacity);
    SizeT streamLength = SizeT(capacity);
    SizeT propsSize = LZMA_CHUNK_PROPS_SIZE;
    const SRes result = LzmaEncode(scratch.data() + LZMA_CHUNK_HEADER_SIZE, &streamLength,
                                   reinterpret_cast<const Byte*>(data.data()), data.size(), &props,
                                   scratch.data() + LZMA_CHUNK_PROPS_OFFSET, &propsSize, 0, nullptr,
                                   &g_sdkAlloc, &g_sdkAlloc);
    if (result != SZ_OK || propsSize != LZMA_CHUNK_PROPS_SIZE) {
        SetError(error, "LZMA encoder failed with code " + std::to_string(result));
        return false;
    }
    char* header = reinterpret_cast<char*>(scratch.data());
    std::memcpy(header, LZMA_CHUNK_MAGIC, sizeof LZMA_CHUNK_MAGIC);
    PutLE32(header + LZMA_CHUNK_DECODED_OFFSET, uint32_t(data.size()));
    PutLE32(header + LZMA_CHUNK_LENGTH_OFFSET, uint32_t(LZMA_CHUNK_HEADER_SIZE + streamLength));
    out.append(header, LZMA_CHUNK_HEADER_SIZE + streamLength);
    return true;
}

}  // namespace

bool EncodeLzmaMember(std::string_view data, const LzmaChunkOptions& options, std::string& out,
                      std::string* error) {
    out.clear();
    if (!CheckOptions(options, error)) {
        return false;
    }
    std::vector<Byte> scratch;
    size_t offset = 0;
    do {
        const size_t length = std::min<size_t>(options.chunkSize, data.size() - offset);
        if (!AppendChunk(data.substr(offset, length), options, scratch, out, error)) {
            return false;
        }
        offset += length;
    } while (offset < data.size());
    return true;
}

bool WriteLzmaMemberFile(const std::string& sourcePath, const std::string& destPath,
                         const LzmaChunkOptions& options, std::string* error) {
    if (!CheckOptions(options, error)) {
        return false;
    }
    platform::File source;
    if (!source.Open(sourcePath, platform::File::Mode::Read)) {
        SetError(error, "cannot open " + sourcePath);
        return false;
    }
    platform::File dest;
    if (!dest.Open(destPath, platform::File::Mode::WriteTruncate)) {
        SetError(error, "cannot create " + destPath);
        return false;
    }
    std::string block(options.chunkSize, '\0');
    std::vector<Byte> scratch;
    std::string encoded;
    bool first = true;
    for (;;) {
        size_t filled = 0;
        while (filled < block.size()) {
            const int64_t got = source.Read(block.data() + filled, block.size() - filled);
            if (got < 0) {
                SetError(error, "cannot read " + sourcePath);
                return false;
            }
            if (got == 0) {
                break;
            }
            filled += size_t(got);
        }
        if (filled == 0 && !first) {
            break;
        }
        encoded.clear();
        if (!AppendChunk(std::string_view(block).substr(0, filled), options, scratch, encoded, error)) {
            return false;
        }
        if (!dest.Write(encoded.data(), encoded.size())) {
            SetError(error, "cannot write " + destPath);
            return false;
        }
        first = false;
        if (filled < block.size()) {
            break;
        }
    }
    if (!dest.Close()) {
        SetError(error, "cannot write " + destPath);
        return false;
    }
    return true;
}
