#include "tests/download/NotifyRecorder.h"

#include "download/AutoDownload.h"
#include "download/DownloadState.h"

#include <chrono>

NotifyRecorder::NotifyRecorder() {
    m_thread.Start([this] {
        m_window = platform::CreateWindow("DOWNLOAD_TEST_WINDOW", [this](platform::WindowHandle, uint32_t message,
                                                                        platform::WParam wParam, platform::LParam lParam) {
            if (message != DL_STATE_CHANGED && message != DL_PROGRESS) return platform::LResult{0};
            NotifyRecord record;
            record.message = message;
            record.wParam = wParam;
            record.sender = reinterpret_cast<CAutoDownload*>(lParam);
            record.state = record.sender->GetState();
            record.hasProgress = record.sender->GetProgress(record.total, record.received);
            std::function<void(const NotifyRecord&)> hook;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_records.push_back(record);
                hook = m_hook;
            }
            m_cv.notify_all();
            if (hook) hook(record);
            return platform::LResult{1};
        });
        m_ready.Set();
        while (!m_quit.load()) platform::PumpMessages(20);
        platform::DestroyWindow(m_window);
    });
    m_ready.Wait(UINT32_MAX);
}

NotifyRecorder::~NotifyRecorder() {
    m_quit.store(true);
    platform::WakeOwnerThread(m_window);
    m_thread.Join();
}

std::vector<NotifyRecord> NotifyRecorder::Records() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_records;
}

std::vector<uint32_t> NotifyRecorder::StateChanges() const {
    std::vector<uint32_t> states;
    for (const NotifyRecord& r : Records())
        if (r.message == DL_STATE_CHANGED) states.push_back(r.state);
    return states;
}

size_t NotifyRecorder::CountOf(uint32_t message) const {
    size_t n = 0;
    for (const NotifyRecord& r : Records()) n += r.message == message;
    return n;
}

bool NotifyRecorder::WaitForState(uint32_t state, uint32_t timeoutMs) const {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_cv.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        for (const NotifyRecord& r : m_records)
            if (r.message == DL_STATE_CHANGED && r.state == state) return true;
        return false;
    });
}

void NotifyRecorder::OnMessage(std::function<void(const NotifyRecord&)> hook) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_hook = std::move(hook);
}
