#include "tools/serve/AnalyticsStore.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

#include "tools/serve/JsonText.h"
#include "tools/serve/RequestLog.h"

namespace davserve {

namespace {

std::string UtcNow() {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    ::gmtime_r(&now, &tm);
    char text[32];
    std::strftime(text, sizeof(text), "%Y-%m-%dT%H:%M:%SZ", &tm);
    return text;
}

}  // namespace

AnalyticsFields SplitAnalyticsBody(const std::string& body) {
    static const std::string kAppkey = "appkey=";
    static const std::string kType = "&type=";
    static const std::string kLog = "&log=";
    AnalyticsFields fields;
    size_t appkey = body.find(kAppkey);
    if (appkey == std::string::npos) return fields;
    appkey += kAppkey.size();
    size_t type = body.find(kType, appkey);
    if (type == std::string::npos) {
        fields.appkey = body.substr(appkey);
        return fields;
    }
    fields.appkey = body.substr(appkey, type - appkey);
    type += kType.size();
    size_t log = body.find(kLog, type);
    if (log == std::string::npos) {
        fields.type = body.substr(type);
        return fields;
    }
    fields.type = body.substr(type, log - type);
    fields.log = body.substr(log + kLog.size());
    fields.complete = true;
    return fields;
}

std::string AnalyticsRecordJson(const std::string& body, const std::string& time) {
    AnalyticsFields fields = SplitAnalyticsBody(body);
    return "{\"time\":" + JsonString(time) + ",\"appkey\":" + JsonString(fields.appkey) +
           ",\"type\":" + JsonString(fields.type) + ",\"log\":" + JsonString(fields.log) +
           ",\"complete\":" + (fields.complete ? "true" : "false") +
           ",\"body\":" + JsonString(body) + ",\"body_base64\":\"" + Base64(body) + "\"}";
}

AnalyticsStore::~AnalyticsStore() {
    if (m_owned) ::close(m_fd);
}

bool AnalyticsStore::Open(const std::string& path, std::string& error) {
    if (path.empty()) return true;
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = "cannot open analytics file " + path + ": " + std::strerror(errno);
        return false;
    }
    m_fd = fd;
    m_owned = true;
    return true;
}

void AnalyticsStore::Store(const std::string& body) {
    std::string line = AnalyticsRecordJson(body, UtcNow()) + "\n";
    std::lock_guard<std::mutex> lock(m_mutex);
    AppendAll(m_fd, line);
}

}  // namespace davserve
