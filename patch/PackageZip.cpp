// Extraction of package archives with zziplib.

#include <zzip/zzip.h>

#include <memory>
#include <string>
#include <vector>

#include "app/Log.h"
#include "common/FileDir.h"
#include "patch/QzPackageUnpacker.h"
#include "patch/RelativePath.h"
#include "platform/Files.h"

namespace {

struct DirCloser {
    void operator()(ZZIP_DIR* dir) const { zzip_dir_close(dir); }
};
struct FileCloser {
    void operator()(ZZIP_FILE* file) const { zzip_file_close(file); }
};
using ZipDir = std::unique_ptr<ZZIP_DIR, DirCloser>;
using ZipMember = std::unique_ptr<ZZIP_FILE, FileCloser>;

bool IsDirectoryEntry(const std::string& name) {
    return !name.empty() && (name.back() == '/' || name.back() == '\\');
}

// Every member name in archive order.
std::vector<std::string> MemberNames(ZZIP_DIR* dir) {
    std::vector<std::string> names;
    ZZIP_DIRENT entry;
    zzip_rewinddir(dir);
    while (zzip_dir_read(dir, &entry)) {
        names.emplace_back(entry.d_name != nullptr ? entry.d_name : "");
    }
    return names;
}

// Copies one opened member of size bytes to outputPath.
bool CopyMember(ZZIP_FILE* member, int64_t size, const std::string& outputPath,
                std::vector<char>& block) {
    platform::File output;
    if (!output.Open(outputPath, platform::File::Mode::WriteTruncate)) {
        WriteLog("FILE=%s,LINE=%d ,Unzip Error, open output error  Path =%s", __FILE__, __LINE__,
                 outputPath.c_str());
        return false;
    }
    int64_t remaining = size;
    while (remaining > 0) {
        const size_t want = remaining < int64_t(block.size()) ? size_t(remaining) : block.size();
        const zzip_ssize_t got = zzip_file_read(member, block.data(), want);
        if (got < 0 || size_t(got) != want) {
            WriteLog("FILE=%s,LINE=%d ,Unzip Error, member read error  Path =%s", __FILE__,
                     __LINE__, outputPath.c_str());
            return false;
        }
        if (!output.Write(block.data(), want)) {
            WriteLog("FILE=%s,LINE=%d ,Unzip Error, write error  Path =%s", __FILE__, __LINE__,
                     outputPath.c_str());
            return false;
        }
        remaining -= int64_t(want);
    }
    return output.Close();
}

}  // namespace

bool QzPackageUnpacker::UnzipPackage(const std::string& archivePath, const std::string& destDir) {
    if (archivePath.empty() || destDir.empty()) {
        return false;
    }
    zzip_error_t error = ZZIP_NO_ERROR;
    ZipDir dir(zzip_dir_open(platform::NativePath(archivePath).c_str(), &error));
    if (!dir) {
        WriteLog("FILE=%s,LINE=%d ,Unzip Error, open archive error  Path =%s ,zziperror =%d",
                 __FILE__, __LINE__, archivePath.c_str(), int(error));
        return false;
    }

    // A name that is absolute or climbs out of the destination refuses the whole package
    // before anything is written.
    const std::vector<std::string> names = MemberNames(dir.get());
    for (const std::string& name : names) {
        if (!IsDirectoryEntry(name) && !IsContainedRelativePath(name)) {
            WriteLog("FILE=%s,LINE=%d ,Unzip Error, unsafe member name  Name =%s", __FILE__,
                     __LINE__, name.c_str());
            return false;
        }
    }

    std::vector<char> block(QZ_COPY_BLOCK_SIZE);
    for (const std::string& name : names) {
        if (IsDirectoryEntry(name)) {
            continue;
        }
        ZipMember member(zzip_file_open(dir.get(), name.c_str(), ZZIP_CASELESS));
        if (!member) {
            continue;  // unsupported compression or unreadable entry: passed over
        }
        ZZIP_STAT stat{};
        if (zzip_file_stat(member.get(), &stat) != 0) {
            continue;
        }
        if (stat.st_size == 0) {
            continue;
        }
        if (stat.st_size < 0) {
            WriteLog("FILE=%s,LINE=%d ,Unzip Error, member size error  Name =%s", __FILE__,
                     __LINE__, name.c_str());
            return false;
        }
        const std::string outputPath = destDir + "\\" + name;
        CreateFileDir(outputPath, true);
        if (!CopyMember(member.get(), stat.st_size, outputPath, block)) {
            return false;
        }
    }
    return true;
}
