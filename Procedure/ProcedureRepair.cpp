#include "Procedure/ProcedureRepair.h"

#include "Procedure/ProcedureMessages.h"
#include "app/Log.h"
#include "app/Settings.h"
#include "common/CopyIntoPlace.h"
#include "common/FileDir.h"
#include "common/TextHelpers.h"
#include "download/QzChecksum_CRC.h"
#include "download/QzChecksum_MD5.h"
#include "patch/RelativePath.h"
#include "patch/UnCyptWorkCopy.h"
#include "platform/Files.h"
#include "platform/Profile.h"

#include <algorithm>

namespace {

constexpr const char* kSourceFile = "Procedure\\ProcedureRepair.cpp";
// Settings values are read into a buffer of this many characters.
constexpr size_t kSettingBuffer = 260;

// The last path component (the text after the last backslash or slash).
std::string FileNamePart(const std::string& path) {
    size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

bool ByPath(const RepairFileInfo& a, const RepairFileInfo& b) { return a.m_strFilePath < b.m_strFilePath; }

}  // namespace

void ProcedureRepair::InitRepair(platform::WindowHandle dialogWindow, const std::string& settingsPath,
                                 platform::ManualResetEvent* stopEvent, const Configuration& config) {
    m_hDialogWnd = dialogWindow;
    m_pStopEvent = stopEvent;
    m_words = config.words;
    std::string base1 = platform::GetProfileString(config.settingsSection, config.settingsKey, "",
                                                   kSettingBuffer, settingsPath);
    if (base1.empty() && config.defaultWhenEmpty) base1 = DefaultBaseUrl();
    SetUrl(base1);
    const std::string fallback = FallbackBase();
    SetBase(1, fallback);
    SetBase(2, fallback);
    m_strVersionLocal = config.localVersionFile;
    m_strListLocal = config.localList;
    m_strDownloadDir = config.downloadDirectory;
    m_strUpdateVerLocalUnCypt = GetUnCyptWorkPath();
    m_strLocalRoot = config.localRoot;
}

void ProcedureRepair::SetBase(size_t index, const std::string& base) {
    m_bases[index].fileAddress = base + m_words.versionFile;
    m_bases[index].directoryPrefix = base + m_words.directoryPrefix;
}

int ProcedureRepair::Run() {
    WriteLog("start repair!");
    m_nReplacedCount = 0;
    CreateFileDir(m_strVersionLocal, true);

    if (!FetchFromBases(m_bases, [](const ServerBase& b) { return b.fileAddress; }, m_strVersionLocal)) {
        return REPAIR_FAIL_DOWN_VERSION;
    }
    platform::File versionFile;
    if (!versionFile.Open(m_strVersionLocal, platform::File::Mode::Read)) return REPAIR_FAIL_READ_VERSION;
    char buffer[REPAIR_VERSION_FILE_LIMIT];
    size_t got = 0;
    while (got < sizeof buffer) {
        int64_t n = versionFile.Read(buffer + got, sizeof buffer - got);
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    versionFile.Close();
    if (got >= REPAIR_VERSION_FILE_LIMIT) return REPAIR_FAIL_READ_VERSION;
    std::string text(buffer, got);
    text = StripBlanks(text.substr(0, text.find('\0')));
    m_strVersion = text;

    const std::string listName = std::string("\\") + VERSION_LIST_FILE_NAME;
    if (!FetchFromBases(m_bases, [&](const ServerBase& b) { return b.directoryPrefix + m_strVersion + listName; },
                        m_strListLocal)) {
        return REPAIR_FAIL_DOWN_GAMEINFO;
    }
    if (!CompareGameInfo(m_strListLocal)) return REPAIR_FAIL_CMP_GAMEINFO;
    if (!CreateFileDir(m_strDownloadDir, false)) return REPAIR_FAIL_CREATE_DIR;

    const uint64_t count = m_vecFileList.size();
    SendToDialog(UM_FILE_LIST_COUNT, count, 0);
    for (uint64_t i = 0; i < count; ++i) {
        if (int result = CheckEntry(m_vecFileList[i], i + 1); result != 0) return result;
    }
    SendToDialog(UM_FILE_LIST_STEP, FILE_STEP_REPLACED, static_cast<platform::LParam>(count));

    // The new list replaces the installed one in a single step: a failure or a crash leaves
    // the old list, never none (a missing list would make the next start reinstall).
    const std::string installedList = m_strLocalRoot + VERSION_LIST_FILE_NAME;
    if (!CopyIntoPlace(m_strListLocal, installedList)) {
        WriteLog("FILE=%s,LINE=%d ,CopyFile Error szTempLauncherFile =%s , localFile", kSourceFile, __LINE__,
                 m_strListLocal.c_str());
        return REPAIR_FAIL_REPLACE_GAMEINFO;
    }
    return m_nReplacedCount > 0 ? REPAIR_SUCCESS : REPAIR_NO_NEED;
}

int ProcedureRepair::CheckEntry(const RepairFileInfo& entry, uint64_t index) {
    const auto step = [&](uint64_t s) { SendToDialog(UM_FILE_LIST_STEP, s, static_cast<platform::LParam>(index)); };
    step(FILE_STEP_CHECKING);
    SendToDialog(UM_FILE_LIST_NAME, TextParam(entry.m_strFilePath), 0);
    if (m_bMarkedOnly && entry.m_nCheckFlag == 0) {
        step(FILE_STEP_FETCHED);
        return 0;
    }
    if (IsStopSignalled()) {
        SendAlways(UM_REPAIR_STOPPED, 1, 0);
        return REPAIR_STOPPED;
    }
    const std::string local = m_strLocalRoot + entry.m_strFilePath;
    const int64_t size = platform::IsRegularFile(local) ? platform::FileSize(local) : -1;
    if (size == entry.m_nFileSize) {
        std::string crc;
        if (size == 0 || (QzChecksum_CRC::Instance().DigestFileText(local, crc) && crc == entry.m_strCrc)) {
            step(FILE_STEP_FETCHED);
            return 0;
        }
    }

    const std::string temp = m_strDownloadDir + "\\" + FileNamePart(entry.m_strFilePath);
    step(FILE_STEP_DOWNLOADING);
    const std::string remoteTail = m_strVersion + "\\" + entry.m_strFilePath;
    bool verified = false;
    for (int round = 0; round < REPAIR_MD5_ROUNDS && !verified; ++round) {
        if (!FetchFromBases(m_bases, [&](const ServerBase& b) { return b.directoryPrefix + remoteTail; }, temp)) {
            continue;
        }
        std::string md5;
        if (QzChecksum_MD5::Instance().DigestFileText(temp, md5) && md5 == entry.m_strMd5) {
            verified = true;
        } else {
            WriteLog("FILE =%s, Line =%d,DownFile Md5 Warning  ", kSourceFile, __LINE__);
        }
    }
    if (!verified) return REPAIR_FAIL_DOWN_FILE;

    CreateFileDir(local, true);
    step(FILE_STEP_FETCHED);
    if (!CopyIntoPlace(temp, local)) {
        WriteLog("FILE=%s,LINE=%d ,CopyFile Error szTempLauncherFile =%s , localFile", kSourceFile, __LINE__,
                 temp.c_str());
        platform::DeleteFile(temp);
        return REPAIR_FAIL_REPLACE_FILE;
    }
    step(FILE_STEP_REPLACED);
    platform::DeleteFile(temp);
    ++m_nReplacedCount;
    return 0;
}

bool ProcedureRepair::CompareGameInfo(const std::string& listPath) {
    QzVersionRepairInfo newList;
    if (!newList.InputVerRepairInfoFile(listPath)) {
        WriteLog("InputVerRepairInfoFile Error m_strUpdateVerLocalUnCypt = %s", m_strUpdateVerLocalUnCypt.c_str());
        return false;
    }
    RepairFileInfoVec newEntries = newList.GetRepairFileInfoVec();
    // A list naming a path outside the root is refused before anything is deleted or written.
    for (const RepairFileInfo& entry : newEntries) {
        if (!IsContainedRelativePath(entry.m_strFilePath)) {
            WriteLog("FILE=%s,LINE=%d ,unsafe path in file list refused: %s", kSourceFile, __LINE__,
                     entry.m_strFilePath.c_str());
            return false;
        }
    }
    QzVersionRepairInfo installedList;
    installedList.InputVerRepairInfoFile(m_strLocalRoot + VERSION_LIST_FILE_NAME);
    const std::string newVersion = newList.GetVersion();
    const std::string installedVersion = installedList.GetVersion();
    SendToDialog(UM_LATEST_VERSION, TextParam(newVersion), 0);
    SendToDialog(UM_CURRENT_VERSION, TextParam(installedVersion), 0);

    RepairFileInfoVec oldEntries = installedList.GetRepairFileInfoVec();
    std::sort(newEntries.begin(), newEntries.end(), ByPath);
    std::sort(oldEntries.begin(), oldEntries.end(), ByPath);
    RepairFileInfoVec gone;
    std::set_difference(oldEntries.begin(), oldEntries.end(), newEntries.begin(), newEntries.end(),
                        std::back_inserter(gone), ByPath);
    const uint64_t n = gone.size();
    for (uint64_t k = 1; k <= n; ++k) {
        SendAlways(UM_REPAIR_CLEANUP_PERCENT, k * 100 / (2 * n), 0);
        const std::string& path = gone[k - 1].m_strFilePath;
        // The installed list is local, but a path in it that leaves the root is not deleted.
        if (!IsContainedRelativePath(path)) continue;
        const std::string local = m_strLocalRoot + path;
        platform::SetNormalAttributes(local);
        platform::DeleteFile(local);
    }
    m_vecFileList = std::move(newEntries);
    m_strVersion = newVersion;
    return true;
}
