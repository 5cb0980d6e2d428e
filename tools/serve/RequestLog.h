#pragma once
// The request log: one line per answered request, written with a single append as soon as
// the answer has ended, so readers see whole lines while the server runs:
//   METHOD TARGET STATUS BODY-BYTES-SENT FAULT
// TARGET is the request target as received (path and query, still percent-encoded);
// BODY-BYTES-SENT counts body bytes only; FAULT is the fault's KIND word or "-".

#include <cstdint>
#include <mutex>
#include <string>

namespace davserve {

class RequestLog {
public:
    RequestLog() = default;
    ~RequestLog();
    RequestLog(const RequestLog&) = delete;
    RequestLog& operator=(const RequestLog&) = delete;

    // Appends to path (created when missing); "" writes to standard output. False with the
    // reason in error when the file cannot be opened.
    bool Open(const std::string& path, std::string& error);

    // Writes one line. Safe from any thread.
    void Write(const std::string& method, const std::string& target, int status,
               uint64_t bodyBytes, const std::string& fault);

private:
    std::mutex m_mutex;
    int m_fd = 1;
    bool m_owned = false;
};

// The log line without its line end.
std::string FormatRequestLine(const std::string& method, const std::string& target, int status,
                              uint64_t bodyBytes, const std::string& fault);

// Appends data to fd in full (retrying short writes); false on an error.
bool AppendAll(int fd, const std::string& data);

}  // namespace davserve
