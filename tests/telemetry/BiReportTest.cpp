#include "telemetry/BiReport.h"

#include "platform/Registry.h"
#include "telemetry/BiTimeouts.h"
#include "tests/support/Faults.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tests/support/UpdateServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <regex>
#include <thread>

namespace {

using platform::RegistryHive;
using platform::RegistryKey;
using testsupport::ReadFile;
using testsupport::WriteFile;

constexpr const char* kUploadPath = "/vx-bi-log-service/UploadHttpServlet";
const std::string kDeviceId =
    "UNITYPC\x02" "0123456789abcdef0123456789abcdef01234567" "\x02" "12345678-9abc-def0-1122-334455667788";

std::vector<std::string> SplitFields(const std::string& log) {
    std::vector<std::string> fields(1);
    for (char c : log) {
        if (c == '\x01')
            fields.emplace_back();
        else
            fields.back() += c;
    }
    return fields;
}

size_t CountOccurrences(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t pos = text.find(part); pos != std::string::npos; pos = text.find(part, pos + 1)) ++n;
    return n;
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A launcher directory as the current directory, a registry holding a device identifier,
// an update server taking analytics posts, and short time limits.
class BiReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_server.Started());
        PointAt(m_server.BaseUrl());
        RegistryKey key;
        ASSERT_TRUE(key.Create(RegistryHive::CurrentUser, "SOFTWARE\\tallowind\\Morvane"));
        ASSERT_TRUE(key.WriteBinary("deviceid_h1602965840", kDeviceId));
        m_savedTimeouts = SetBiTimeouts({1000, 2000, 2000});
    }
    void TearDown() override { SetBiTimeouts(m_savedTimeouts); }

    void PointAt(const std::string& base) {
        WriteFile(m_dir / "launcher.ini", "[bi]\r\nbiUrl=" + base + "\r\n");
    }

    RegistryKey GameKey() {
        RegistryKey key;
        EXPECT_TRUE(key.Open(RegistryHive::CurrentUser, "SOFTWARE\\tallowind\\Morvane"));
        return key;
    }

    // The fields of the only record the server received.
    std::vector<std::string> OnlyRecordFields() {
        std::vector<testsupport::AnalyticsRecord> records = m_server.AnalyticsRecords();
        EXPECT_EQ(records.size(), 1u);
        if (records.empty()) return {};
        EXPECT_TRUE(records[0].complete);
        return SplitFields(records[0].log);
    }

    testsupport::TempDir m_dir;
    testsupport::TempDir m_tree;
    testsupport::ScopedCurrentDir m_cwd{m_dir.Path()};
    testsupport::ScopedEnv m_registry{"DAVURERUVO_REGISTRY", (m_dir / "registry").c_str()};
    testsupport::UpdateServer m_server{m_tree.Path()};
    BiTimeouts m_savedTimeouts{};
};

TEST_F(BiReportTest, PostsOneRecordOfEighteenFieldsAsItIs) {
    WriteFile(m_dir / "vxbiID", "bi-7f3a\r\n");
    ReportEvent(u"LE_GamePatchFail", u"a&b=c 실패: x");

    std::vector<testsupport::AnalyticsRecord> records = m_server.AnalyticsRecords();
    ASSERT_EQ(records.size(), 1u);
    const std::string& body = records[0].body;
    const std::string prefix = "appkey=5290317462905&type=adevent&log=";
    ASSERT_EQ(body.substr(0, prefix.size()), prefix);
    const std::string log = body.substr(prefix.size());
    EXPECT_EQ(CountOccurrences(log, "\x01"), 17u);

    std::vector<std::string> f = SplitFields(log);
    ASSERT_EQ(f.size(), 18u);
    EXPECT_TRUE(std::regex_match(f[0], std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)"))) << f[0];
    const std::vector<std::string> expected = {
        f[0], kDeviceId, "1000000002", "0", "0", "pc", "pc", "0x0", "network", "0", "1000",
        "v1.8", "", "", "", "bi-7f3a\r\n", "LE_GamePatchFail", "a&b=c \xec\x8b\xa4\xed\x8c\xa8: x",
    };
    EXPECT_EQ(f, expected);

    auto requests = m_server.WaitForRequests(1);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].path, kUploadPath);
    // The body is written to the log before it is sent.
    EXPECT_NE(ReadFile(m_dir / "Launch.log").find(prefix + f[0]), std::string::npos);
}

