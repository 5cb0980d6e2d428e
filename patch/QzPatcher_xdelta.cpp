#include "patch/QzPatcher_xdelta.h"

#include <cerrno>
#include <vector>

#include "app/Log.h"
#include "patch/PackageFormat.h"
#include "patch/ReadExactly.h"
#include "patch/XdeltaCommand.h"
#include "platform/Files.h"

namespace {

constexpr size_t kDeltaCopyBlock = 1 << 20;

}  // namespace

QzPatcher_xdelta& QzPatcher_xdelta::Instance() {
    static QzPatcher_xdelta* instance = new QzPatcher_xdelta;
    return *instance;
}

int QzPatcher_xdelta::GetPatchType() {
    return CPT_XDELTA;
}

int QzPatcher_xdelta::ApplyDelta(const std::string& sourcePath, const std::string& deltaPath,
                                 const std::string& outputPath) {
    platform::DeleteFile(outputPath);
    const XdeltaRun run = RunXdeltaCommand({"xdelta3", "-v", "-d", "-s",
                                            platform::NativePath(sourcePath),
                                            platform::NativePath(deltaPath),
                                            platform::NativePath(outputPath)});
    if (run.exitCode != 0) {
        WriteLog("FILE =%s, Line =%d,xdelta Fail ErrorCode = %d", __FILE__, __LINE__, run.exitCode);
        return QZP_ENGINE_FAILED;
    }
    return QZP_SUCCESS;
}

int QzPatcher_xdelta::MakeDelta(const std::string& sourcePath, const std::string& targetPath,
                                const std::string& deltaPath) {
    if (sourcePath.empty() || targetPath.empty() || deltaPath.empty()) {
        return QZP_EMPTY_PATH;
    }
    const XdeltaRun run = RunXdeltaCommand({"xdelta3", "-v", "-e", "-s",
                                            platform::NativePath(sourcePath),
                                            platform::NativePath(targetPath),
                                            platform::NativePath(deltaPath)});
    if (run.exitCode != 0) {
        WriteLog("FILE =%s, Line =%d,xdelta Fail ErrorCode = %d", __FILE__, __LINE__, run.exitCode);
        return QZP_ENGINE_FAILED;
    }

    // Put the tag in front: stream the delta into a sibling behind the tag, then rename the
    // sibling over the delta, so large deltas never sit in memory whole.
    platform::File delta;
    const int64_t size = platform::FileSize(deltaPath);
    if (size < 0 || !delta.Open(deltaPath, platform::File::Mode::Read)) {
        WriteLog("xdelta open file Fail ErrorCode = %d", errno);
        WriteLog("FILE =%s, Line =%d,xdelta open file Fail ErrorCode = %d", __FILE__, __LINE__, errno);
        return QZP_DELTA_OPEN_FAILED;
    }
    const std::string taggedPath = deltaPath + ".tag";
    platform::File tagged;
    if (!tagged.Open(taggedPath, platform::File::Mode::WriteTruncate)) {
        WriteLog("FILE =%s, Line =%d,xdelta Fail open Fail  ErrorCode = %d", __FILE__, __LINE__, errno);
        return QZP_DELTA_OPEN_FAILED;
    }
    if (!tagged.Write(QZ_TAG_XDELTA, QZ_TAG_SIZE)) {
        WriteLog("FILE =%s, Line =%d,xdelta Fail Write Fail  ErrorCode = %d", __FILE__, __LINE__, errno);
        tagged.Close();
        platform::DeleteFile(taggedPath);
        return QZP_DELTA_IO_FAILED;
    }
    std::vector<char> block(kDeltaCopyBlock);
    int64_t remaining = size;
    while (remaining > 0) {
        const size_t want = remaining < int64_t(block.size()) ? size_t(remaining) : block.size();
        if (!ReadExactly(delta, block.data(), want)) {
            WriteLog("FILE =%s, Line =%d,xdelta Fail fread Fail  ErrorCode = %d", __FILE__, __LINE__, errno);
            tagged.Close();
            platform::DeleteFile(taggedPath);
            return QZP_DELTA_IO_FAILED;
        }
        if (!tagged.Write(block.data(), want)) {
            WriteLog("FILE =%s, Line =%d,xdelta Fail Write Fail  ErrorCode = %d", __FILE__, __LINE__, errno);
            tagged.Close();
            platform::DeleteFile(taggedPath);
            return QZP_DELTA_IO_FAILED;
        }
        remaining -= int64_t(want);
    }
    delta.Close();
    if (!tagged.Close() || !platform::RenameReplacing(taggedPath, deltaPath)) {
        WriteLog("FILE =%s, Line =%d,xdelta Fail Write Fail  ErrorCode = %d", __FILE__, __LINE__, errno);
        platform::DeleteFile(taggedPath);
        return QZP_DELTA_IO_FAILED;
    }
    return QZP_SUCCESS;
}
