#include "download/AutoDownload_Curl.h"

#include "app/Log.h"
#include "common/CopyIntoPlace.h"
#include "download/CurlGlobal.h"
#include "download/DownloadState.h"
#include "download/DownloadTimings.h"
#include "platform/Clock.h"

#include <cerrno>

namespace {

// The source unit named in this file's diagnostic log lines.
constexpr const char* kSourceUnit = "AutoDownload_Curl";

constexpr const char* kTempDirectory = "temp_d/";
constexpr const char* kTempPrefix = "~Qz.temp.";

// The rate is recomputed when more than this many milliseconds have passed since the sample.
constexpr uint32_t kRateIntervalMs = 1000;

// Redirects followed before a transfer is given up, so a redirect loop cannot run forever.
constexpr long kMaxRedirects = 30;

// libcurl's receive buffer. Larger than its default of 16 KiB so that a fast transfer takes
// fewer reads, file writes and progress notifications (each one a synchronous send to the
// window thread); the data still goes straight from each read to the file.
constexpr long kReceiveBufferBytes = 512 * 1024;

// Puts the finished temporary file in place of the destination, replacing an existing one
// (read-only or not) in one step, so the destination is always the old file or the new one:
// a rename on the same volume, else a copy to a sibling of the destination renamed over it.
// The result is writable. No flush here: downloads land in work directories and are
// verified by MD5 before the step that installs them, which flushes. False, with the
// system's error code, when the temporary file is missing or neither way works.
bool MoveIntoPlace(const std::string& temp, const std::string& dest, int& error) {
    if (!platform::IsRegularFile(temp)) {
        error = ENOENT;
        return false;
    }
    if (platform::RenameReplacing(temp, dest)) return true;
    error = errno;
    if (CopyIntoPlace(temp, dest)) return true;
    error = errno;
    return false;
}

}  // namespace

CAutoDownload_Curl::CAutoDownload_Curl() : m_bGlobalRef(CurlGlobalInit()) {}

CAutoDownload_Curl::~CAutoDownload_Curl() {
    ReleaseTransfer();
    if (m_bGlobalRef) CurlGlobalCleanup();
}

int CAutoDownload_Curl::GetKind() { return DL_KIND_CURL; }

uint32_t CAutoDownload_Curl::GetState() { return Status().state.load(); }

bool CAutoDownload_Curl::GetProgress(int64_t& total, int64_t& received) {
    if (DownloadStateClass(GetState()) == DLC_NOT_RUNNING) return false;
    total = m_nSampleTotal.load(std::memory_order_relaxed);
    received = m_nSampleReceived.load(std::memory_order_relaxed);
    return total != 0;
}

int CAutoDownload_Curl::GetSpeed() { return m_nRate.load(std::memory_order_relaxed); }

std::string CAutoDownload_Curl::TempPathFor(const std::string& destPath) {
    size_t slash = destPath.find_last_of("/\\");
    std::string name = slash == std::string::npos ? destPath : destPath.substr(slash + 1);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.erase(dot);
    return std::string(kTempDirectory) + kTempPrefix + name;
}

bool CAutoDownload_Curl::Prepare(const char* url, const char* destPath, platform::WindowHandle notifyWindow,
                                 int32_t tag) {
    if (DownloadStateClass(GetState()) == DLC_RUNNING) return false;
    if (url == nullptr || *url == '\0' || destPath == nullptr || *destPath == '\0') {
        ChangeState(DLS_PREPARE_FAILED);
        return false;
    }

    // Called again after a Prepare without Run: start afresh.
    ReleaseTransfer();
    if (m_bGlobalRef) m_pCurl = curl_easy_init();
    if (m_pCurl == nullptr) {
        ChangeState(DLS_PREPARE_FAILED);
        return false;
    }

    StatusRecord& status = Status();
    status.url = url;
    status.destPath = destPath;
    status.notifyWindow.store(notifyWindow);
    status.tag.store(tag);

    m_szTempPath = TempPathFor(destPath);
    if (!m_tempFile.Open(m_szTempPath, platform::File::Mode::WriteTruncate) || !SetOptions()) {
        ReleaseTransfer();
        ChangeState(DLS_PREPARE_FAILED);
        return false;
    }
    ChangeState(DLS_PREPARED);
    return true;
}

bool CAutoDownload_Curl::SetOptions() {
    const DownloadTimings timings = GetDownloadTimings();
    CURL* curl = m_pCurl;
    const StatusRecord& status = Status();
    if (curl_easy_setopt(curl, CURLOPT_WRITEDATA, &m_tempFile) != CURLE_OK) return false;
    if (curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &CAutoDownload_Curl::WriteBlock) != CURLE_OK) return false;
    if (curl_easy_setopt(curl, CURLOPT_URL, status.url.c_str()) != CURLE_OK) return false;
    if (curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L) != CURLE_OK) return false;
    if (curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &CAutoDownload_Curl::OnProgress) != CURLE_OK) return false;
    if (curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L) != CURLE_OK) return false;
    if (curl_easy_setopt(curl, CURLOPT_XFERINFODATA, this) != CURLE_OK) return false;
    if (curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, timings.lowSpeedTimeSeconds) != CURLE_OK) return false;
    if (curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, timings.lowSpeedLimitBytes) != CURLE_OK) return false;
    if (curl_easy_setopt(curl, CURLOPT_MAXREDIRS, kMaxRedirects) != CURLE_OK) return false;
    if (curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, kReceiveBufferBytes) != CURLE_OK) return false;
    // Connections and DNS answers outlive this handle. Without a share the transfer still
    // works, on a connection of its own.
    m_pShare = BorrowCurlShare();
    if (m_pShare != nullptr && curl_easy_setopt(curl, CURLOPT_SHARE, m_pShare) != CURLE_OK) {
        ReturnCurlShare(m_pShare);
        m_pShare = nullptr;
    }
    return true;
}

