#pragma once
// The layers of a package member: the LZMA chunk layout and the leading tags, and the
// working directories the applier peels them in. Shared by the unpacking code and by the
// publisher that writes packages.
//
// LZMA member: chunks back to back, each
//   offset 0   4 bytes  "LZMA"
//   offset 4   4 bytes  U, decoded size of this chunk, unsigned little-endian
//   offset 8   4 bytes  C, length of this chunk including its header, unsigned little-endian
//   offset 12  5 bytes  LZMA properties (lc/lp/pb byte and 32-bit dictionary size)
//   offset 17  C - 17   raw LZMA stream
// The chunks' lengths add up to the member's size; the decoded member is the concatenation
// of the chunks' decoded data.

#include <cstddef>
#include <cstdint>

// Working directories of the applier, relative to the current directory.
inline constexpr const char* QZ_WORK_DIR = "TempUpdata\\";
inline constexpr const char* QZ_UNZIP_DIR = "TempUpdata\\Unzip\\";
// An LZMA member p is decoded through QZ_UNZIP_DIR + QZ_LZMA_TEMP_DIR + "\" + p.
inline constexpr const char* QZ_LZMA_TEMP_DIR = "Temp";

// Archive members and tagged content are copied in blocks of at most this many bytes.
inline constexpr size_t QZ_COPY_BLOCK_SIZE = 10485760;

inline constexpr char LZMA_CHUNK_MAGIC[4] = {'L', 'Z', 'M', 'A'};
inline constexpr size_t LZMA_CHUNK_FIELDS_SIZE = 12;   // magic, U, C
inline constexpr size_t LZMA_CHUNK_PROPS_OFFSET = 12;
inline constexpr size_t LZMA_CHUNK_PROPS_SIZE = 5;
inline constexpr size_t LZMA_CHUNK_HEADER_SIZE = 17;   // fields and properties
inline constexpr size_t LZMA_CHUNK_DECODED_OFFSET = 4;
inline constexpr size_t LZMA_CHUNK_LENGTH_OFFSET = 8;

// Largest decoded size U a chunk may announce. A chunk announcing more is refused before
// anything is allocated, so a damaged or hostile member cannot drive a huge allocation.
// Publishers choose chunk sizes far below it (a few MiB to a few tens of MiB).
inline constexpr uint32_t LZMA_CHUNK_MAX_DECODED_SIZE = 256u << 20;

// Largest raw stream (C - 17) an LZMA encoder can produce for U decoded bytes: incompressible
// data grows by well under a third, plus a small constant for the range coder's flush and an
// end marker. A longer chunk cannot be a valid one and is refused before it is read.
constexpr uint64_t LzmaChunkMaxStreamLength(uint32_t decodedSize) {
    return uint64_t(decodedSize) + decodedSize / 3 + 128;
}

// Leading tags of a member, each four characters and a NUL, recognised in this order and
// each at most once at the start of the content.
inline constexpr size_t QZ_TAG_SIZE = 5;
inline constexpr char QZ_TAG_COPY[QZ_TAG_SIZE] = {'Q', 'Z', 'C', 'P', '\0'};
inline constexpr char QZ_TAG_XDELTA[QZ_TAG_SIZE] = {'Q', 'Z', 'X', 'D', '\0'};
inline constexpr char QZ_TAG_RESOURCE[QZ_TAG_SIZE] = {'Q', 'Z', 'R', 'S', '\0'};
