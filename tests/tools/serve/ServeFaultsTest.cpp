// Fault injection: every kind once, use counts, the directives file changing while the
// server runs, and faults from the command line.

#include <gtest/gtest.h>

#include <functional>

#include "tests/support/UpdateServer.h"
#include "tests/tools/serve/HttpFetch.h"
#include "tests/tools/serve/ServeTree.h"

namespace servetest {
namespace {

using testsupport::UpdateServer;

// Client time-out for faults that never finish by themselves.
constexpr long kShortTimeoutMs = 300;

class ServeFaultsTest : public ::testing::Test {
protected:
    ServeTree tree;
    UpdateServer server{tree.Root()};
};

struct FaultCase {
    const char* directive;   // applied to /data/pattern.bin unless it names its own path
    const char* fetched;
    long timeoutMs;
    CURLcode code;
    long status;
    std::function<void(const FetchResult&)> check;
    const char* logFault;
    long long loggedBytes;   // -1: not checked
};

std::string Inverted(std::string bytes, std::initializer_list<size_t> offsets) {
    for (size_t offset : offsets) bytes[offset] = static_cast<char>(~bytes[offset]);
    return bytes;
}

TEST_F(ServeFaultsTest, EachKindOfFault) {
    ASSERT_TRUE(server.Started());
    const std::string pattern = ServeTree::Pattern();
    const long long full = static_cast<long long>(pattern.size());
    const FaultCase cases[] = {
        {"/data/pattern.bin=500", "/data/pattern.bin", 5000, CURLE_OK, 500,
         [](const FetchResult& r) { EXPECT_EQ(r.body, "fault 500\n"); }, "500", 10},
        {"/data/pattern.bin=404", "/data/pattern.bin", 5000, CURLE_OK, 404,
         [](const FetchResult&) {}, "404", -1},
        {"/data/pattern.bin=redirect:/data/other.txt", "/data/pattern.bin", 5000, CURLE_OK, 200,
         [](const FetchResult& r) {
             EXPECT_EQ(r.redirects, 1);
             EXPECT_EQ(r.body, "other\n");
         },
         "redirect", 0},
        {"/data/pattern.bin=nolength", "/data/pattern.bin", 5000, CURLE_OK, 200,
         [&](const FetchResult& r) {
             EXPECT_EQ(r.contentLength, -1);
             EXPECT_TRUE(r.HasHeader("Transfer-Encoding: chunked"));
             EXPECT_EQ(r.body, pattern);
         },
         "nolength", -1},
        {"/data/pattern.bin=nolength:close", "/data/pattern.bin", 5000, CURLE_OK, 200,
         [&](const FetchResult& r) {
             EXPECT_EQ(r.contentLength, -1);
             EXPECT_FALSE(r.HasHeader("Transfer-Encoding: chunked"));
             EXPECT_TRUE(r.HasHeader("Connection: close"));
             EXPECT_EQ(r.body, pattern);
         },
         "nolength", full},
        {"/data/pattern.bin=truncate:1000", "/data/pattern.bin", 5000, CURLE_PARTIAL_FILE, 200,
         [&](const FetchResult& r) {
             EXPECT_EQ(r.contentLength, full);
             EXPECT_EQ(r.body, pattern.substr(0, 1000));
         },
         "truncate", 1000},
        {"/data/pattern.bin=close:0", "/data/pattern.bin", 5000, CURLE_GOT_NOTHING, 0,
         [](const FetchResult& r) { EXPECT_EQ(r.headers, ""); }, "close", 0},
        {"/data/pattern.bin=close:200", "/data/pattern.bin", 5000, CURLE_PARTIAL_FILE, 200,
         [&](const FetchResult& r) {
             EXPECT_EQ(r.headers.size() + r.body.size(), 200u);  // status line counts
             EXPECT_EQ(r.body, pattern.substr(0, r.body.size()));
         },
         "close", -1},
        {"/data/pattern.bin=stall", "/data/pattern.bin", kShortTimeoutMs,
         CURLE_OPERATION_TIMEDOUT, 200,
         [&](const FetchResult& r) {
             EXPECT_EQ(r.contentLength, full);
             EXPECT_EQ(r.body, "");
         },
         "stall", 0},
        {"/data/pattern.bin=stall:10", "/data/pattern.bin", kShortTimeoutMs,
         CURLE_OPERATION_TIMEDOUT, 200,
         [&](const FetchResult& r) { EXPECT_EQ(r.body, pattern.substr(0, 10)); }, "stall", 10},
        {"/data/five.txt=trickle:0.05", "/data/five.txt", 5000, CURLE_OK, 200,
         [](const FetchResult& r) {
             EXPECT_EQ(r.body, "12345");
             EXPECT_GE(r.seconds, 4 * 0.05 - 0.01);  // four pauses between five bytes
         },
         "trickle", 5},
        {"/data/pattern.bin=trickle:5", "/data/pattern.bin", kShortTimeoutMs,
         CURLE_OPERATION_TIMEDOUT, 200,
         [&](const FetchResult& r) { EXPECT_EQ(r.body, pattern.substr(0, 1)); }, "trickle", 1},
        {"/data/a.txt=delay:0.2", "/data/a.txt", 5000, CURLE_OK, 200,
         [](const FetchResult& r) {
             EXPECT_EQ(r.body, kHello);
             EXPECT_GE(r.seconds, 0.19);
         },
         "delay", 12},
        {"/data/pattern.bin=flip:0,5,65535", "/data/pattern.bin", 5000, CURLE_OK, 200,
         [&](const FetchResult& r) { EXPECT_EQ(r.body, Inverted(pattern, {0, 5, 65535})); },
         "flip", full},
        {"/data/pattern.bin=body:{\"code\":0}", "/data/pattern.bin", 5000, CURLE_OK, 200,
         [](const FetchResult& r) { EXPECT_EQ(r.body, "{\"code\":0}"); }, "body", 10},
    };
    size_t logged = 0;
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(c.directive);
        server.SetFaults({c.directive});
        FetchOptions options;
        options.timeoutMs = c.timeoutMs;
        options.followRedirects = true;
        FetchResult result = Fetch(server.Url(c.fetched), options);
        EXPECT_EQ(result.code, c.code) << curl_easy_strerror(result.code);
        EXPECT_EQ(result.status, c.status);
        c.check(result);
        // A followed redirect logs two requests; the faulty one comes first.
        logged += result.redirects + 1;
        auto requests = server.WaitForRequests(logged);
        ASSERT_EQ(requests.size(), logged);
        const auto& faulty = requests[logged - 1 - result.redirects];
        EXPECT_EQ(faulty.fault, c.logFault);
        if (c.loggedBytes >= 0) {
            EXPECT_EQ(static_cast<long long>(faulty.bodyBytes), c.loggedBytes);
        }
    }
}

TEST_F(ServeFaultsTest, TimesLimitsAFaultAndLaterDirectivesTakeOver) {
    ASSERT_TRUE(server.Started());
    server.SetFaults({"/data/a.txt=500:times=2", "/data/a.txt=truncate:3:times=1"});
    const std::string url = server.Url("/data/a.txt");
    EXPECT_EQ(Fetch(url).status, 500);
    EXPECT_EQ(Fetch(url).status, 500);
    EXPECT_EQ(Fetch(url).code, CURLE_PARTIAL_FILE);
    FetchResult healthy = Fetch(url);
    EXPECT_EQ(healthy.code, CURLE_OK);
    EXPECT_EQ(healthy.body, kHello);

    // The same list again counts afresh.
    server.SetFaults({"/data/a.txt=500:times=2", "/data/a.txt=truncate:3:times=1"});
    EXPECT_EQ(Fetch(url).status, 500);
}

TEST_F(ServeFaultsTest, DirectivesChangeWhileTheServerRuns) {
    ASSERT_TRUE(server.Started());
    const std::string url = server.Url("/data/a.txt");
    HttpClient client;  // one kept-alive connection throughout
    EXPECT_EQ(client.Fetch(url).status, 200);
    server.SetFaults({"/data/a.txt=503"});
    EXPECT_EQ(client.Fetch(url).status, 503);
    EXPECT_EQ(client.Fetch(url).status, 503);
    server.ClearFaults();
    EXPECT_EQ(client.Fetch(url).status, 200);
}

TEST_F(ServeFaultsTest, PathsPrefixesAndQueries) {
    ASSERT_TRUE(server.Started());
    server.SetFaults({"/data/*=404", "/empty.bin=500"});
    EXPECT_EQ(Fetch(server.Url("/data/a.txt?123")).status, 404);
    EXPECT_EQ(Fetch(server.Url("/data/with%20space.txt")).status, 404);
    EXPECT_EQ(Fetch(server.Url("/empty.bin?x=1")).status, 500);
    EXPECT_EQ(Fetch(server.Url("/link-out.txt")).status, 403);
    // A path may hold "=": it ends where a valid fault follows.
    server.SetFaults({"/data/x=y.txt=500"});
    EXPECT_EQ(Fetch(server.Url("/data/x=y.txt")).status, 500);
}

TEST(ServeFaultsCommandLineTest, CommandLineFaultsComeAfterTheFile) {
    ServeTree tree;
    testsupport::UpdateServerOptions options;
    options.faults = {"/data/a.txt=500:times=1", "/data/with space.txt=truncate:2"};
    UpdateServer server(tree.Root(), options);
    ASSERT_TRUE(server.Started());
    server.SetFaults({"/data/a.txt=404:times=1"});
    EXPECT_EQ(Fetch(server.Url("/data/a.txt")).status, 404);
    EXPECT_EQ(Fetch(server.Url("/data/a.txt")).status, 500);
    EXPECT_EQ(Fetch(server.Url("/data/a.txt")).status, 200);
    EXPECT_EQ(Fetch(server.Url("/data/with%20space.txt")).code, CURLE_PARTIAL_FILE);
}

TEST_F(ServeFaultsTest, BadDirectiveLinesAreReportedAndSkipped) {
    ASSERT_TRUE(server.Started());
    server.SetFaults({"/data/a.txt=explode", "no-slash=500", "/data/five.txt=500"});
    EXPECT_EQ(Fetch(server.Url("/data/a.txt")).status, 200);
    EXPECT_EQ(Fetch(server.Url("/data/five.txt")).status, 500);
    EXPECT_NE(server.ErrorOutput().find("unknown fault \"explode\""), std::string::npos);
}

}  // namespace
}  // namespace servetest
