// The analytics service of the update server: records kept byte for byte, the three
// fields split as the unencoded form requires, the reply, faults on the service.

#include <gtest/gtest.h>

#include "tests/support/UpdateServer.h"
#include "tests/tools/serve/HttpFetch.h"
#include "tests/tools/serve/ServeTree.h"

namespace servetest {
namespace {

using testsupport::UpdateServer;

constexpr const char* kServicePath = "/vx-bi-log-service/UploadHttpServlet";

FetchResult Post(const UpdateServer& server, const std::string& body) {
    FetchOptions options;
    options.postBody = body;
    return Fetch(server.Url(kServicePath), options);
}

TEST(ServeAnalyticsTest, StoresEachPostWithItsFields) {
    ServeTree tree;
    UpdateServer server(tree.Root());
    ASSERT_TRUE(server.Started());
    // A record with control separators, blanks, colons, Korean text, "&" and "=" in the
    // event detail, and a byte that is not UTF-8.
    const std::string record = std::string("2026-12-11 10:00:00\x01") + "dev\x01" +
                               "LE_GamePatchFail\x01" + "\xea\xb2\x8c\xec\x9e\x84 a&b=c&log=d" +
                               "\x01\xff\x01\"quoted\\\"\t";
    struct Case {
        std::string body;
        std::string appkey, type, log;
        bool complete;
    } cases[] = {
        {"appkey=5290317462905&type=adevent&log=" + record, "5290317462905", "adevent", record,
         true},
        {"appkey=1&type=adevent&log=", "1", "adevent", "", true},
        {"appkey=k&type=t&type=u&log=x&log=y", "k", "t&type=u", "x&log=y", true},
        {"appkey=k&kind=x", "k&kind=x", "", "", false},
        {"not a form", "", "", "", false},
    };
    for (const Case& c : cases) {
        FetchResult reply = Post(server, c.body);
        EXPECT_EQ(reply.code, CURLE_OK);
        EXPECT_EQ(reply.status, 200);
        EXPECT_EQ(reply.body, "0");
    }
    auto records = server.AnalyticsRecords();
    ASSERT_EQ(records.size(), std::size(cases));
    for (size_t i = 0; i < records.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(records[i].body, cases[i].body);
        EXPECT_EQ(records[i].complete, cases[i].complete);
        EXPECT_EQ(records[i].appkey, cases[i].appkey);
        EXPECT_EQ(records[i].type, cases[i].type);
        if (i != 0) {
            EXPECT_EQ(records[i].log, cases[i].log);
        }
    }
    // The JSON text replaces the byte that is not UTF-8; body keeps it exactly.
    std::string readable = record;
    readable.replace(readable.find('\xff'), 1, "\xef\xbf\xbd");
    EXPECT_EQ(records[0].log, readable);
    auto requests = server.WaitForRequests(std::size(cases));
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].target, kServicePath);
    EXPECT_EQ(requests[0].bodyBytes, 1u);
}

TEST(ServeAnalyticsTest, ReplyCanBeSetAndFaultsApplyToTheService) {
    ServeTree tree;
    testsupport::UpdateServerOptions options;
    options.analyticsReply = "ok";
    UpdateServer server(tree.Root(), options);
    ASSERT_TRUE(server.Started());
    EXPECT_EQ(Post(server, "appkey=1&type=adevent&log=a").body, "ok");

    server.SetFaults({std::string(kServicePath) + "=500:times=1",
                      std::string(kServicePath) + "=body:{\"code\":0}:times=1"});
    EXPECT_EQ(Post(server, "appkey=1&type=adevent&log=b").status, 500);
    EXPECT_EQ(Post(server, "appkey=1&type=adevent&log=c").body, "{\"code\":0}");
    EXPECT_EQ(Post(server, "appkey=1&type=adevent&log=d").body, "ok");
    // A post that got a fault was still received whole.
    auto records = server.AnalyticsRecords();
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[1].log, "b");
}

TEST(ServeAnalyticsTest, PostsElsewhereAreNotStored) {
    ServeTree tree;
    UpdateServer server(tree.Root());
    ASSERT_TRUE(server.Started());
    FetchOptions options;
    options.postBody = "appkey=1&type=adevent&log=x";
    EXPECT_EQ(Fetch(server.Url("/vx-bi-log-service/Other"), options).status, 404);
    EXPECT_TRUE(server.AnalyticsRecords().empty());
}

}  // namespace
}  // namespace servetest