TEST_F(BiReportTest, ClickIdentifierComesFromTheGameKey) {
    struct Case {
        const char* name;
        int type;  // 0 none, 1 binary, 2 string
        std::u16string value;
        std::string expected;
    } cases[] = {
        {"absent", 0, u"", "pc"},
        {"binary", 1, u"abc", "gclid\x02" "abc"},
        {"string", 2, u"xyz", "gclid\x02" "xyz"},
        {"empty", 1, u"", "pc"},
    };
    for (const Case& c : cases) {
        testsupport::TempDir tree;
        testsupport::UpdateServer server(tree.Path());
        ASSERT_TRUE(server.Started());
        PointAt(server.BaseUrl());
        RegistryKey key = GameKey();
        std::string narrow(c.value.begin(), c.value.end());
        if (c.type == 1) {
            ASSERT_TRUE(key.WriteBinary("gclidshort", narrow));
        } else if (c.type == 2) {
            ASSERT_TRUE(key.WriteString("gclidshort", c.value));
        }

        ReportEvent(u"LE_LauncherStart", u"");
        std::vector<testsupport::AnalyticsRecord> records = server.AnalyticsRecords();
        ASSERT_EQ(records.size(), 1u) << c.name;
        std::vector<std::string> f = SplitFields(records[0].log);
        ASSERT_EQ(f.size(), 18u) << c.name;
        EXPECT_EQ(f[6], c.expected) << c.name;
        // No "vxbiID" file and no detail: the fields are there, empty.
        EXPECT_EQ(f[15], "") << c.name;
        EXPECT_EQ(f[16], "LE_LauncherStart") << c.name;
        EXPECT_EQ(f[17], "") << c.name;
        std::filesystem::remove(key.Directory() + "/gclidshort.bin");
        std::filesystem::remove(key.Directory() + "/gclidshort.sz");
    }
}

TEST_F(BiReportTest, OnlyAResponseContainingZeroEndsTheAttempts) {
    struct Case {
        const char* reply;
        size_t posts;
    } cases[] = {
        {"ok", 5},
        {"{\"code\":0}", 1},
        {"0", 1},
        {"rejected", 5},
    };
    for (const Case& c : cases) {
        m_server.SetFaults({std::string(kUploadPath) + "=body:" + c.reply});
        size_t before = m_server.AnalyticsRecords().size();
        ReportEvent(u"LE_UpdateSelfStart", u"");
        EXPECT_EQ(m_server.AnalyticsRecords().size() - before, c.posts) << c.reply;
    }
}

TEST_F(BiReportTest, UnreachableServiceIsTriedFiveTimesAndDropped) {
    testsupport::RefusedPort refused;
    PointAt(refused.BaseUrl());
    ReportEvent(u"LE_LauncherStart", u"");
    EXPECT_EQ(CountOccurrences(ReadFile(m_dir / "Launch.log"), "appkey=5290317462905&type=adevent&log="),
              5u);
}

TEST_F(BiReportTest, SilentServiceIsGivenUpWithinTheTimeLimits) {
    SetBiTimeouts({200, 300, 2000});
    m_server.SetFaults({std::string(kUploadPath) + "=stall"});
    auto start = std::chrono::steady_clock::now();
    ReportEvent(u"LE_LauncherStart", u"");
    double seconds = SecondsSince(start);
    EXPECT_EQ(m_server.AnalyticsRecords().size(), 5u);
    // Five attempts of at most 0.3 s each; without the limits a stalled answer never ends.
    EXPECT_LT(seconds, 5 * 0.3 + 3.0);
}

TEST_F(BiReportTest, AsynchronousReportsArriveAndCanBeCutShort) {
    ReportEventAsync(u"LE_StartRepire", u"");
    ReportEventAsync(u"LE_GameStartError", u"2");
    FinishPendingReports(10000);
    std::vector<testsupport::AnalyticsRecord> records = m_server.AnalyticsRecords();
    ASSERT_EQ(records.size(), 2u);
    std::vector<std::string> names;
    for (const auto& r : records) names.push_back(SplitFields(r.log).at(16));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"LE_GameStartError", "LE_StartRepire"}));

    // A report stuck on a silent service does not hold up the end of the process for its
    // whole time limit: it is abandoned and no further attempt starts.
    SetBiTimeouts({1000, 20000, 0});
    m_server.SetFaults({std::string(kUploadPath) + "=stall"});
    ReportEventAsync(u"LE_GameStartSuccess", u"");
    auto start = std::chrono::steady_clock::now();
    while (m_server.AnalyticsRecords().size() < 3 && SecondsSince(start) < 5) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    FinishPendingReports(0);
    EXPECT_LT(SecondsSince(start), 10.0);
    EXPECT_EQ(m_server.AnalyticsRecords().size(), 3u);
}

TEST_F(BiReportTest, ReportWithoutAThreadIsDroppedWithALogLine) {
    {
        testsupport::ScopedFault noThreads(testsupport::FaultOp::CreateThread, 1, EAGAIN, true);
        ReportEventAsync(u"LE_GameStartSuccess", u"");
    }
    FinishPendingReports(10000);
    EXPECT_TRUE(m_server.AnalyticsRecords().empty());
    EXPECT_NE(ReadFile(m_dir / "Launch.log").find("ReportEventAsync CreateThread Error"),
              std::string::npos);
}

}  // namespace
