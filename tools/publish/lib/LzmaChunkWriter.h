#pragma once
// Writes package members in the LZMA chunk layout the launcher decodes (patch/PackageFormat.h):
// the input is cut into chunks of at most chunkSize bytes, each encoded on its own with the
// LZMA SDK's one-call encoder and written with its 17-byte header.

#include <cstdint>
#include <string>
#include <string_view>

struct LzmaChunkOptions {
    int level = 5;                      // LZMA level 0 (fastest) to 9
    uint32_t chunkSize = 4u << 20;      // decoded bytes per chunk, 1 to LZMA_CHUNK_MAX_DECODED_SIZE
    uint32_t dictionarySize = 16u << 20;  // capped at chunkSize (a chunk never looks further back)
};

// Encodes data as an LZMA member into out (replacing its content). Empty data gives one
// chunk of decoded size 0, so the member is never empty. False, with a reason in error, on
// bad options or an encoder failure.
bool EncodeLzmaMember(std::string_view data, const LzmaChunkOptions& options, std::string& out,
                      std::string* error = nullptr);

// Encodes the file sourcePath into destPath chunk by chunk, holding one chunk (decoded and
// encoded) in memory at a time. False, with a reason in error, when a file cannot be read
// or written or encoding fails.
bool WriteLzmaMemberFile(const std::string& sourcePath, const std::string& destPath,
                         const LzmaChunkOptions& options, std::string* error = nullptr);
