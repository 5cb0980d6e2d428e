// The launcher's start-up: the pieces in-process (switches, name test, the working copy's
// bounded retries) and the whole sequence as real processes in a temporary directory,
// talking to the headless front-end.

#include "app/StartupSequence.h"

#include "platform/Process.h"
#include "tests/support/Faults.h"
#include "tests/support/Spawn.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sstream>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>


using testsupport::ReadFile;
using testsupport::ScopedCurrentDir;
using testsupport::TempDir;
using testsupport::WriteFile;
using Clock = std::chrono::steady_clock;

namespace {

TEST(StartupSequenceTest, SwitchesAreCaseSensitiveSubstringsOfTheWholeCommandLine) {
    struct Case {
        const char* commandLine;
        bool runCopy;
        bool repair;
    } cases[] = {
        {"/games/launcher/DAVureruvo.exe", false, false},
        {"/games/launcher/VXLaunch.bin -runbin", true, false},
        {"/games/launcher/VXLaunch.bin -runbin -repaire", true, true},
        {"DAVureruvo.exe x-runbinx -repaired", true, true},
        {"DAVureruvo.exe -RUNBIN -Repaire", false, false},
        {"/tmp/-runbin/DAVureruvo.exe", true, false},  // the program path counts as well
    };
    for (const Case& c : cases) {
        StartupSwitches s = ReadSwitches(c.commandLine);
        EXPECT_EQ(s.runCopy, c.runCopy) << c.commandLine;
        EXPECT_EQ(s.repair, c.repair) << c.commandLine;
    }
    EXPECT_EQ(WorkingCopyCommandLine(false), "VXLaunch.bin -runbin");
    EXPECT_EQ(WorkingCopyCommandLine(true), "VXLaunch.bin -runbin -repaire");
}

TEST(StartupSequenceTest, TheLauncherNameIsComparedWithoutRegardToCase) {
    EXPECT_TRUE(IsLauncherExecutable("/games/launcher/DAVureruvo.exe"));
    EXPECT_TRUE(IsLauncherExecutable("/games/launcher/davureruvo.EXE"));
    EXPECT_TRUE(IsLauncherExecutable("DAVUREruvo.exe"));
    EXPECT_FALSE(IsLauncherExecutable("/games/launcher/VXLaunch.bin"));
    EXPECT_FALSE(IsLauncherExecutable("/games/DAVureruvo.exe/other"));
    EXPECT_FALSE(IsLauncherExecutable("/games/launcher/DAVureruvo.exe.bak"));
}

TEST(StartupSequenceTest, WorkingCopyStepsRetryABoundedNumberOfTimes) {
    TempDir dir;
    ScopedCurrentDir cwd(dir.Path());
    const StartupTimings fast{20, 0, 0};
    WriteFile(dir / "DAVureruvo.exe", "launcher image");

    // A copy that cannot be deleted: one attempt and 20 retries, then nothing is copied.
    WriteFile(dir / "VXLaunch.bin", "old");
    {
        testsupport::ScopedFault fault(testsupport::FaultOp::Unlink, 1, EBUSY, true);
        EXPECT_FALSE(ReplaceWorkingCopy("DAVureruvo.exe", fast));
        EXPECT_EQ(fault.Calls(), 21);
    }
    EXPECT_EQ(ReadFile(dir / "VXLaunch.bin"), "old");

    // A copy that keeps failing is given up after its retries too.
    {
        testsupport::ScopedFault fault(testsupport::FaultOp::Write, 1, ENOSPC, true);
        EXPECT_FALSE(ReplaceWorkingCopy("DAVureruvo.exe", fast));
        EXPECT_EQ(fault.Calls(), 21);
    }
    // One failed attempt is retried and the copy made.
    {
        testsupport::ScopedFault fault(testsupport::FaultOp::Write, 1, ENOSPC);
        EXPECT_TRUE(ReplaceWorkingCopy("DAVureruvo.exe", fast));
    }
    EXPECT_EQ(ReadFile(dir / "VXLaunch.bin"), "launcher image");

    // The copy's source: the launcher's own name here, else the running file's name.
    EXPECT_EQ(LauncherCopySource("/x/davureruvo.EXE"), "DAVureruvo.exe");
    std::filesystem::remove(dir / "DAVureruvo.exe");
    EXPECT_EQ(LauncherCopySource("/x/davureruvo.EXE"), "davureruvo.EXE");

    testsupport::ScopedFault noStart(testsupport::FaultOp::Spawn, 1, EAGAIN, true);
    EXPECT_FALSE(StartWorkingCopy(false));
}

// ---- The whole start-up as processes ----

std::string LauncherImage() {
    const char* bin = std::getenv("DAV_BIN_DIR");
    if (bin) return std::string(bin) + "/DAVureruvo.exe";
    return std::filesystem::canonical("/proc/self/exe").parent_path().parent_path().string() + "/bin/DAVureruvo.exe";
}

std::vector<std::string> UiLines(const std::string& output) {
    std::vector<std::string> lines;
    std::istringstream in(output);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("[ui] ", 0) == 0) lines.push_back(line);
    }
    return lines;
}

class StartupProcessTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        // The working copies outlive the user starts that made them; as their subreaper we
        // can wait for them like for our own children.
        prctl(PR_SET_CHILD_SUBREAPER, 1);
    }

    void TearDown() override {
        for (pid_t pid : ProcessesHere()) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);  // our child or adopted; else it returns at once
        }
        for (pid_t pid : m_started) waitpid(pid, nullptr, WNOHANG);
        m_started.clear();
    }

    // Starts dir/name with args in dir, its output (both streams) in dir/outFile, headless.
    pid_t Start(const std::string& name, std::vector<std::string> args, const std::string& answers,
                const std::string& outFile = "out.txt") {
        std::vector<std::string> argv = {m_dir / name};
        argv.insert(argv.end(), args.begin(), args.end());
        pid_t pid = testsupport::SpawnProgram(argv, {"DAVURERUVO_UI=headless", "DAVURERUVO_ANSWERS=" + answers},
                                              m_dir.Path(), m_dir / outFile);
        EXPECT_GT(pid, 0);
        m_started.push_back(pid);
        return pid;
    }

    // Waits for a child (or adopted orphan) to end; false after timeoutMs.
    bool WaitEnd(pid_t pid, int timeoutMs = 10000) {
        auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (Clock::now() < deadline) {
            if (waitpid(pid, nullptr, WNOHANG) == pid) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }

    // Waits until the output file holds text.
    bool WaitOutput(const std::string& text, const std::string& outFile = "out.txt", int timeoutMs = 10000) {
        auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (Clock::now() < deadline) {
            if (ReadFile(m_dir / outFile).find(text) != std::string::npos) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }

    // Processes running with this test's directory as their current directory.
    std::vector<pid_t> ProcessesHere(const std::string& exeName = "") {
        std::vector<platform::ProcessEntry> entries;
        platform::SnapshotProcesses(entries);
        std::vector<pid_t> found;
        std::error_code ec;
        for (const auto& e : entries) {
            auto cwd = std::filesystem::read_symlink("/proc/" + std::to_string(e.pid) + "/cwd", ec);
            if (ec || cwd != std::filesystem::path(m_dir.Path())) continue;
            if (exeName.empty() || e.exeName == exeName) found.push_back(e.pid);
        }
        return found;
    }

    pid_t WaitWorkingCopy() {
        for (int i = 0; i < 1000; ++i) {
            auto copies = ProcessesHere("VXLaunch.bin");
            if (!copies.empty()) return copies.front();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return 0;
    }

    std::vector<std::string> ArgsOf(pid_t pid) {
        std::string raw = ReadFile("/proc/" + std::to_string(pid) + "/cmdline");
        std::vector<std::string> args;
        std::string current;
        for (char c : raw) {
            if (c == '\0') {
                args.push_back(current);
                current.clear();
            } else {
                current += c;
            }
        }
        return std::vector<std::string>(args.begin() + (args.empty() ? 0 : 1), args.end());
    }

    // Presses close by interrupt and waits for the box's answer line.
    void InterruptAndWait(pid_t pid, const std::string& answerLine, int occurrence = 1) {
        kill(pid, SIGTERM);
        auto deadline = Clock::now() + std::chrono::seconds(10);
        while (Clock::now() < deadline) {
            auto lines = UiLines(ReadFile(m_dir / "out.txt"));
            if (std::count(lines.begin(), lines.end(), answerLine) >= occurrence) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        ADD_FAILURE() << "no " << answerLine;
    }

    void PlaceLauncher(const std::string& name) {
        std::filesystem::copy_file(LauncherImage(), m_dir / name);
    }

    TempDir m_dir;
    std::vector<pid_t> m_started;
};

const std::string kCloseBox = "[ui] msgbox |\\n\\n정말로 종료하시겠습니까?";

TEST_F(StartupProcessTest, AUserStartCopiesItselfAndStartsTheCopyWithRunbin) {
    struct Case {
        const char* name;
        std::vector<std::string> args;
        std::vector<std::string> copyArgs;
    } cases[] = {
        {"DAVureruvo.exe", {}, {"-runbin"}},
        {"davureruvo.EXE", {"-repaire"}, {"-runbin", "-repaire"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        for (auto& entry : std::filesystem::directory_iterator(m_dir.Path())) std::filesystem::remove(entry.path());
        PlaceLauncher(c.name);

        pid_t user = Start(c.name, c.args, "yes");
        ASSERT_TRUE(WaitEnd(user));
        EXPECT_EQ(ReadFile(m_dir / "VXLaunch.bin"), ReadFile(m_dir / c.name));
        pid_t copy = WaitWorkingCopy();
        ASSERT_NE(copy, 0);
        EXPECT_EQ(ArgsOf(copy), c.copyArgs);

        // The copy shows the dialog; the user start's banner went into the rotated log.
        ASSERT_TRUE(WaitOutput("[ui] progress 1"));
        EXPECT_NE(ReadFile(m_dir / "Launch.log.bak").find("ReZorirero start! version: 1.0.0, runbin: 0 "),
                  std::string::npos);
        EXPECT_NE(ReadFile(m_dir / "Launch.log").find("ReZorirero start! version: 1.0.0, runbin: 1 "),
                  std::string::npos);
        InterruptAndWait(copy, "[ui] answer 1");
        EXPECT_TRUE(WaitEnd(copy));
        EXPECT_EQ(UiLines(ReadFile(m_dir / "out.txt")),
                  (std::vector<std::string>{"[ui] button 1024 off", "[ui] progress 1", kCloseBox, "[ui] answer 1",
                                            "[ui] end"}));
    }
}

TEST_F(StartupProcessTest, AnotherNameOpensTheBareDialogInProcessAndCloseAsksFirst) {
    PlaceLauncher("Launcher.bin");
    WriteFile(m_dir / "Launch.log", "previous run\r\n");
    auto started = Clock::now();
    pid_t launcher = Start("Launcher.bin", {}, "no,yes");
    ASSERT_TRUE(WaitOutput("[ui] progress 1"));
    EXPECT_GE(Clock::now() - started, std::chrono::milliseconds(100));
    EXPECT_FALSE(std::filesystem::exists(m_dir / "VXLaunch.bin"));
    EXPECT_EQ(ProcessesHere(), std::vector<pid_t>{launcher});
    std::string backup = ReadFile(m_dir / "Launch.log.bak");
    EXPECT_EQ(backup.rfind("previous run\r\n", 0), 0u);
    EXPECT_NE(backup.find("runbin: 0"), std::string::npos);

    InterruptAndWait(launcher, "[ui] answer 2");  // declined: the dialog stays
    EXPECT_FALSE(WaitEnd(launcher, 150));
    InterruptAndWait(launcher, "[ui] answer 1");
    ASSERT_TRUE(WaitEnd(launcher));
    EXPECT_EQ(UiLines(ReadFile(m_dir / "out.txt")),
              (std::vector<std::string>{"[ui] button 1024 off", "[ui] progress 1", kCloseBox, "[ui] answer 2",
                                        kCloseBox, "[ui] answer 1", "[ui] end"}));
}

TEST_F(StartupProcessTest, RunbinAnywhereSkipsRotationAndCopy) {
    PlaceLauncher("DAVureruvo.exe");
    WriteFile(m_dir / "Launch.log", "previous run\r\n");
    pid_t launcher = Start("DAVureruvo.exe", {"x-runbinx"}, "");
    ASSERT_TRUE(WaitOutput("[ui] progress 1"));
    EXPECT_FALSE(std::filesystem::exists(m_dir / "VXLaunch.bin"));
    EXPECT_FALSE(std::filesystem::exists(m_dir / "Launch.log.bak"));
    EXPECT_EQ(ReadFile(m_dir / "Launch.log").rfind("previous run\r\n", 0), 0u);
    // With no answers left every box is declined: an interrupt does not end it.
    InterruptAndWait(launcher, "[ui] answer 2");
    EXPECT_FALSE(WaitEnd(launcher, 100));
}

TEST_F(StartupProcessTest, AReadOnlyWorkingCopyIsReplaced) {
    PlaceLauncher("DAVureruvo.exe");
    WriteFile(m_dir / "VXLaunch.bin", "stale copy");
    std::filesystem::permissions(m_dir / "VXLaunch.bin", std::filesystem::perms::owner_read);
    pid_t user = Start("DAVureruvo.exe", {}, "yes");
    ASSERT_TRUE(WaitEnd(user));
    EXPECT_EQ(ReadFile(m_dir / "VXLaunch.bin"), ReadFile(m_dir / "DAVureruvo.exe"));
    EXPECT_NE(WaitWorkingCopy(), 0);
}

TEST_F(StartupProcessTest, ASecondStartWhileTheCopyRunsEndsAfterItsRetries) {
    PlaceLauncher("DAVureruvo.exe");
    pid_t first = Start("DAVureruvo.exe", {}, "yes");
    ASSERT_TRUE(WaitEnd(first));
    pid_t copy = WaitWorkingCopy();
    ASSERT_NE(copy, 0);
    ASSERT_TRUE(WaitOutput("[ui] progress 1"));
    std::string image = ReadFile(m_dir / "VXLaunch.bin");

    auto started = Clock::now();
    pid_t second = Start("DAVureruvo.exe", {"-repaire"}, "yes", "second.txt");
    ASSERT_TRUE(WaitEnd(second));
    // Twenty retries 100 ms apart and one last pause: about 2.1 s, without a window.
    EXPECT_GE(Clock::now() - started, std::chrono::milliseconds(2100));
    EXPECT_TRUE(UiLines(ReadFile(m_dir / "second.txt")).empty());
    EXPECT_EQ(ProcessesHere("VXLaunch.bin"), std::vector<pid_t>{copy});
    EXPECT_EQ(ReadFile(m_dir / "VXLaunch.bin"), image);
    // The running copy's log was moved aside; the second start's banner ends it.
    std::string backup = ReadFile(m_dir / "Launch.log.bak");
    size_t copyBanner = backup.find("runbin: 1");
    size_t secondBanner = backup.rfind("runbin: 0");
    EXPECT_NE(copyBanner, std::string::npos);
    EXPECT_NE(secondBanner, std::string::npos);
    EXPECT_LT(copyBanner, secondBanner);

    InterruptAndWait(copy, "[ui] answer 1");
    EXPECT_TRUE(WaitEnd(copy));
}

}  // namespace
