#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "patch/QzPatcher_xdelta.h"
#include "patch/XdeltaCommand.h"
#include "tests/patch/PackageTestData.h"

using packagetest::EditedCopy;
using packagetest::MixedData;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

const std::string XD("QZXD\0", 5);

// Output of a shell command, or nullopt when it could not run or failed.
std::optional<std::string> RunShell(const std::string& command) {
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        return std::nullopt;
    }
    std::string output;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        output.append(buffer, n);
    }
    if (::pclose(pipe) != 0) {
        return std::nullopt;
    }
    return output;
}

class XdeltaPatcherTest : public packagetest::WorkDirTest {
protected:
    void SetUp() override {
        m_source = MixedData(300000, 21);
        m_target = EditedCopy(m_source, 22);
        WriteFile(PathOf("source"), m_source);
        WriteFile(PathOf("target"), m_target);
    }

    // Makes a member with MakeDelta and strips its tag into "delta".
    void MakeBareDelta() {
        ASSERT_EQ(m_patcher.MakeDelta(PathOf("source"), PathOf("target"), PathOf("member")), QZP_SUCCESS);
        const std::string member = ReadFile(PathOf("member"));
        ASSERT_EQ(member.substr(0, 5), XD);
        WriteFile(PathOf("delta"), member.substr(5));
    }

    QzPatcher_xdelta& m_patcher = QzPatcher_xdelta::Instance();
    std::string m_source;
    std::string m_target;
};

TEST_F(XdeltaPatcherTest, OneSharedInstanceOfKindXdelta) {
    EXPECT_EQ(&QzPatcher_xdelta::Instance(), &m_patcher);
    EXPECT_EQ(m_patcher.GetPatchType(), CPT_XDELTA);
    EXPECT_EQ(CPT_XDELTA, 2);
}

TEST_F(XdeltaPatcherTest, MadeDeltaCarriesTheTagAndRebuildsTheTarget) {
    MakeBareDelta();
    EXPECT_FALSE(Exists("member.tag"));
    WriteFile(PathOf("out"), "stale output");
    ASSERT_EQ(m_patcher.ApplyDelta(PathOf("source"), PathOf("delta"), PathOf("out")), QZP_SUCCESS);
    EXPECT_EQ(ReadFile(PathOf("out")), m_target);
}

TEST_F(XdeltaPatcherTest, DeltaMadeByTheStandardCommandApplies) {
    if (!RunShell("xdelta3 -V")) {
        GTEST_SKIP() << "the xdelta3 command is not installed";
    }
    ASSERT_TRUE(RunShell("xdelta3 -e -s '" + PathOf("source") + "' '" + PathOf("target") + "' '" +
                    PathOf("cli.xd3") + "'"));
    // The standard command compresses the delta's sections with LZMA by default.
    const std::optional<std::string> header = RunShell("xdelta3 printhdr '" + PathOf("cli.xd3") + "'");
    ASSERT_TRUE(header);
    EXPECT_NE(header->find("secondary compressor:  lzma"), std::string::npos) << *header;

    ASSERT_EQ(m_patcher.ApplyDelta(PathOf("source"), PathOf("cli.xd3"), PathOf("out")), QZP_SUCCESS);
    EXPECT_EQ(ReadFile(PathOf("out")), m_target);
}

