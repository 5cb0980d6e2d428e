#include "platform/Thread.h"

#include "platform/SysOps.h"

#include <atomic>
#include <chrono>
#include <pthread.h>

namespace platform {

struct Thread::State {
    std::function<void()> body;
    std::atomic<bool> ended{false};
};

namespace {

void* RunBody(void* arg) {
    // The thread holds its own reference, so the state outlives a Thread object that is moved
    // from or destroyed while the body runs.
    auto* holder = static_cast<std::shared_ptr<Thread::State>*>(arg);
    std::shared_ptr<Thread::State> state = std::move(*holder);
    delete holder;
    state->body();
    state->ended.store(true, std::memory_order_release);
    return nullptr;
}

}  // namespace

Thread::~Thread() { Join(); }

bool Thread::Start(std::function<void()> body) {
    if (m_started) return false;
    m_state = std::make_shared<State>();
    m_state->body = std::move(body);
    auto* holder = new std::shared_ptr<State>(m_state);
    if (Ops().createThread(RunBody, holder, &m_handle) != 0) {
        delete holder;
        m_state.reset();
        return false;
    }
    m_started = true;
    return true;
}

bool Thread::HasEnded() const {
    return !m_started || m_state->ended.load(std::memory_order_acquire);
}

void Thread::Join() {
    if (!m_started) return;
    pthread_join(static_cast<pthread_t>(m_handle), nullptr);
    m_started = false;
    m_state->ended.store(true, std::memory_order_release);
}

void ManualResetEvent::Set() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_signalled = true;
    m_cv.notify_all();
}

void ManualResetEvent::Reset() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_signalled = false;
}

bool ManualResetEvent::IsSet() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_signalled;
}

bool ManualResetEvent::Wait(uint32_t timeoutMs) const {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_cv.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return m_signalled; });
}

}  // namespace platform
