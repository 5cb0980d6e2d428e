#include "app/Log.h"
#include "platform/Files.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <thread>
#include <vector>

using testsupport::ReadFile;
using testsupport::ScopedCurrentDir;
using testsupport::TempDir;

namespace {

std::vector<std::string> LogLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        EXPECT_NE(end, std::string::npos) << "every line ends in CR LF";
        if (end == std::string::npos) break;
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

}  // namespace

TEST(WriteLog, CreatesTheFileAndWritesStampedCrLfLines) {
    TempDir dir;
    ScopedCurrentDir cd(dir.Path());
    testing::internal::CaptureStdout();
    WriteLog("FILE=%s,LINE=%d ,%s", "Procedure\\ProcedureManager", 42, "first");
    WriteLog("second");
    std::string echoed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(echoed, "FILE=Procedure\\ProcedureManager,LINE=42 ,first\nsecond\n");

    std::vector<std::string> lines = LogLines(ReadFile("Launch.log"));
    ASSERT_EQ(lines.size(), 2u);
    std::regex stamp(R"(\[\d\d_\d\d:\d\d:\d\d\]: (.*))");
    std::smatch m;
    ASSERT_TRUE(std::regex_match(lines[0], m, stamp)) << lines[0];
    EXPECT_EQ(m[1], "FILE=Procedure\\ProcedureManager,LINE=42 ,first");
    ASSERT_TRUE(std::regex_match(lines[1], m, stamp));
    EXPECT_EQ(m[1], "second");
}

TEST(WriteLog, CutsMessagesTo1023Characters) {
    TempDir dir;
    ScopedCurrentDir cd(dir.Path());
    testing::internal::CaptureStdout();
    WriteLog("%s", std::string(2000, 'm').c_str());
    testing::internal::GetCapturedStdout();
    std::vector<std::string> lines = LogLines(ReadFile("Launch.log"));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].substr(lines[0].find("]: ") + 3), std::string(1023, 'm'));
}

TEST(WriteLog, DropsTheEntryWhenTheFileCannotBeOpened) {
    TempDir dir;
    ScopedCurrentDir cd(dir.Path());
    platform::CreateDirectory("Launch.log");  // a directory stands where the file would be
    testing::internal::CaptureStdout();
    WriteLog("dropped");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "dropped\n");
    EXPECT_TRUE(platform::IsDirectory("Launch.log"));
}

TEST(WriteLog, ConcurrentCallersLoseNoLine) {
    TempDir dir;
    ScopedCurrentDir cd(dir.Path());
    constexpr int kThreads = 8;
    constexpr int kLines = 200;
    testing::internal::CaptureStdout();
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kLines; ++i) WriteLog("thread %d line %d", t, i);
        });
    }
    for (std::thread& th : threads) th.join();
    testing::internal::GetCapturedStdout();

    std::vector<std::string> lines = LogLines(ReadFile("Launch.log"));
    ASSERT_EQ(lines.size(), static_cast<size_t>(kThreads * kLines));
    // Each thread's lines appear whole and in its own call order.
    std::vector<int> next(kThreads, 0);
    std::regex entry(R"(\[\d\d_\d\d:\d\d:\d\d\]: thread (\d) line (\d+))");
    for (const std::string& line : lines) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(line, m, entry)) << line;
        int t = std::stoi(m[1]);
        EXPECT_EQ(std::stoi(m[2]), next[t]++);
    }
}
