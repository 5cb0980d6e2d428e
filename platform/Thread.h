#pragma once
// Threads, manual-reset events and the tick count.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

namespace platform {

// A joinable thread. Start fails (false) when the system cannot create one.
class Thread {
public:
    Thread() = default;
    ~Thread();  // joins a thread still running
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    bool Start(std::function<void()> body);
    // Zero-timeout test: true when the thread was never started or its body has returned.
    bool HasEnded() const;
    // Waits for the body to return (no-op when not started).
    void Join();
    bool Joinable() const { return m_started; }

    struct State;  // shared with the running thread

private:
    std::shared_ptr<State> m_state;
    unsigned long m_handle = 0;
    bool m_started = false;
};

// An event that stays signalled until reset.
class ManualResetEvent {
public:
    explicit ManualResetEvent(bool signalled = false) : m_signalled(signalled) {}
    void Set();
    void Reset();
    bool IsSet() const;
    // Waits until signalled or timeoutMs passed; true when signalled.
    bool Wait(uint32_t timeoutMs) const;

private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_cv;
    bool m_signalled;
};

}  // namespace platform
