// The update server as a file server: lengths, keep-alive, missing files, paths that try to
// leave the tree, the request log, stopping.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>
#include <thread>

#include "tests/support/UpdateServer.h"
#include "tests/tools/serve/HttpFetch.h"
#include "tests/tools/serve/ServeTree.h"

namespace servetest {
namespace {

using testsupport::UpdateServer;

class ServeFilesTest : public ::testing::Test {
protected:
    ServeTree tree;
    UpdateServer server{tree.Root()};
};

TEST_F(ServeFilesTest, ServesFilesWithTheirLength) {
    ASSERT_TRUE(server.Started());
    struct Case {
        const char* target;
        std::string body;
    } cases[] = {
        {"/data/a.txt", kHello},
        {"/data/pattern.bin", ServeTree::Pattern()},
        {"/data/with%20space.txt", "spaced\n"},
        {"/data/a.txt?20261211", kHello},  // a cache-busting query does not matter
        {"/empty.bin", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target);
        FetchResult result = Fetch(server.Url(c.target));
        EXPECT_EQ(result.code, CURLE_OK);
        EXPECT_EQ(result.status, 200);
        EXPECT_EQ(result.contentLength, static_cast<long long>(c.body.size()));
        EXPECT_EQ(result.body, c.body);
    }
}

TEST_F(ServeFilesTest, HeadGivesTheLengthWithoutTheBody) {
    ASSERT_TRUE(server.Started());
    FetchOptions head;
    head.head = true;
    FetchResult result = Fetch(server.Url("/data/pattern.bin"), head);
    EXPECT_EQ(result.code, CURLE_OK);
    EXPECT_EQ(result.status, 200);
    EXPECT_EQ(result.contentLength, 64 * 1024);
    EXPECT_EQ(result.body, "");
}

TEST_F(ServeFilesTest, KeepsTheConnectionAliveAcrossManyRequests) {
    ASSERT_TRUE(server.Started());
    HttpClient client;
    FetchResult first = client.Fetch(server.Url("/data/a.txt"));
    ASSERT_EQ(first.code, CURLE_OK);
    EXPECT_EQ(first.newConnections, 1);
    // More than the HTTP library's own per-connection limit of five.
    for (int i = 0; i < 12; ++i) {
        FetchResult next = client.Fetch(server.Url(i % 2 ? "/data/a.txt" : "/missing"));
        ASSERT_EQ(next.code, CURLE_OK) << i;
        EXPECT_EQ(next.newConnections, 0) << i;
        EXPECT_EQ(next.localPort, first.localPort) << i;
    }
}

TEST_F(ServeFilesTest, MissingFilesAndDirectoriesAre404) {
    ASSERT_TRUE(server.Started());
    for (const char* target : {"/missing.txt", "/data", "/data/", "/", "/data/a.txt/x"}) {
        FetchResult result = Fetch(server.Url(target));
        EXPECT_EQ(result.code, CURLE_OK) << target;
        EXPECT_EQ(result.status, 404) << target;
        EXPECT_GE(result.contentLength, 0) << target;
    }
}

TEST_F(ServeFilesTest, PathsLeavingTheTreeAreRefused) {
    ASSERT_TRUE(server.Started());
    FetchOptions asIs;
    asIs.pathAsIs = true;
    struct Case {
        const char* target;
        long status;
    } cases[] = {
        {"/../secret.txt", 403},
        {"/data/../../secret.txt", 403},
        {"/%2e%2e/secret.txt", 403},
        {"/data/%2E%2E/%2e%2e/secret.txt", 403},
        {"/..%2fsecret.txt", 403},
        {"/link-out.txt", 403},   // a symbolic link out of the tree
        {"/data/%zz.txt", 400},   // malformed escape
        {"/data/a.txt%00", 400},  // encoded NUL
    };
    for (const Case& c : cases) {
        FetchResult result = Fetch(server.Url(c.target), asIs);
        EXPECT_EQ(result.code, CURLE_OK) << c.target;
        EXPECT_EQ(result.status, c.status) << c.target;
        EXPECT_EQ(result.body.find("secret"), std::string::npos) << c.target;
    }
    // ".." inside a name is no climb.
    testsupport::WriteFile(tree.Root() + "/data/a..b", "dots");
    EXPECT_EQ(Fetch(server.Url("/data/a..b")).body, "dots");
}

TEST_F(ServeFilesTest, RangeRequestsGetPartialContent) {
    ASSERT_TRUE(server.Started());
    CURL* curl = curl_easy_init();
    std::string body;
    curl_easy_setopt(curl, CURLOPT_URL, server.Url("/data/pattern.bin").c_str());
    curl_easy_setopt(curl, CURLOPT_RANGE, "100-199");
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION,
                     +[](char* d, size_t s, size_t n, void* u) {
                         static_cast<std::string*>(u)->append(d, s * n);
                         return s * n;
                     });
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    EXPECT_EQ(curl_easy_perform(curl), CURLE_OK);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(curl);
    EXPECT_EQ(status, 206);
    EXPECT_EQ(body, ServeTree::Pattern().substr(100, 100));
}

TEST_F(ServeFilesTest, RequestLogHasOneLinePerRequest) {
    ASSERT_TRUE(server.Started());
    Fetch(server.Url("/data/a.txt?123"));
    FetchOptions head;
    head.head = true;
    Fetch(server.Url("/data/with%20space.txt"), head);
    Fetch(server.Url("/nothing"));
    // Each line is written before the client sees its answer end: no waiting needed.
    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(server.RequestLogLines()[0], "GET /data/a.txt?123 200 12 -");
    EXPECT_EQ(requests[0].path, "/data/a.txt");
    EXPECT_EQ(requests[1].method, "HEAD");
    EXPECT_EQ(requests[1].target, "/data/with%20space.txt");
    EXPECT_EQ(requests[1].path, "/data/with space.txt");
    EXPECT_EQ(requests[1].bodyBytes, 0u);
    EXPECT_EQ(requests[2].status, 404);
    EXPECT_EQ(requests[2].fault, "");
}

TEST_F(ServeFilesTest, AStalledAnswerDoesNotHoldUpOthers) {
    ASSERT_TRUE(server.Started());
    server.SetFaults({"/data/five.txt=stall"});
    std::thread stalled([&] {
        FetchOptions quick;
        quick.timeoutMs = 400;
        EXPECT_EQ(Fetch(server.Url("/data/five.txt"), quick).code, CURLE_OPERATION_TIMEDOUT);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    FetchResult other = Fetch(server.Url("/data/a.txt"));
    EXPECT_EQ(other.code, CURLE_OK);
    EXPECT_LT(other.seconds, 0.5);
    stalled.join();
}

TEST_F(ServeFilesTest, StopsCleanlyOnRequest) {
    ASSERT_TRUE(server.Started());
    std::string url = server.Url("/data/a.txt");
    EXPECT_EQ(Fetch(url).code, CURLE_OK);
    EXPECT_TRUE(server.Stop());
    EXPECT_EQ(Fetch(url).code, CURLE_COULDNT_CONNECT);
    EXPECT_NE(server.Output().find("listening on http://127.0.0.1:"), std::string::npos);
}

TEST(ServeRefusedPortTest, NothingListensThere) {
    testsupport::RefusedPort port;
    ASSERT_GT(port.Port(), 0);
    EXPECT_EQ(Fetch(port.BaseUrl() + "/x").code, CURLE_COULDNT_CONNECT);
}

// Runs dav-serve with arguments and returns its exit status; output receives what it wrote.
int RunServe(const std::string& arguments, std::string& output) {
    std::string command =
        std::string(std::getenv("DAV_BIN_DIR")) + "/dav-serve " + arguments + " 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0) output.append(buffer, n);
    int status = ::pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(ServeCommandLineTest, HelpAndMistakes) {
    struct Case {
        const char* arguments;
        int status;
        const char* says;
    } cases[] = {
        {"--help", 0, "DIRECTIVES: PATH=KIND[:ARG][:times=K]"},
        {"--port 70000", 2, "--port needs a number"},
        {"--bogus", 2, "unknown option --bogus"},
        {"--fault /a=explode", 2, "unknown fault \"explode\""},
        {"--fault /a=truncate", 2, "truncate needs a byte count"},
        {"--fault /a=trickle:0", 2, "trickle needs a positive number of seconds"},
        {"--fault /a=500:times=0", 2, "times= needs a positive count"},
        {"/no/such/dir", 2, "is not a directory"},
    };
    for (const Case& c : cases) {
        std::string output;
        EXPECT_EQ(RunServe(c.arguments, output), c.status) << c.arguments;
        EXPECT_NE(output.find(c.says), std::string::npos) << c.arguments << ": " << output;
    }
}

}  // namespace
}  // namespace servetest
