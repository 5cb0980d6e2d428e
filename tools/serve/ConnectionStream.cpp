#include "tools/serve/ConnectionStream.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

namespace davserve {

namespace {

using Clock = std::chrono::steady_clock;

// Waits are cut into slices so that a stopping server is noticed quickly.
constexpr int kSliceMs = 50;
// A request's line, headers and body must keep arriving at least this often.
constexpr int kReadTimeoutMs = 10000;
// A client that accepts no data this long is given up.
constexpr int kWriteTimeoutMs = 30000;

void AddressOf(const sockaddr_storage& addr, std::string& ip, int& port) {
    char text[INET6_ADDRSTRLEN] = {};
    if (addr.ss_family == AF_INET) {
        const auto* in = reinterpret_cast<const sockaddr_in*>(&addr);
        inet_ntop(AF_INET, &in->sin_addr, text, sizeof(text));
        port = ntohs(in->sin_port);
    } else if (addr.ss_family == AF_INET6) {
        const auto* in6 = reinterpret_cast<const sockaddr_in6*>(&addr);
        inet_ntop(AF_INET6, &in6->sin6_addr, text, sizeof(text));
        port = ntohs(in6->sin6_port);
    }
    ip = text;
}

}  // namespace

ConnectionStream::ConnectionStream(int fd, const std::atomic<bool>& stopping)
    : m_fd(fd), m_stopping(stopping) {}

bool ConnectionStream::WaitFor(short events, int timeoutMs) const {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!m_stopping) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return false;
        pollfd p{m_fd, events, 0};
        int n = ::poll(&p, 1, static_cast<int>(std::min<int64_t>(left.count(), kSliceMs)));
        if (n > 0) return true;
        if (n < 0 && errno != EINTR) return false;
    }
    return false;
}

bool ConnectionStream::is_readable() const {
    return m_readStart < m_readEnd || WaitFor(POLLIN, kReadTimeoutMs);
}

bool ConnectionStream::is_writable() const {
    return !m_cut && WaitFor(POLLOUT, kWriteTimeoutMs);
}

bool ConnectionStream::WaitForRequest(double idleSeconds) {
    if (m_readStart < m_readEnd) return true;
    return WaitFor(POLLIN, static_cast<int>(idleSeconds * 1000));
}

ssize_t ConnectionStream::read(char* ptr, size_t size) {
    if (m_readStart == m_readEnd) {
        // The client may be waiting for what is held back (an interim "100 Continue").
        if (!Flush()) return -1;
        ssize_t n;
        do {
            if (!WaitFor(POLLIN, kReadTimeoutMs)) return -1;
            n = ::recv(m_fd, m_readBuffer.data(), m_readBuffer.size(), MSG_DONTWAIT);
        } while (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK));
        if (n <= 0) return n;
        m_readStart = 0;
        m_readEnd = static_cast<size_t>(n);
    }
    size_t n = std::min(size, m_readEnd - m_readStart);
    std::memcpy(ptr, m_readBuffer.data() + m_readStart, n);
    m_readStart += n;
    return static_cast<ssize_t>(n);
}

ssize_t ConnectionStream::write(const char* ptr, size_t size) {
    if (m_cut) return -1;
    if (m_skip > 0) {
        size_t n = static_cast<size_t>(std::min<uint64_t>(size, m_skip));
        m_skip -= n;
        return static_cast<ssize_t>(n);
    }
    size_t allowed = size;
    bool cutHere = false;
    if (m_limited && m_responseBytes + size >= m_limit) {
        allowed = static_cast<size_t>(m_limit - m_responseBytes);
        cutHere = true;
    }
    if (allowed > 0) {
        // Send what was held back and all but the last byte of this write; hold that one.
        if (!Send(ptr, allowed - 1)) return -1;
        m_held = ptr[allowed - 1];
        m_holding = true;
        Account(ptr, allowed);
    }
    if (cutHere) {
        m_cut = true;
        return -1;
    }
    return static_cast<ssize_t>(size);
}

