// The leading tags of package members.

#include <cstring>
#include <string>
#include <vector>

#include "app/Log.h"
#include "common/FileDir.h"
#include "patch/QzPackageUnpacker.h"
#include "patch/ReadExactly.h"
#include "platform/Files.h"

namespace {

// Skips tag at data[pos] when at least a whole tag remains and it matches.
bool SkipTag(const char* data, size_t length, size_t& pos, const char (&tag)[QZ_TAG_SIZE]) {
    if (length - pos >= QZ_TAG_SIZE && std::memcmp(data + pos, tag, QZ_TAG_SIZE) == 0) {
        pos += QZ_TAG_SIZE;
        return true;
    }
    return false;
}

}  // namespace

// Tags are looked for only at the start of the content. A later 10 MiB block that happens to
// begin with tag bytes is content and is copied unchanged: the member format puts tags in
// front of the content and nowhere else.
bool QzPackageUnpacker::DoAnalysisFile(const std::string& sourcePath, const std::string& destPath) {
    WriteLog("Start DoAnalysisFile");
    m_bUserXdel = false;
    if (sourcePath.empty() || destPath.empty() || !platform::IsRegularFile(sourcePath)) {
        return false;
    }
    platform::File source;
    if (!source.Open(sourcePath, platform::File::Mode::Read)) {
        return false;
    }
    CreateFileDir(destPath, true);
    platform::File dest;
    if (!dest.Open(destPath, platform::File::Mode::WriteTruncate)) {
        return false;
    }
    const int64_t size = platform::FileSize(sourcePath);
    if (size < 0) {
        return false;
    }

    std::vector<char> block(size < int64_t(QZ_COPY_BLOCK_SIZE) ? size_t(size) : QZ_COPY_BLOCK_SIZE);
    int64_t remaining = size;
    bool first = true;
    while (remaining > 0) {
        const size_t want = remaining < int64_t(block.size()) ? size_t(remaining) : block.size();
        if (!ReadExactly(source, block.data(), want)) {
            WriteLog("FILE=%s,LINE=%d ,Analysis Error, file read error  Path =%s", __FILE__,
                     __LINE__, sourcePath.c_str());
            return false;
        }
        size_t pos = 0;
        if (first) {
            SkipTag(block.data(), want, pos, QZ_TAG_COPY);
            if (SkipTag(block.data(), want, pos, QZ_TAG_XDELTA)) {
                m_bUserXdel = true;
            }
            SkipTag(block.data(), want, pos, QZ_TAG_RESOURCE);
            first = false;
        }
        if (want > pos && !dest.Write(block.data() + pos, want - pos)) {
            WriteLog("FILE=%s,LINE=%d ,Analysis Error, file write error  Path =%s", __FILE__,
                     __LINE__, destPath.c_str());
            return false;
        }
        remaining -= int64_t(want);
    }
    return dest.Close();
}
