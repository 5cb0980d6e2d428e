#include "telemetry/BiReport.h"

#include "app/Log.h"
#include "app/Settings.h"
#include "platform/Text.h"
#include "platform/Thread.h"
#include "telemetry/BiTimeouts.h"
#include "telemetry/BiUpload.h"
#include "telemetry/EventRecord.h"
#include "telemetry/FormatText.h"
#include "telemetry/TelemetryConstants.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <list>
#include <memory>
#include <mutex>
#include <string>

namespace {

void SendEvent(std::u16string_view name, std::u16string_view detail,
               const std::atomic<bool>* cancel) {
    const std::string record = platform::Utf16ToUtf8(BuildEventRecord(name, detail));
    const std::string body = FormatText(BI_BODY_FORMAT, BI_APP_KEY, BI_EVENT_TYPE, record.c_str());
    const std::string url = FormatText(BI_UPLOAD_PATH_FORMAT, ReadSetting(SETTING_BI_URL).c_str());
    for (int attempt = 0; attempt < BI_MAX_ATTEMPTS; ++attempt) {
        if (cancel != nullptr && cancel->load()) return;
        if (UploadBiRecord(url, body, cancel)) return;
    }
}

// The threads of asynchronous reports. Never destroyed: report threads may still be running
// while the process's static objects are being destroyed.
struct PendingReports {
    std::mutex mutex;
    std::condition_variable ended;
    std::list<std::unique_ptr<platform::Thread>> threads;
    size_t running = 0;
    bool exitHookInstalled = false;
    std::atomic<bool> cancel{false};
};

PendingReports& Pending() {
    static PendingReports* pending = new PendingReports;
    return *pending;
}

void FinishAtExit() { FinishPendingReports(GetBiTimeouts().exitGraceMs); }

// Joins the threads whose reports have ended. Called with the mutex held.
void ReapEnded(PendingReports& p) {
    for (auto it = p.threads.begin(); it != p.threads.end();) {
        if ((*it)->HasEnded()) {
            (*it)->Join();
            it = p.threads.erase(it);
        } else {
            ++it;
        }
    }
}

}  // namespace

void ReportEvent(std::u16string_view name, std::u16string_view detail) {
    SendEvent(name, detail, nullptr);
}

void ReportEventAsync(std::u16string_view name, std::u16string_view detail) {
    PendingReports& p = Pending();
    std::lock_guard<std::mutex> lock(p.mutex);
    ReapEnded(p);
    if (!p.exitHookInstalled) {
        // Handlers registered at exit run in reverse order: whatever the libraries register
        // during their first initialisation must come before the wait for the reports.
        HoldCurlGlobalState();
        p.exitHookInstalled = std::atexit(FinishAtExit) == 0;
    }

    auto thread = std::make_unique<platform::Thread>();
    bool started = thread->Start([&p, n = std::u16string(name), d = std::u16string(detail)] {
        SendEvent(n, d, &p.cancel);
        std::lock_guard<std::mutex> done(p.mutex);
        --p.running;
        p.ended.notify_all();
    });
    if (!started) {
        WriteLog("FILE=%s,LINE=%d ,ReportEventAsync CreateThread Error, event =%s", __FILE__,
                 __LINE__, platform::Utf16ToUtf8(name).c_str());
        return;
    }
    ++p.running;
    p.threads.push_back(std::move(thread));
}

void FinishPendingReports(uint32_t graceMs) {
    PendingReports& p = Pending();
    std::unique_lock<std::mutex> lock(p.mutex);
    p.ended.wait_for(lock, std::chrono::milliseconds(graceMs), [&p] { return p.running == 0; });
    if (p.running > 0) p.cancel.store(true);
    while (!p.threads.empty()) {
        std::list<std::unique_ptr<platform::Thread>> threads = std::move(p.threads);
        p.threads.clear();
        lock.unlock();
        for (auto& t : threads) t->Join();
        lock.lock();
    }
    p.cancel.store(false);
}
