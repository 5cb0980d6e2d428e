#pragma once
// A stand-in for the window that receives a downloader's notifications: a hidden window of
// the message layer on a user-interface thread of its own, which records every message
// with what the downloader reports while the message is handled (as the relay window does).

#include "platform/Thread.h"
#include "platform/Window.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

class CAutoDownload;

struct NotifyRecord {
    uint32_t message = 0;
    uint64_t wParam = 0;
    CAutoDownload* sender = nullptr;
    uint32_t state = 0;          // GetState() during the message
    bool hasProgress = false;    // GetProgress() during the message
    int64_t total = -1;
    int64_t received = -1;
};

class NotifyRecorder {
public:
    NotifyRecorder();
    ~NotifyRecorder();  // destroys the window and ends the thread

    platform::WindowHandle Window() const { return m_window; }

    // Everything recorded so far.
    std::vector<NotifyRecord> Records() const;
    // The states of the DL_STATE_CHANGED messages, in order.
    std::vector<uint32_t> StateChanges() const;
    size_t CountOf(uint32_t message) const;

    // Waits up to timeoutMs until a DL_STATE_CHANGED reporting state has arrived.
    bool WaitForState(uint32_t state, uint32_t timeoutMs) const;

    // Runs on the window's thread inside every message, after it was recorded.
    void OnMessage(std::function<void(const NotifyRecord&)> hook);

private:
    platform::Thread m_thread;
    platform::WindowHandle m_window;
    platform::ManualResetEvent m_ready;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_cv;
    std::vector<NotifyRecord> m_records;
    std::function<void(const NotifyRecord&)> m_hook;
    std::atomic<bool> m_quit{false};
};