void CAutoDownload_Curl::ReleaseTransfer() {
    m_tempFile.Close();
    if (m_pCurl != nullptr) {
        curl_easy_cleanup(m_pCurl);
        m_pCurl = nullptr;
    }
    if (m_pShare != nullptr) {
        ReturnCurlShare(m_pShare);
        m_pShare = nullptr;
    }
}

void CAutoDownload_Curl::Reset() {
    try {
        Stop();
    } catch (...) {
    }
}

void CAutoDownload_Curl::Stop() { ChangeState(DLS_IDLE); }

bool CAutoDownload_Curl::Wait(bool) { return true; }

void CAutoDownload_Curl::Run() {
    // A Stop from another thread between the test and the change must win, so the move to
    // running happens only from the prepared state.
    if (!ChangeStateFrom(DLS_PREPARED, DLS_RUNNING)) return;

    CURLcode result = curl_easy_perform(m_pCurl);
    long responseCode = 0;
    curl_easy_getinfo(m_pCurl, CURLINFO_RESPONSE_CODE, &responseCode);
    m_nResponseCode.store(static_cast<int>(responseCode));
    curl_off_t announcedLength = -1;
    bool received = result == CURLE_OK && responseCode == DL_HTTP_OK;
    if (received) curl_easy_getinfo(m_pCurl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announcedLength);
    ReleaseTransfer();

    uint32_t finalState = received ? PutInPlace(announcedLength) : DLS_FAILED;

    // An abort caused by Stop on another thread is announced after that Stop's own message.
    WaitForOtherNotifications(GetDownloadTimings().stopNotifyWaitMs);
    ChangeState(finalState);
}

uint32_t CAutoDownload_Curl::PutInPlace(curl_off_t announcedLength) {
    int64_t fileSize = platform::FileSize(m_szTempPath);
    if (fileSize < 0) {
        // The finished file cannot be examined, so it cannot be checked or put in place.
        WriteLog("FILE =%s, Line =%d,DownFile Error GetFileSize Error ErrorCode =%d", kSourceUnit, __LINE__, errno);
        platform::DeleteFile(m_szTempPath);
        return DLS_PLACE_FAILED;
    }
    if (static_cast<int64_t>(announcedLength) != fileSize) {
        WriteLog("file len not mate httpLen = %lld,downedlen = %lld", static_cast<long long>(announcedLength),
                 static_cast<long long>(fileSize));
        return DLS_SIZE_MISMATCH;
    }
    int error = 0;
    bool placed = MoveIntoPlace(m_szTempPath, Status().destPath, error);
    if (platform::PathExists(m_szTempPath)) platform::DeleteFile(m_szTempPath);
    if (!placed) {
        WriteLog("FILE =%s, Line =%d,DownFile Error MoveFile Error ErrorCode =%d", kSourceUnit, __LINE__, error);
        return DLS_PLACE_FAILED;
    }
    return DLS_DONE;
}

size_t CAutoDownload_Curl::WriteBlock(char* data, size_t size, size_t count, void* userData) {
    size_t bytes = size * count;
    return static_cast<platform::File*>(userData)->Write(data, bytes) ? bytes : 0;
}

int CAutoDownload_Curl::OnProgress(void* userData, curl_off_t total, curl_off_t received, curl_off_t, curl_off_t) {
    auto* self = static_cast<CAutoDownload_Curl*>(userData);
    if (DownloadStateClass(self->GetState()) == DLC_NOT_RUNNING) return 1;  // stopped: abort
    if (total == 0 || received == 0) return 0;
    self->TakeSample(static_cast<int64_t>(total), static_cast<int64_t>(received));
    self->Notify(DL_PROGRESS);
    return 0;
}

void CAutoDownload_Curl::TakeSample(int64_t total, int64_t received) {
    uint32_t now = platform::GetTickCount();
    uint32_t sampleTick = m_dwSampleTick.load(std::memory_order_relaxed);
    if (sampleTick == 0) {
        m_dwSampleTick.store(now, std::memory_order_relaxed);
        m_nSampleTotal.store(total, std::memory_order_relaxed);
        m_nSampleReceived.store(received, std::memory_order_relaxed);
        return;
    }
    uint32_t elapsed = now - sampleTick;
    if (elapsed <= kRateIntervalMs) return;
    auto delta = static_cast<int32_t>(static_cast<uint32_t>(received - m_nSampleReceived.load(std::memory_order_relaxed)));
    auto rate = static_cast<int32_t>(delta / (elapsed / 1000.0));
    m_nRate.store(rate < 0 ? 0 : rate, std::memory_order_relaxed);
    m_dwSampleTick.store(now, std::memory_order_relaxed);
    m_nSampleTotal.store(total, std::memory_order_relaxed);
    m_nSampleReceived.store(received, std::memory_order_relaxed);
}
