#pragma once
// The downloader interface. A downloader fetches one URL into one destination file at a
// time, keeps a state code (download/DownloadState.h) and tells its notify window of each
// change of state (DL_STATE_CHANGED) and of progress (DL_PROGRESS), both sent
// synchronously with wParam = the caller's tag and lParam = the downloader.
//
// Threads: Prepare, Run, Wait and Reset are called on one worker thread, and the transfer
// and its notifications run there. Stop and Reset may also be called from another thread
// while Run is in progress; the transfer then ends at its next progress callback.

#include "platform/Window.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

class CAutoDownload {
public:
    // Allocates the status record: no notify window, state DLS_IDLE, tag 0, no URL or path.
    CAutoDownload();
    // Frees the status record.
    virtual ~CAutoDownload();
    CAutoDownload(const CAutoDownload&) = delete;
    CAutoDownload& operator=(const CAutoDownload&) = delete;

    // The implementation's kind (DL_KIND_CURL for the curl downloader).
    virtual int GetKind() = 0;
    // The current state code.
    virtual uint32_t GetState() = 0;
    // In a state of class 0: false, outputs untouched. Otherwise writes the last sample's
    // total and received byte counts and returns true when the total is non-zero.
    virtual bool GetProgress(int64_t& total, int64_t& received) = 0;
    // The last computed transfer rate in bytes per second.
    virtual int GetSpeed() = 0;
    // Gets ready to fetch url into destPath, notifying notifyWindow (may be null) with tag.
    // False while a transfer runs (nothing changes) or when preparation fails (state
    // DLS_PREPARE_FAILED); true with state DLS_PREPARED.
    virtual bool Prepare(const char* url, const char* destPath, platform::WindowHandle notifyWindow,
                         int32_t tag) = 0;
    // Stop(), swallowing any exception.
    virtual void Reset() = 0;
    // In state DLS_PREPARED: performs the whole transfer before it returns, ending in a state
    // of class 2 or 3. In any other state: does nothing.
    virtual void Run() = 0;
    // Sets state DLS_IDLE; a transfer in progress ends at its next progress callback.
    virtual void Stop() = 0;
    // Waits for the transfer to end; Run already has, so true at once.
    virtual bool Wait(bool waitForEnd) = 0;

    // The HTTP status code of the last transfer; 0 until a transfer has reported one, and 0
    // after a transfer that received none.
    int GetResponseCode() const { return m_nResponseCode.load(std::memory_order_relaxed); }

protected:
    // What the caller handed to Prepare and where the transfer stands. Allocated by the
    // constructor, freed by the destructor. Fields read by other threads are atomic.
    struct StatusRecord {
        std::atomic<platform::WindowHandle> notifyWindow{platform::WindowHandle{}};
        std::atomic<uint32_t> state{0};
        std::atomic<int32_t> tag{0};
        std::string url;
        std::string destPath;
    };

    // The one rule for every change of state: when a notify window is set and newState
    // differs from the stored one, store it and send DL_STATE_CHANGED; otherwise store it.
    void ChangeState(uint32_t newState);

    // Moves from `expected` to newState (with its notification) only if the state is still
    // `expected`; false when another thread changed it first.
    bool ChangeStateFrom(uint32_t expected, uint32_t newState);

    // Waits (up to waitMs) until notifications of state changes being sent by other threads
    // have been delivered, handling messages sent to the calling thread meanwhile, so that a
    // final state is announced after the Stop that caused it.
    void WaitForOtherNotifications(uint32_t waitMs);

    // Sends a notification to the notify window, if one is set.
    void Notify(uint32_t message);

    StatusRecord& Status() { return *m_pStatus; }
    const StatusRecord& Status() const { return *m_pStatus; }

    std::atomic<int> m_nResponseCode{0};

private:
    std::unique_ptr<StatusRecord> m_pStatus;
    std::atomic<int> m_nSendsInFlight{0};
};
