// Processes: start with a relative program and a working directory, exit codes, waiting
// with a time-out, termination, snapshots by executable name, running images, shell open.

#include "platform/Process.h"

#include "tests/support/Faults.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <thread>

using namespace platform;
using testsupport::ReadFile;
using testsupport::ScopedCurrentDir;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

void WriteScript(const std::string& path, const std::string& body) {
    WriteFile(path, "#!/bin/sh\n" + body + "\n");
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}

// A copy of the system's sleep under a name of the test's choosing.
std::string CopySleep(const TempDir& dir, const std::string& name) {
    std::string path = dir / name;
    std::filesystem::copy_file("/bin/sleep", path);
    return path;
}

TEST(ProcessTest, SplitsCommandLinesAtBlanksWithQuotesGrouping) {
    struct Case {
        const char* line;
        std::vector<std::string> args;
    } cases[] = {
        {"VXLaunch.bin -runbin -repaire", {"VXLaunch.bin", "-runbin", "-repaire"}},
        {"  a   b  ", {"a", "b"}},
        {"\"..\\client\\Morvane.exe\" 1280 720", {"..\\client\\Morvane.exe", "1280", "720"}},
        {"x \"two words\" \"\"", {"x", "two words", ""}},
        {"", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(SplitCommandLine(c.line), c.args) << c.line;
}

TEST(ProcessTest, StartsARelativeProgramInAWorkingDirectoryAndReportsItsExitCode) {
    TempDir dir;
    ScopedCurrentDir cwd(dir.Path());
    std::filesystem::create_directories(dir / "bin");
    std::filesystem::create_directories(dir / "work");
    // The program is named relative to our directory; it runs in "work".
    WriteScript(dir / "bin/child.sh", "pwd > where.txt; echo \"$1|$2\" >> where.txt; exit 7");
    Process p;
    ASSERT_TRUE(CreateProcess("bin\\child.sh first \"second arg\"", "work", p));
    EXPECT_TRUE(p.Wait(kWaitForever));
    uint32_t code = 0;
    ASSERT_TRUE(p.ExitCode(code));
    EXPECT_EQ(code, 7u);
    EXPECT_EQ(ReadFile(dir / "work/where.txt"),
              std::filesystem::canonical(dir / "work").string() + "\nfirst|second arg\n");
}

TEST(ProcessTest, StartFailuresAreReported) {
    TempDir dir;
    ScopedCurrentDir cwd(dir.Path());
    WriteScript(dir / "ok.sh", "exit 0");
    Process p;
    {
        testsupport::ScopedFault fault(testsupport::FaultOp::Spawn, 1, EAGAIN);
        EXPECT_FALSE(CreateProcess("ok.sh", "", p));
        EXPECT_FALSE(p.IsValid());
    }
    EXPECT_FALSE(CreateProcess("missing.bin", "", p));
    EXPECT_FALSE(CreateProcess("   ", "", p));
    EXPECT_TRUE(CreateProcess("ok.sh", "", p));
    EXPECT_TRUE(p.Wait(kWaitForever));
}

TEST(ProcessTest, WaitTimesOutWhileRunningAndTerminateSetsTheExitCode) {
    TempDir dir;
    ScopedCurrentDir cwd(dir.Path());
    CopySleep(dir, "napper");
    Process p;
    ASSERT_TRUE(CreateProcess("napper 30", "", p));
    EXPECT_FALSE(p.Wait(0));
    EXPECT_FALSE(p.Wait(20));
    uint32_t code = 99;
    EXPECT_FALSE(p.ExitCode(code));
    ASSERT_TRUE(p.Terminate(3));
    EXPECT_TRUE(p.Wait(kWaitForever));
    ASSERT_TRUE(p.ExitCode(code));
    EXPECT_EQ(code, 3u);
    EXPECT_FALSE(p.Terminate(0));  // already ended
}

TEST(ProcessTest, SnapshotFindsProcessesByExecutableNameAndOpenHandlesCanStopThem) {
    TempDir dir;
    ScopedCurrentDir cwd(dir.Path());
    std::string image = CopySleep(dir, "Morvane.exe.testcopy");
    Process started;
    ASSERT_TRUE(CreateProcess("Morvane.exe.testcopy 30", "", started));

    std::vector<ProcessEntry> entries;
    ASSERT_TRUE(SnapshotProcesses(entries));
    const ProcessEntry* found = nullptr;
    for (const ProcessEntry& e : entries) {
        if (e.pid == started.Id()) found = &e;
    }
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->exeName, "Morvane.exe.testcopy");
    EXPECT_TRUE(IsRunningImage("Morvane.exe.testcopy"));
    EXPECT_TRUE(IsRunningImage(image));

    // A handle opened from the snapshot (not our own start) can end the process.
    Process opened;
    ASSERT_TRUE(opened.Open(found->pid));
    EXPECT_FALSE(opened.Wait(0));
    ASSERT_TRUE(opened.Terminate(0));
    EXPECT_TRUE(started.Wait(kWaitForever));
    EXPECT_TRUE(opened.Wait(2000));
    EXPECT_FALSE(IsRunningImage(image));
    EXPECT_FALSE(opened.Open(-1));
}

TEST(ProcessTest, ShellOpenRunsExecutablesAndHandsAddressesToXdgOpen) {
    TempDir dir;
    ScopedCurrentDir cwd(dir.Path());
    std::filesystem::create_directories(dir / "fakebin");
    WriteScript(dir / "fakebin/xdg-open", "echo \"$1\" > \"" + (dir / "opened.txt") + "\"");
    WriteScript(dir / "tool.sh", "echo ran > \"" + (dir / "ran.txt") + "\"");
    const char* oldPath = std::getenv("PATH");
    std::string savedPath = oldPath ? oldPath : "";
    setenv("PATH", (dir / "fakebin").c_str(), 1);

    EXPECT_TRUE(ShellOpen("http://127.0.0.1:8620/web/home.html"));
    Process tool;
    ASSERT_TRUE(ShellOpen("tool.sh", &tool));
    EXPECT_TRUE(tool.Wait(kWaitForever));
    uint32_t code = 1;
    EXPECT_TRUE(tool.ExitCode(code));
    EXPECT_EQ(code, 0u);
    for (int i = 0; i < 500 && (ReadFile(dir / "opened.txt").empty() || ReadFile(dir / "ran.txt").empty()); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(ReadFile(dir / "opened.txt"), "http://127.0.0.1:8620/web/home.html\n");
    EXPECT_EQ(ReadFile(dir / "ran.txt"), "ran\n");

    setenv("PATH", "/nonexistent", 1);
    EXPECT_FALSE(ShellOpen("http://example.invalid/"));
    setenv("PATH", savedPath.c_str(), 1);
    EXPECT_FALSE(ShellOpen(""));
}

}  // namespace
