#include "tools/serve/RequestLog.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace davserve {

bool AppendAll(int fd, const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

std::string FormatRequestLine(const std::string& method, const std::string& target, int status,
                              uint64_t bodyBytes, const std::string& fault) {
    return method + " " + (target.empty() ? "-" : target) + " " + std::to_string(status) + " " +
           std::to_string(bodyBytes) + " " + (fault.empty() ? "-" : fault);
}

RequestLog::~RequestLog() {
    if (m_owned) ::close(m_fd);
}

bool RequestLog::Open(const std::string& path, std::string& error) {
    if (path.empty()) return true;
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = "cannot open request log " + path + ": " + std::strerror(errno);
        return false;
    }
    m_fd = fd;
    m_owned = true;
    return true;
}

void RequestLog::Write(const std::string& method, const std::string& target, int status,
                       uint64_t bodyBytes, const std::string& fault) {
    std::string line = FormatRequestLine(method, target, status, bodyBytes, fault) + "\n";
    std::lock_guard<std::mutex> lock(m_mutex);
    AppendAll(m_fd, line);
}

}  // namespace davserve