TEST_F(XdeltaPatcherTest, FailedApplicationsReturnTwoAndLeaveNoStaleOutput) {
    MakeBareDelta();
    WriteFile(PathOf("other"), MixedData(300000, 99));
    WriteFile(PathOf("garbage"), MixedData(5000, 98));
    WriteFile(PathOf("empty"), "");
    struct Case {
        const char* what;
        std::string source;
        std::string delta;
    } cases[] = {
        {"wrong source", PathOf("other"), PathOf("delta")},
        {"missing source", PathOf("missing"), PathOf("delta")},
        {"missing delta", PathOf("source"), PathOf("missing")},
        {"garbage delta", PathOf("source"), PathOf("garbage")},
        {"tag still in front", PathOf("source"), PathOf("member")},
        {"empty delta", PathOf("source"), PathOf("empty")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(PathOf("Launch.log"));
        WriteFile(PathOf("out"), "stale output");
        EXPECT_EQ(m_patcher.ApplyDelta(c.source, c.delta, PathOf("out")), QZP_ENGINE_FAILED);
        EXPECT_NE(ReadFile(PathOf("out")), "stale output");
        EXPECT_NE(Log().find(",xdelta Fail ErrorCode = 1"), std::string::npos) << Log();
        EXPECT_NE(Log().find("FILE ="), std::string::npos);
    }
}

TEST_F(XdeltaPatcherTest, MakeDeltaFailures) {
    EXPECT_EQ(m_patcher.MakeDelta("", PathOf("target"), PathOf("d")), QZP_EMPTY_PATH);
    EXPECT_EQ(m_patcher.MakeDelta(PathOf("source"), "", PathOf("d")), QZP_EMPTY_PATH);
    EXPECT_EQ(m_patcher.MakeDelta(PathOf("source"), PathOf("target"), ""), QZP_EMPTY_PATH);
    EXPECT_EQ(m_patcher.MakeDelta(PathOf("source"), PathOf("missing"), PathOf("d")), QZP_ENGINE_FAILED);
    EXPECT_NE(Log().find(",xdelta Fail ErrorCode = "), std::string::npos);

    // The encoder never overwrites an existing delta, whatever the environment asks for.
    WriteFile(PathOf("existing"), "keep");
    ::setenv("XDELTA", "-f", 1);
    EXPECT_EQ(m_patcher.MakeDelta(PathOf("source"), PathOf("target"), PathOf("existing")), QZP_ENGINE_FAILED);
    ::unsetenv("XDELTA");
    EXPECT_EQ(ReadFile(PathOf("existing")), "keep");
}

TEST_F(XdeltaPatcherTest, RunsFromSeveralThreadsAreSerialised) {
    MakeBareDelta();
    std::vector<std::thread> threads;
    std::vector<int> results(4, -1);
    for (size_t i = 0; i < results.size(); ++i) {
        threads.emplace_back([&, i] {
            results[i] = m_patcher.ApplyDelta(PathOf("source"), PathOf("delta"),
                                              PathOf("out" + std::to_string(i)));
        });
    }
    for (std::thread& t : threads) {
        t.join();
    }
    for (size_t i = 0; i < results.size(); ++i) {
        EXPECT_EQ(results[i], QZP_SUCCESS);
        EXPECT_EQ(ReadFile(PathOf("out" + std::to_string(i))), m_target);
    }
}

TEST_F(XdeltaPatcherTest, MessagesAreCapturedNotPrinted) {
    const XdeltaRun run = RunXdeltaCommand({"xdelta3", "-d", "-s", PathOf("source"), PathOf("missing"), PathOf("x")});
    EXPECT_NE(run.exitCode, 0);
    EXPECT_NE(run.messages.find("missing"), std::string::npos) << run.messages;
}

TEST_F(XdeltaPatcherTest, FailedRunsLeaveNothingAllocated) {
    // A successful run frees all it took, so freeing leftovers never touches live state.
    const XdeltaRun encoded = RunXdeltaCommand({"xdelta3", "-e", "-s", PathOf("source"), PathOf("target"), PathOf("delta")});
    ASSERT_EQ(encoded.exitCode, 0);
    EXPECT_EQ(encoded.releasedBlocks, 0u);
    const XdeltaRun decoded = RunXdeltaCommand({"xdelta3", "-d", "-s", PathOf("source"), PathOf("delta"), PathOf("out")});
    ASSERT_EQ(decoded.exitCode, 0);
    EXPECT_EQ(decoded.releasedBlocks, 0u);
    // Decoding against the wrong source fails in the middle, with its stream still open.
    WriteFile(PathOf("other"), MixedData(300000, 99));
    const XdeltaRun failed = RunXdeltaCommand({"xdelta3", "-d", "-s", PathOf("other"), PathOf("delta"), PathOf("out2")});
    EXPECT_NE(failed.exitCode, 0);
    EXPECT_GT(failed.releasedBlocks, 0u);
}

}  // namespace
