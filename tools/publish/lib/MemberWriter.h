#pragma once
// Writes the members of patch packages: a whole file behind the QZCP tag, or a delta behind
// the QZXD tag (made with the launcher's delta patcher), either one LZMA-chunked on request.

#include <cstdint>
#include <string>

#include "tools/publish/lib/LzmaChunkWriter.h"

struct MemberOptions {
    bool lzma = true;            // put the LZMA chunk layer over the tagged content
    LzmaChunkOptions lzmaOptions;
};

// Writes memberPath from file: the QZCP tag and the file's bytes, LZMA-chunked when asked.
// A member is never empty, so an empty file still reaches the client. False, with a reason
// in error, on any failure.
bool WriteWholeMember(const std::string& file, const std::string& memberPath,
                      const MemberOptions& options, std::string* error = nullptr);

// Writes memberPath as the delta that rebuilds newFile from oldFile: the QZXD tag and the
// VCDIFF data, LZMA-chunked when asked. taggedSize receives the size before the LZMA layer.
// False, with a reason in error, on any failure.
bool WriteDeltaMember(const std::string& oldFile, const std::string& newFile,
                      const std::string& memberPath, const MemberOptions& options,
                      int64_t& taggedSize, std::string* error = nullptr);
