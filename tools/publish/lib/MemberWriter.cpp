#include "tools/publish/lib/MemberWriter.h"

#include <vector>

#include "patch/PackageFormat.h"
#include "patch/QzPatcher_xdelta.h"
#include "platform/Files.h"

namespace {

bool Fail(std::string* error, const std::string& why) {
    if (error != nullptr) *error = why;
    return false;
}

// Writes the tag followed by the bytes of file to path, streaming.
bool WriteTagged(const char (&tag)[QZ_TAG_SIZE], const std::string& file, const std::string& path,
                 std::string* error) {
    platform::File in;
    platform::File out;
    if (!in.Open(file, platform::File::Mode::Read)) return Fail(error, "cannot read " + file);
    if (!out.Open(path, platform::File::Mode::WriteTruncate) || !out.Write(tag, QZ_TAG_SIZE)) {
        return Fail(error, "cannot write " + path);
    }
    std::vector<char> block(1 << 20);
    for (;;) {
        const int64_t got = in.Read(block.data(), block.size());
        if (got < 0) return Fail(error, "cannot read " + file);
        if (got == 0) break;
        if (!out.Write(block.data(), size_t(got))) return Fail(error, "cannot write " + path);
    }
    if (!out.Close()) return Fail(error, "cannot write " + path);
    return true;
}

// Puts the LZMA layer over the tagged file when asked, leaving the member at memberPath.
bool Finish(const std::string& tagged, const std::string& memberPath, const MemberOptions& options,
            std::string* error) {
    if (!options.lzma) {
        if (tagged != memberPath && !platform::RenameReplacing(tagged, memberPath)) {
            return Fail(error, "cannot write " + memberPath);
        }
        return true;
    }
    const bool ok = WriteLzmaMemberFile(tagged, memberPath, options.lzmaOptions, error);
    platform::DeleteFile(tagged);
    return ok;
}

}  // namespace

bool WriteWholeMember(const std::string& file, const std::string& memberPath,
                      const MemberOptions& options, std::string* error) {
    const std::string tagged = memberPath + ".tagged";
    if (!WriteTagged(QZ_TAG_COPY, file, tagged, error)) {
        platform::DeleteFile(tagged);
        return false;
    }
    return Finish(tagged, memberPath, options, error);
}

bool WriteDeltaMember(const std::string& oldFile, const std::string& newFile,
                      const std::string& memberPath, const MemberOptions& options,
                      int64_t& taggedSize, std::string* error) {
    const std::string tagged = memberPath + ".tagged";
    platform::DeleteFile(tagged);  // the encoder does not overwrite
    const int result = QzPatcher_xdelta::Instance().MakeDelta(oldFile, newFile, tagged);
    if (result != QZP_SUCCESS) {
        platform::DeleteFile(tagged);
        return Fail(error, "cannot make the delta of " + newFile + " (code " + std::to_string(result) + ")");
    }
    taggedSize = platform::FileSize(tagged);
    return Finish(tagged, memberPath, options, error);
}
