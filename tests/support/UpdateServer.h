#pragma once
// The update server (build/bin/dav-serve) for network tests. An UpdateServer starts it on a
// free port of 127.0.0.1 serving a directory, lets the test read what it recorded and
// change its faults while it runs, and stops it when destroyed:
//
//   testsupport::UpdateServer server(tree.Path());
//   ASSERT_TRUE(server.Started());
//   server.SetFaults({"/VELDMOR/AutoPatch/AutoPatch.ini=500:times=2"});
//   ... download server.Url("/VELDMOR/AutoPatch/AutoPatch.ini") ...
//   auto requests = server.WaitForRequests(3);
//   EXPECT_EQ(requests[2].status, 200);
//
// Fault directives are PATH=KIND[:ARG][:times=K] ("dav-serve --help" lists the kinds: 404,
// 500, redirect:LOCATION, nolength[:chunked|close], truncate:N, close:N, stall[:N],
// trickle:SECONDS, delay:SECONDS, flip:OFFSETS, body:TEXT). PATH is the decoded request
// path without the query; a final "*" makes it a prefix.
//
// A request's log line is in the log before the client can see its answer end (complete,
// or cut by the server closing), so Requests() right after a transfer includes it. Only an
// answer the client abandons (a stall or trickle ended by a client time-out) is logged when
// the server notices; read those with WaitForRequests(n). Analytics records are stored
// before the answer is sent.

#include <cstdint>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

#include "tests/support/TempDir.h"

namespace testsupport {

// One line of the server's request log.
struct ServedRequest {
    std::string method;      // "GET", "HEAD", "POST"
    std::string target;      // as received: path and query, percent-encoded
    std::string path;        // the target's path, percent-decoded, without the query
    int status = 0;
    uint64_t bodyBytes = 0;  // body bytes sent (after the headers; chunk framing counts)
    std::string fault;       // the KIND word of the fault applied, "" for none
};

// One analytics post as the server stored it.
struct AnalyticsRecord {
    std::string body;    // the exact bytes posted
    std::string appkey;  // from "appkey=" to the first "&type="
    std::string type;    // to the first "&log="
    std::string log;     // everything after it
    bool complete = false;  // all three markers were present
};

struct UpdateServerOptions {
    std::vector<std::string> faults;           // --fault directives for the whole run
    std::string analyticsReply = "0";          // body of the answer to analytics posts
    std::vector<std::string> extraArguments;   // further dav-serve options
};

class UpdateServer {
public:
    // Time the server gets to start or stop, and WaitForRequests' default wait.
    static constexpr int kStartStopTimeoutMs = 10000;
    static constexpr int kWaitTimeoutMs = 5000;

    // Starts $DAV_BIN_DIR/dav-serve serving root and waits until it listens. A failure to
    // start is reported as a test failure (with the server's error output) and leaves
    // Started() false.
    explicit UpdateServer(const std::string& root, UpdateServerOptions options = {});
    // Stops the server if it still runs. A sanitizer report in the server's error output
    // is a test failure.
    ~UpdateServer();
    UpdateServer(const UpdateServer&) = delete;
    UpdateServer& operator=(const UpdateServer&) = delete;

    bool Started() const { return m_port > 0; }
    int Port() const { return m_port; }
    // "http://127.0.0.1:PORT", without a final "/".
    std::string BaseUrl() const;
    // BaseUrl() followed by path (which begins with "/").
    std::string Url(const std::string& path) const;

    // Replaces the faults of the directives file with these directives; the next request
    // sees them, and every times= count starts afresh (even for an identical list).
    // Faults given in the options stay in force after these.
    void SetFaults(const std::vector<std::string>& directives);
    void ClearFaults() { SetFaults({}); }

    // The request log as it is now.
    std::vector<ServedRequest> Requests() const;
    // The request log once it has at least count lines, or as it is after timeoutMs.
    std::vector<ServedRequest> WaitForRequests(size_t count,
                                               int timeoutMs = kWaitTimeoutMs) const;
    // The raw lines of the request log ("METHOD TARGET STATUS BYTES FAULT").
    std::vector<std::string> RequestLogLines() const;
    // The analytics posts stored so far, in order.
    std::vector<AnalyticsRecord> AnalyticsRecords() const;

    // Asks the server to stop (SIGTERM) and waits for it; true when it exited with status 0.
    // Killed when it does not end in time.
    bool Stop();

    // What the server wrote to standard output and standard error so far.
    std::string Output() const;
    std::string ErrorOutput() const;

private:
    bool Start(const std::string& root, const UpdateServerOptions& options);

    TempDir m_work;
    pid_t m_pid = -1;
    int m_port = 0;
    unsigned m_faultGeneration = 0;
};

// A port of 127.0.0.1 with nothing listening: connections to it are refused. The port is
// held (bound, not listening) for the object's lifetime so that nothing else takes it.
class RefusedPort {
public:
    RefusedPort();
    ~RefusedPort();
    RefusedPort(const RefusedPort&) = delete;
    RefusedPort& operator=(const RefusedPort&) = delete;

    int Port() const { return m_port; }
    // "http://127.0.0.1:PORT", without a final "/".
    std::string BaseUrl() const;

private:
    int m_fd = -1;
    int m_port = 0;
};

}  // namespace testsupport
