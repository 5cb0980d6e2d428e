#include "telemetry/BiUpload.h"

#include "app/Log.h"
#include "telemetry/BiTimeouts.h"
#include "telemetry/TelemetryConstants.h"

#include <curl/curl.h>

#include <algorithm>
#include <mutex>

namespace {

// The service answers with a short status; a longer answer is not an acceptance.
constexpr size_t kMaxResponseBytes = 64 * 1024;

size_t CollectResponse(char* data, size_t size, size_t count, void* userdata) {
    auto* response = static_cast<std::string*>(userdata);
    size_t n = size * count;
    if (response->size() + n > kMaxResponseBytes) return 0;  // aborts the transfer
    response->append(data, n);
    return n;
}

int CheckCancel(void* clientp, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* cancel = static_cast<const std::atomic<bool>*>(clientp);
    return cancel != nullptr && cancel->load() ? 1 : 0;
}

// The library's global state, held for one attempt; libcurl counts initialisations.
class CurlGlobal {
public:
    CurlGlobal() : m_ok(curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK) {}
    ~CurlGlobal() {
        if (m_ok) curl_global_cleanup();
    }
    CurlGlobal(const CurlGlobal&) = delete;
    CurlGlobal& operator=(const CurlGlobal&) = delete;
    bool Ok() const { return m_ok; }

private:
    bool m_ok;
};

}  // namespace

void HoldCurlGlobalState() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool UploadBiRecord(const std::string& url, const std::string& body,
                    const std::atomic<bool>* cancel) {
    CurlGlobal global;
    if (!global.Ok()) return false;
    CURL* curl = curl_easy_init();
    if (curl == nullptr) return false;

    const BiTimeouts limits = GetBiTimeouts();
    std::string response;
    curl_slist* headers = curl_slist_append(nullptr, BI_CONTENT_TYPE_HEADER);
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, BI_REQUEST_METHOD);
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.c_str());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, CollectResponse);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &response);
    // Several reports may run on their own threads: time-outs must not use signals.
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    // libcurl reads 0 as "no limit"; the shortest limit here is 1 ms.
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, std::max(1L, static_cast<long>(limits.connectMs)));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, std::max(1L, static_cast<long>(limits.totalMs)));
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, CheckCancel);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, const_cast<std::atomic<bool>*>(cancel));

    WriteLog("%s", body.c_str());
    CURLcode rc = curl_easy_perform(curl);
    bool accepted = rc == CURLE_OK && response.find(BI_ACCEPTED_MARK) != std::string::npos;

    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);
    return accepted;
}
