#pragma once
// The downloader on libcurl's easy interface. Each Prepare makes a new easy handle and
// truncates the temporary file "temp_d/~Qz.temp." + the destination's file name without
// directory and extension; Run fetches into it (following redirects, aborting a stalled
// transfer), checks the HTTP status and the announced length, and puts the file in place of
// the destination. Connections and DNS answers are kept between transfers (download/CurlGlobal.h).
//
// Each downloader holds a reference on libcurl's global state for its whole life, so the
// library stays initialised while it has an easy handle, whatever order its owner uses.

#include "download/AutoDownload.h"
#include "platform/Files.h"

#include <curl/curl.h>

class CAutoDownload_Curl : public CAutoDownload {
public:
    // Idle, with no easy handle and no sample; takes a reference on libcurl's global state
    // (when that initialisation fails, every Prepare fails).
    CAutoDownload_Curl();
    // Destroys an easy handle and closes a temporary file left by a Prepare that was never
    // followed by Run; the (empty) temporary file itself stays on disk like that of any
    // failed attempt.
    ~CAutoDownload_Curl() override;

    // The operations of CAutoDownload (see there).
    int GetKind() override;
    uint32_t GetState() override;
    bool GetProgress(int64_t& total, int64_t& received) override;
    int GetSpeed() override;
    bool Prepare(const char* url, const char* destPath, platform::WindowHandle notifyWindow, int32_t tag) override;
    void Reset() override;
    void Run() override;
    void Stop() override;
    bool Wait(bool waitForEnd) override;

    // The temporary file of the last Prepare (empty before one got that far).
    const std::string& GetTempPath() const { return m_szTempPath; }

    // The temporary file a destination downloads into.
    static std::string TempPathFor(const std::string& destPath);

private:
    static size_t WriteBlock(char* data, size_t size, size_t count, void* userData);
    static int OnProgress(void* userData, curl_off_t total, curl_off_t received, curl_off_t, curl_off_t);
    // Updates the progress sample and, at most once a second, the rate.
    void TakeSample(int64_t total, int64_t received);
    // Sets the easy options in their fixed order; false at the first one refused.
    bool SetOptions();
    // Closes the temporary file and destroys the easy handle, returning its share.
    void ReleaseTransfer();
    // Checks the finished temporary file against the announced length and puts it in place
    // of the destination; the final state.
    uint32_t PutInPlace(curl_off_t announcedLength);

    bool m_bGlobalRef = false;
    std::string m_szTempPath;
    platform::File m_tempFile;
    CURL* m_pCurl = nullptr;
    CURLSH* m_pShare = nullptr;

    // The last progress sample; zeroed here and nowhere else, so a reused downloader's first
    // rate is measured from the previous file's last sample.
    std::atomic<int64_t> m_nSampleTotal{0};
    std::atomic<int64_t> m_nSampleReceived{0};
    std::atomic<uint32_t> m_dwSampleTick{0};
    std::atomic<int32_t> m_nRate{0};
};
