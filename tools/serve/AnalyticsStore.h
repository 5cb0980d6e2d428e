#pragma once
// The analytics service's side: where posts arrive, how their form is split, and the file
// that keeps one JSON object per post.

#include <mutex>
#include <string>

namespace davserve {

inline constexpr const char* kAnalyticsPath = "/vx-bi-log-service/UploadHttpServlet";

// The three fields of "appkey=%s&type=%s&log=%s". The body is not percent-encoded, so
// appkey runs from "appkey=" to the first "&type=", type from there to the first "&log=",
// and log is everything after it (it may hold "&" and "=" itself). complete is false when
// a marker is missing; the fields after it are then empty.
struct AnalyticsFields {
    std::string appkey;
    std::string type;
    std::string log;
    bool complete = false;
};
AnalyticsFields SplitAnalyticsBody(const std::string& body);

// One record as a JSON object on one line (no line end): time (UTC, ISO 8601), appkey,
// type, log, complete, body and body_base64 (the exact bytes).
std::string AnalyticsRecordJson(const std::string& body, const std::string& time);

class AnalyticsStore {
public:
    AnalyticsStore() = default;
    ~AnalyticsStore();
    AnalyticsStore(const AnalyticsStore&) = delete;
    AnalyticsStore& operator=(const AnalyticsStore&) = delete;

    // Appends to path (created when missing); "" writes to standard output. False with the
    // reason in error when the file cannot be opened.
    bool Open(const std::string& path, std::string& error);

    // Appends the record of one post with a single write. Safe from any thread.
    void Store(const std::string& body);

private:
    std::mutex m_mutex;
    int m_fd = 1;
    bool m_owned = false;
};

}  // namespace davserve
