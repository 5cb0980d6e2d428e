#pragma once
// One client connection as the HTTP library's stream: reads through a buffer, writes all
// it is given, and knows what was sent of the current response. The fault injector uses it
// to cut a response after a number of bytes, to pause while watching for the client leaving,
// and to ask for the connection to end after the response.
//
// The last byte written is held back until the next write, a pause or Flush, so that the
// request log line (written when the library has handed over the whole answer) is in the
// log before the client can see the answer end.

#include <httplib.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

namespace davserve {

class ConnectionStream : public httplib::Stream {
public:
    // fd: the accepted socket (not owned). stopping: set when the server shuts down; every
    // wait gives up soon after it is set.
    ConnectionStream(int fd, const std::atomic<bool>& stopping);

    bool is_readable() const override;
    bool is_writable() const override;
    ssize_t read(char* ptr, size_t size) override;
    ssize_t write(const char* ptr, size_t size) override;
    void get_remote_ip_and_port(std::string& ip, int& port) const override;
    void get_local_ip_and_port(std::string& ip, int& port) const override;
    socket_t socket() const override { return m_fd; }

    // Waits up to idleSeconds for the next request to begin; false when none came, the
    // client closed the connection or the server is stopping.
    bool WaitForRequest(double idleSeconds);

    // Starts the accounting of a new response and clears its per-response settings.
    void BeginResponse();
    // Body bytes of the current response sent so far (status line and headers excluded).
    uint64_t BodyBytesSent() const;

    // Lets only `bytes` bytes of the current response (status line and headers included)
    // out; writes beyond fail and WasCut turns true, after which the connection is ended.
    void LimitResponseBytes(uint64_t bytes);
    // True once such a limit cut the connection.
    bool WasCut() const { return m_cut; }

    // Asks for the connection to close once the current response is out.
    void RequestClose() { m_closeAfterResponse = true; }
    bool CloseRequested() const { return m_closeAfterResponse; }

    // The name of the fault applied to the current response ("" none), for the request log.
    void SetFaultName(const std::string& name) { m_faultName = name; }
    const std::string& FaultName() const { return m_faultName; }

    // Sends length body bytes of the open file fileFd from offset without copying them
    // through memory. The library must then be handed exactly length bytes to write (any
    // content): those writes only advance its count. False when the connection or the file
    // failed, or when the headers are not out yet or a byte limit is set.
    bool SendFileRange(int fileFd, uint64_t offset, uint64_t length);

    // Sends the byte held back; false when the connection failed.
    bool Flush();

    // Sends what is held back, then waits up to seconds; false as soon as the client has
    // closed its side or the server is stopping (true when the whole time passed).
    bool Pause(double seconds);

private:
    bool WaitFor(short events, int timeoutMs) const;
    // Sends the held byte, then size bytes from ptr; false when the connection failed.
    bool Send(const char* ptr, size_t size);
    void Account(const char* data, size_t n);

    int m_fd;
    const std::atomic<bool>& m_stopping;
    std::array<char, 16384> m_readBuffer{};
    size_t m_readStart = 0;
    size_t m_readEnd = 0;
    char m_held = 0;
    bool m_holding = false;

    uint64_t m_responseBytes = 0;
    uint64_t m_headerBytes = 0;     // length of the status line and headers once complete
    bool m_headersDone = false;
    int m_headerEndMatch = 0;       // how much of "\r\n\r\n" the last bytes matched
    std::string m_responseStart;    // first bytes, to tell an interim "100 Continue"
    bool m_limited = false;
    uint64_t m_limit = 0;
    bool m_cut = false;
    uint64_t m_skip = 0;            // bytes of library writes already sent by SendFileRange
    bool m_closeAfterResponse = false;
    std::string m_faultName;
};

}  // namespace davserve
