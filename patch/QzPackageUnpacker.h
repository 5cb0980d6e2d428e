#pragma once
// Peels the three layers off package members for the patch applier: the ZIP archive, the
// LZMA chunk layer of one member, and the leading tags. One object serves one applier run:
// it keeps the delta flag of the member last analysed and the buffer that chunk decoding
// reuses for the whole run. Every failure is logged and reported as false; partly written
// files are left behind for the applier's clean-up.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "patch/PackageFormat.h"

class QzPackageUnpacker {
public:
    // workDir is the applier's working directory (QZ_WORK_DIR); DoUnLzma works below its
    // "Unzip\" sub-directory. Tests give one of their own.
    explicit QzPackageUnpacker(std::string workDir = QZ_WORK_DIR);
    ~QzPackageUnpacker();
    QzPackageUnpacker(const QzPackageUnpacker&) = delete;
    QzPackageUnpacker& operator=(const QzPackageUnpacker&) = delete;

    // Extracts every file member of the ZIP archive below destDir (destDir + "\" + name),
    // making directories as needed and copying in blocks of QZ_COPY_BLOCK_SIZE. Names are
    // opened without regard to case; directory entries, members of size 0 and members that
    // cannot be opened (unsupported compression) are passed over. False when an argument is
    // empty, the archive cannot be opened, any member name is absolute or climbs out of
    // destDir (checked for every member before anything is written), an output cannot be
    // opened, or a member yields fewer bytes than its size.
    static bool UnzipPackage(const std::string& archivePath, const std::string& destDir);

    // True when the file's first four bytes are "LZMA". False, with a log line, when the
    // file cannot be opened or holds fewer than 12 bytes.
    static bool CheckIsLzma(const std::string& path);

    // Decodes the LZMA member workDir + "Unzip\" + memberPath in place, chunk by chunk
    // through the temporary workDir + "Unzip\Temp\" + memberPath. Each chunk header is
    // checked before anything is allocated: the magic, C at least 17 and within the rest
    // of the member, U at most LZMA_CHUNK_MAX_DECODED_SIZE, and C - 17 within what an
    // encoder can produce for U. False on any bad chunk, read, write or file step.
    bool DoUnLzma(const std::string& memberPath);

    // Decodes one whole chunk (chunkLength bytes, header included, already checked by the
    // caller) into the shared buffer. On success decoded points at the decoded bytes and
    // decodedLength is what the decoder produced; both stay valid until the next call.
    bool UnLzmaBlock(const uint8_t* chunk, size_t chunkLength, const uint8_t*& decoded,
                     size_t& decodedLength);

    // Copies source to destination without the leading tags (QZCP, QZXD, QZRS, in that
    // order, each at most once, only at the start of the content). Clears m_bUserXdel
    // first and sets it when the QZXD tag is present. An empty source gives an empty
    // destination. False when a path is empty, the source is missing, a file cannot be
    // opened, or a read or write comes up short.
    bool DoAnalysisFile(const std::string& sourcePath, const std::string& destPath);

    // Set by DoAnalysisFile when the member last analysed was a delta.
    bool m_bUserXdel = false;

private:
    std::string m_workDir;
    // Decoded data of the current chunk; grows, never shrinks, during the run.
    std::unique_ptr<uint8_t[]> m_decodeBuffer;
    size_t m_decodeCapacity = 0;
};