bool ConnectionStream::Send(const char* ptr, size_t size) {
    iovec parts[2];
    parts[0] = iovec{&m_held, m_holding ? size_t{1} : size_t{0}};
    parts[1] = iovec{const_cast<char*>(ptr), size};
    int first = 0;
    while (first < 2) {
        if (parts[first].iov_len == 0) {
            ++first;
            continue;
        }
        msghdr message{};
        message.msg_iov = parts + first;
        message.msg_iovlen = static_cast<size_t>(2 - first);
        ssize_t n = ::sendmsg(m_fd, &message, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!WaitFor(POLLOUT, kWriteTimeoutMs)) return false;
            continue;
        }
        if (n <= 0) return false;
        for (size_t done = static_cast<size_t>(n); done > 0 && first < 2;) {
            size_t step = std::min(done, parts[first].iov_len);
            parts[first].iov_base = static_cast<char*>(parts[first].iov_base) + step;
            parts[first].iov_len -= step;
            done -= step;
            if (parts[first].iov_len == 0) ++first;
        }
    }
    m_holding = false;
    return true;
}

bool ConnectionStream::SendFileRange(int fileFd, uint64_t offset, uint64_t length) {
    if (length == 0) return true;
    if (!m_headersDone || m_limited || !Flush()) return false;
    off_t position = static_cast<off_t>(offset);
    uint64_t left = length - 1;  // the last byte is held back like any other
    while (left > 0) {
        ssize_t n = ::sendfile(m_fd, fileFd, &position,
                               static_cast<size_t>(std::min<uint64_t>(left, 1u << 30)));
        if (n > 0) {
            left -= static_cast<uint64_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!WaitFor(POLLOUT, kWriteTimeoutMs)) return false;
        } else {
            return false;  // an error, or the file became shorter
        }
    }
    if (::pread(fileFd, &m_held, 1, static_cast<off_t>(offset + length - 1)) != 1) return false;
    m_holding = true;
    m_responseBytes += length;
    m_skip += length;
    return true;
}

bool ConnectionStream::Flush() {
    if (!m_holding) return true;
    return Send(nullptr, 0);
}

void ConnectionStream::Account(const char* data, size_t n) {
    static const char kHeaderEnd[] = "\r\n\r\n";
    m_responseBytes += n;
    for (size_t i = 0; i < n && !m_headersDone; ++i) {
        if (m_responseStart.size() < 12) m_responseStart += data[i];
        if (data[i] == kHeaderEnd[m_headerEndMatch]) {
            ++m_headerEndMatch;
        } else {
            m_headerEndMatch = data[i] == '\r' ? 1 : 0;
        }
        if (m_headerEndMatch == 4) {
            uint64_t end = m_responseBytes - n + i + 1;
            m_headerEndMatch = 0;
            if (m_responseStart.compare(0, 10, "HTTP/1.1 1") == 0) {
                // An interim answer ("100 Continue"); the real one follows.
                m_responseStart.clear();
                m_responseBytes -= end;
                continue;
            }
            m_headersDone = true;
            m_headerBytes = end;
        }
    }
}

void ConnectionStream::BeginResponse() {
    m_responseBytes = 0;
    m_headerBytes = 0;
    m_headersDone = false;
    m_headerEndMatch = 0;
    m_responseStart.clear();
    m_limited = false;
    m_limit = 0;
    m_skip = 0;
    m_faultName.clear();
}

uint64_t ConnectionStream::BodyBytesSent() const {
    return m_headersDone ? m_responseBytes - m_headerBytes : 0;
}

void ConnectionStream::LimitResponseBytes(uint64_t bytes) {
    m_limited = true;
    m_limit = bytes;
}

bool ConnectionStream::Pause(double seconds) {
    if (!Flush()) return false;
    auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                        std::chrono::duration<double>(seconds));
    while (!m_stopping) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return true;
        // Only a closed or failed connection wakes this poll; pending input does not.
        pollfd p{m_fd, POLLRDHUP, 0};
        int n = ::poll(&p, 1, static_cast<int>(std::min<int64_t>(left.count(), kSliceMs)));
        if (n > 0 && (p.revents & (POLLRDHUP | POLLHUP | POLLERR))) return false;
    }
    return false;
}

void ConnectionStream::get_remote_ip_and_port(std::string& ip, int& port) const {
    sockaddr_storage addr{};
    socklen_t len = sizeof(addr);
    port = 0;
    if (::getpeername(m_fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
        AddressOf(addr, ip, port);
}

void ConnectionStream::get_local_ip_and_port(std::string& ip, int& port) const {
    sockaddr_storage addr{};
    socklen_t len = sizeof(addr);
    port = 0;
    if (::getsockname(m_fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
        AddressOf(addr, ip, port);
}

}  // namespace davserve
