#pragma once
// A downloader for manager tests: each Run ends in the state the test scripted (done or
// failed, in order; failed once the script is used up), optionally waiting until the test
// releases it, so a worker can be kept busy.

#include "download/AutoDownload.h"
#include "download/DownloadState.h"
#include "platform/Thread.h"

#include <atomic>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

class FakeDownloader : public CAutoDownload {
public:
    struct Shared {
        std::mutex mutex;
        std::deque<bool> outcomes;         // true: the next Run succeeds
        std::vector<std::string> prepared; // URLs handed to Prepare
        platform::ManualResetEvent release{true};
        std::atomic<int> runs{0};
        int64_t total = 0;
        int64_t received = 0;
        int speed = 0;
    };

    explicit FakeDownloader(Shared& shared) : m_shared(shared) {}
    int GetKind() override { return DL_KIND_CURL; }
    uint32_t GetState() override { return m_state; }
    bool GetProgress(int64_t& total, int64_t& received) override {
        if (DownloadStateClass(m_state) == DLC_NOT_RUNNING) return false;
        total = m_shared.total;
        received = m_shared.received;
        return total != 0;
    }
    int GetSpeed() override { return m_shared.speed; }
    bool Prepare(const char* url, const char*, platform::WindowHandle, int32_t) override {
        std::lock_guard<std::mutex> lock(m_shared.mutex);
        m_shared.prepared.push_back(url);
        m_state = DLS_PREPARED;
        return true;
    }
    void Reset() override { Stop(); }
    void Run() override {
        m_state = DLS_RUNNING;
        m_shared.release.Wait(60000);
        ++m_shared.runs;
        bool ok = false;
        {
            std::lock_guard<std::mutex> lock(m_shared.mutex);
            if (!m_shared.outcomes.empty()) {
                ok = m_shared.outcomes.front();
                m_shared.outcomes.pop_front();
            }
        }
        m_state = ok ? DLS_DONE : DLS_FAILED;
    }
    void Stop() override { m_state = DLS_IDLE; }
    bool Wait(bool) override { return true; }

    // Sets the state as a running transfer would (relay tests).
    void SetState(uint32_t state) { m_state = state; }

private:
    Shared& m_shared;
    std::atomic<uint32_t> m_state{DLS_IDLE};
};
