#include "download/AutoDownload_Curl.h"
#include "download/CurlGlobal.h"
#include "download/DownloadState.h"
#include "download/DownloadTimings.h"
#include "platform/Files.h"
#include "platform/Thread.h"
#include "tests/download/NotifyRecorder.h"
#include "tests/support/Faults.h"
#include "tests/support/TempDir.h"
#include "tests/support/UpdateServer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;
using testsupport::WriteFileMakingDirs;

constexpr int32_t kTag = 3;

// Bytes that differ from position to position, so a shifted or cut copy is noticed.
std::string Pattern(size_t n, unsigned seed = 1) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 131 + i / 251 + seed) & 0xFF);
    return s;
}

// The local ports of every TCP connection (open or closing) from 127.0.0.1 to serverPort.
std::set<int> ClientPortsTo(int serverPort) {
    std::set<int> ports;
    std::istringstream table(ReadFile("/proc/net/tcp"));
    std::string line;
    std::getline(table, line);  // header
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote;
        fields >> slot >> local >> remote;
        if (remote.size() != 13 || local.size() != 13) continue;
        if (std::stoi(remote.substr(9), nullptr, 16) == serverPort && remote.substr(0, 8) == "0100007F")
            ports.insert(std::stoi(local.substr(9), nullptr, 16));
    }
    return ports;
}

// Shortens the low-speed window for one test.
class ScopedTimings {
public:
    explicit ScopedTimings(const DownloadTimings& timings) : m_saved(SetDownloadTimings(timings)) {}
    ~ScopedTimings() { SetDownloadTimings(m_saved); }

private:
    DownloadTimings m_saved;
};

// Every test works in a fresh current directory holding "temp_d" (as the download step makes
// it) and a served tree "root/"; the update server serves that tree on a free port.
class AutoDownloadCurlTest : public ::testing::Test {
protected:
    AutoDownloadCurlTest() : m_cwd(m_dir.Path()), m_root(MakeRoot(m_dir, kBody)), m_server(m_root) {
        // The download step's callers create the destination directories.
        for (const char* dir : {"temp_d", "out", "a", "b", "small"}) platform::CreateDirectory(dir);
    }

    static std::string MakeRoot(const TempDir& dir, const std::string& body) {
        WriteFileMakingDirs(dir / "root/VELDMOR/file.bin", body);
        WriteFileMakingDirs(dir / "root/VELDMOR/empty.bin", "");
        return dir / "root";
    }

    void SetUp() override { ASSERT_TRUE(m_server.Started()); }

    std::string Url(const std::string& path) const { return m_server.Url(path); }

    // Prepare, Run, Wait as the download step does; the final state.
    uint32_t Fetch(CAutoDownload& dl, const std::string& url, const std::string& dest) {
        if (!dl.Prepare(url.c_str(), dest.c_str(), m_recorder.Window(), kTag)) return dl.GetState();
        dl.Run();
        EXPECT_TRUE(dl.Wait(true));
        return dl.GetState();
    }

    std::string Log() const { return platform::PathExists("Launch.log") ? ReadFile("Launch.log") : ""; }

    const std::string kBody = Pattern(3 * 1024 * 1024 + 17);
    TempDir m_dir;
    testsupport::ScopedCurrentDir m_cwd;
    std::string m_root;
    testsupport::UpdateServer m_server;
    NotifyRecorder m_recorder;
};

TEST(AutoDownloadCurlTempPath, StemOfTheDestinationInTempD) {
    const struct {
        const char* dest;
        const char* temp;
    } cases[] = {
        {"C:\\x\\game.exe", "temp_d/~Qz.temp.game"},
        {"..\\client\\data\\pak01.dat", "temp_d/~Qz.temp.pak01"},
        {"temp_patch/AutoPatch.ini", "temp_d/~Qz.temp.AutoPatch"},
        {"dir.d/version", "temp_d/~Qz.temp.version"},
        {"archive.tar.gz", "temp_d/~Qz.temp.archive.tar"},
        {"a\\b/.hidden", "temp_d/~Qz.temp."},
    };
    for (const auto& c : cases) EXPECT_EQ(CAutoDownload_Curl::TempPathFor(c.dest), c.temp) << c.dest;
}

TEST_F(AutoDownloadCurlTest, SuccessPutsTheFileInPlaceAndRemovesTheTemporaryFile) {
    {
        CAutoDownload_Curl dl;
        EXPECT_EQ(dl.GetKind(), DL_KIND_CURL);
        EXPECT_EQ(Fetch(dl, Url("/VELDMOR/file.bin"), "out\\file.dat"), DLS_DONE);
        EXPECT_EQ(dl.GetResponseCode(), 200);
        EXPECT_TRUE(ReadFile("out/file.dat") == kBody);
        EXPECT_FALSE(platform::PathExists("temp_d/~Qz.temp.file"));

        // The sample still holds the announced total; progress is readable until Reset.
        int64_t total = 0, received = 0;
        EXPECT_TRUE(dl.GetProgress(total, received));
        EXPECT_EQ(total, static_cast<int64_t>(kBody.size()));
        dl.Reset();
        EXPECT_EQ(dl.GetState(), DLS_IDLE);
        total = received = -7;
        EXPECT_FALSE(dl.GetProgress(total, received));
        EXPECT_EQ(total, -7);
        EXPECT_EQ(received, -7);
    }
    EXPECT_EQ(m_recorder.StateChanges(), (std::vector<uint32_t>{DLS_PREPARED, DLS_RUNNING, DLS_DONE, DLS_IDLE}));
    ASSERT_GE(m_recorder.CountOf(DL_PROGRESS), 1u);
    for (const NotifyRecord& r : m_recorder.Records()) {
        EXPECT_EQ(r.wParam, static_cast<uint64_t>(kTag));
        // A new downloader has no sample yet when the transfer starts.
        if (r.message == DL_STATE_CHANGED && r.state == DLS_RUNNING) {
            EXPECT_FALSE(r.hasProgress);
        }
        if (r.message != DL_PROGRESS) continue;
        EXPECT_EQ(r.state, DLS_RUNNING);
        EXPECT_TRUE(r.hasProgress);
        EXPECT_EQ(r.total, static_cast<int64_t>(kBody.size()));
        EXPECT_GT(r.received, 0);
    }
}

TEST_F(AutoDownloadCurlTest, AnEmptyFileWithLengthZeroIsDone) {
    CAutoDownload_Curl dl;
    EXPECT_EQ(Fetch(dl, Url("/VELDMOR/empty.bin"), "empty.bin"), DLS_DONE);
    EXPECT_TRUE(platform::IsRegularFile("empty.bin"));
    EXPECT_EQ(platform::FileSize("empty.bin"), 0);
    EXPECT_EQ(m_recorder.CountOf(DL_PROGRESS), 0u);  // no total and no bytes: nothing to report
}

// Answers that must not replace the destination, and the one redirect that must.
TEST_F(AutoDownloadCurlTest, ServerAnswers) {
    const struct {
        const char* fault;  // the fault on /VELDMOR/file.bin
        uint32_t state;
        int responseCode;
        const char* logLine;  // a pattern the log must hold afterwards ("" none)
    } cases[] = {
        {"404", DLS_FAILED, 404, ""},
        {"500", DLS_FAILED, 500, ""},
        {"redirect:/VELDMOR/moved.bin", DLS_DONE, 200, ""},
        {"nolength", DLS_SIZE_MISMATCH, 200, "file len not mate httpLen = -1,downedlen = 3145745"},
        {"truncate:1000", DLS_FAILED, 200, ""},
        {"close:5000", DLS_FAILED, 200, ""},
    };
    WriteFile(m_dir / "root/VELDMOR/moved.bin", kBody);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        WriteFile("dest.bin", "old contents");
        m_server.SetFaults({std::string("/VELDMOR/file.bin=") + c.fault});
        CAutoDownload_Curl dl;
        EXPECT_EQ(Fetch(dl, Url("/VELDMOR/file.bin"), "dest.bin"), c.state);
        EXPECT_EQ(dl.GetResponseCode(), c.responseCode);
        EXPECT_TRUE(ReadFile("dest.bin") == (c.state == DLS_DONE ? kBody : "old contents"));
        // A failed attempt leaves its temporary file for the next Prepare to truncate.
        EXPECT_EQ(platform::PathExists("temp_d/~Qz.temp.dest"), c.state != DLS_DONE);
        if (*c.logLine) {
            EXPECT_THAT(Log(), ::testing::ContainsRegex(c.logLine));
        }
    }
}

TEST_F(AutoDownloadCurlTest, NothingListeningFailsWithNoResponseCode) {
    testsupport::RefusedPort refused;
    CAutoDownload_Curl dl;
    EXPECT_EQ(Fetch(dl, refused.BaseUrl() + "/VELDMOR/file.bin", "dest.bin"), DLS_FAILED);
    EXPECT_EQ(dl.GetResponseCode(), 0);
    EXPECT_FALSE(platform::PathExists("dest.bin"));
}

TEST_F(AutoDownloadCurlTest, AStalledTransferEndsAfterTheLowSpeedWindow) {
    DownloadTimings timings;
    timings.lowSpeedTimeSeconds = 1;
    ScopedTimings shortWindow(timings);
    m_server.SetFaults({"/VELDMOR/file.bin=stall"});
    CAutoDownload_Curl dl;
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Fetch(dl, Url("/VELDMOR/file.bin"), "dest.bin"), DLS_FAILED);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(dl.GetResponseCode(), 200);
    EXPECT_FALSE(platform::PathExists("dest.bin"));
}

// Stop and Prepare from another thread while the transfer hangs on a stalled server.
TEST_F(AutoDownloadCurlTest, StopFromAnotherThreadEndsTheTransfer) {
    m_server.SetFaults({"/VELDMOR/file.bin=stall"});
    CAutoDownload_Curl dl;
    uint32_t finalState = 0;
    platform::Thread worker;
    ASSERT_TRUE(worker.Start([&] { finalState = Fetch(dl, Url("/VELDMOR/file.bin"), "dest.bin"); }));
    ASSERT_TRUE(m_recorder.WaitForState(DLS_RUNNING, 10000));

    // While running, Prepare is refused and announces nothing.
    size_t before = m_recorder.Records().size();
    std::string url = Url("/VELDMOR/empty.bin");
    EXPECT_FALSE(dl.Prepare(url.c_str(), "other.bin", m_recorder.Window(), kTag));
    EXPECT_EQ(dl.GetState(), DLS_RUNNING);
    EXPECT_EQ(m_recorder.Records().size(), before);

    dl.Stop();
    worker.Join();
    EXPECT_EQ(finalState, DLS_FAILED);
    EXPECT_EQ(m_recorder.StateChanges(), (std::vector<uint32_t>{DLS_PREPARED, DLS_RUNNING, DLS_IDLE, DLS_FAILED}));
    EXPECT_FALSE(platform::PathExists("dest.bin"));
    EXPECT_FALSE(platform::PathExists("other.bin"));
}

// A slow body: the sample moves at most about once a second and the rate is measured over
// the interval since the previous sample.
TEST_F(AutoDownloadCurlTest, ProgressSampleAndRate) {
    const std::string body = Pattern(30);
    WriteFile(m_dir / "root/VELDMOR/slow.bin", body);
    m_server.SetFaults({"/VELDMOR/slow.bin=trickle:0.045"});
    CAutoDownload_Curl dl;
    EXPECT_EQ(dl.GetSpeed(), 0);
    EXPECT_EQ(Fetch(dl, Url("/VELDMOR/slow.bin"), "slow.bin"), DLS_DONE);
    EXPECT_TRUE(ReadFile("slow.bin") == body);

    std::set<int64_t> samples;
    for (const NotifyRecord& r : m_recorder.Records()) {
        if (r.message != DL_PROGRESS) continue;
        EXPECT_EQ(r.total, 30);
        samples.insert(r.received);
    }
    // About 1.35 s of transfer (longer on a loaded machine): the first sample and one taken
    // a second later, while a notification goes out for every byte.
    EXPECT_GE(m_recorder.CountOf(DL_PROGRESS), 10u);
    EXPECT_GE(samples.size(), 2u);
    EXPECT_LE(samples.size(), 3u);
    // Some 22 bytes a second; generous bounds for a loaded machine.
    EXPECT_GT(dl.GetSpeed(), 5);
    EXPECT_LT(dl.GetSpeed(), 60);
}

TEST_F(AutoDownloadCurlTest, StopBeforeRunMakesRunDoNothing) {
    CAutoDownload_Curl dl;
    std::string url = Url("/VELDMOR/file.bin");
    ASSERT_TRUE(dl.Prepare(url.c_str(), "dest.bin", m_recorder.Window(), kTag));
    dl.Stop();
    dl.Run();
    EXPECT_EQ(dl.GetState(), DLS_IDLE);
    EXPECT_FALSE(platform::PathExists("dest.bin"));
    EXPECT_EQ(m_recorder.StateChanges(), (std::vector<uint32_t>{DLS_PREPARED, DLS_IDLE}));
}

TEST_F(AutoDownloadCurlTest, PrepareRefusals) {
    const std::string url = Url("/VELDMOR/file.bin");
    const struct {
        const char* name;
        const char* url;
        const char* dest;
    } cases[] = {
        {"no url", nullptr, "dest.bin"},
        {"empty url", "", "dest.bin"},
        {"no destination", url.c_str(), nullptr},
        {"empty destination", url.c_str(), ""},
        {"temporary file in a missing directory", url.c_str(), "dest.bin"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (std::string(c.name).find("missing") != std::string::npos) platform::RemoveDirectory("temp_d");
        CAutoDownload_Curl dl;
        EXPECT_FALSE(dl.Prepare(c.url, c.dest, platform::WindowHandle{}, kTag));
        EXPECT_EQ(dl.GetState(), DLS_PREPARE_FAILED);
        dl.Run();  // not prepared: nothing happens
        EXPECT_EQ(dl.GetState(), DLS_PREPARE_FAILED);
        int64_t total = -1, received = -1;
        EXPECT_FALSE(dl.GetProgress(total, received));
    }
    EXPECT_FALSE(platform::PathExists("dest.bin"));
}

TEST_F(AutoDownloadCurlTest, ReadOnlyDestinationIsReplacedAndLeftWritable) {
    WriteFileMakingDirs("client/data.bin", "old");
    ASSERT_TRUE(platform::SetReadOnly("client/data.bin", true));
    CAutoDownload_Curl dl;
    EXPECT_EQ(Fetch(dl, Url("/VELDMOR/file.bin"), "client\\data.bin"), DLS_DONE);
    EXPECT_TRUE(ReadFile("client/data.bin") == kBody);
    EXPECT_FALSE(platform::IsReadOnly("client/data.bin"));
}

TEST_F(AutoDownloadCurlTest, DestinationsWithOneStemShareTheTemporaryFile) {
    WriteFile(m_dir / "root/VELDMOR/second.bin", "second");
    CAutoDownload_Curl dl;
    EXPECT_EQ(Fetch(dl, Url("/VELDMOR/file.bin"), "a\\pak.dat"), DLS_DONE);
    EXPECT_EQ(dl.GetTempPath(), "temp_d/~Qz.temp.pak");
    dl.Reset();
    // The same downloader reused: a fresh easy handle, the same temporary name, truncated.
    EXPECT_EQ(Fetch(dl, Url("/VELDMOR/second.bin"), "b/pak.txt"), DLS_DONE);
    EXPECT_EQ(dl.GetTempPath(), "temp_d/~Qz.temp.pak");
    EXPECT_TRUE(ReadFile("a/pak.dat") == kBody);
    EXPECT_EQ(ReadFile("b/pak.txt"), "second");

    // The sample is kept between files: the second start reports the first file's total.
    std::vector<NotifyRecord> starts;
    for (const NotifyRecord& r : m_recorder.Records())
        if (r.message == DL_STATE_CHANGED && r.state == DLS_RUNNING) starts.push_back(r);
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_FALSE(starts[0].hasProgress);
    EXPECT_TRUE(starts[1].hasProgress);
    EXPECT_EQ(starts[1].total, static_cast<int64_t>(kBody.size()));
}

// The finished temporary file is gone before it can be examined (here: removed while the
// transfer runs, so the bytes go to a file without a name).
TEST_F(AutoDownloadCurlTest, TemporaryFileThatCannotBeExaminedFailsThePlacing) {
    WriteFile("dest.bin", "old contents");
    m_recorder.OnMessage([](const NotifyRecord& r) {
        if (r.message == DL_PROGRESS) std::remove("temp_d/~Qz.temp.dest");
    });
    CAutoDownload_Curl dl;
    EXPECT_EQ(Fetch(dl, Url("/VELDMOR/file.bin"), "dest.bin"), DLS_PLACE_FAILED);
    EXPECT_EQ(ReadFile("dest.bin"), "old contents");
    EXPECT_THAT(Log(), ::testing::ContainsRegex("FILE =AutoDownload_Curl, Line =[0-9]+,DownFile Error GetFileSize "
                                                "Error ErrorCode =2"));
}

// Disk faults while the file is written and put in place.
TEST_F(AutoDownloadCurlTest, DiskFaults) {
    const struct {
        const char* name;
        testsupport::FaultOp op;
        int errnoValue;
        bool fromNthOn;
        uint32_t state;
        const char* logLine;  // a pattern the log must hold afterwards ("" none)
    } cases[] = {
        {"disk full while receiving", testsupport::FaultOp::Write, ENOSPC, false, DLS_FAILED, ""},
        {"rename across volumes once: copied instead", testsupport::FaultOp::Rename, EXDEV, false, DLS_DONE, ""},
        {"every rename fails", testsupport::FaultOp::Rename, EACCES, true, DLS_PLACE_FAILED,
         "FILE =AutoDownload_Curl, Line =[0-9]+,DownFile Error MoveFile Error ErrorCode =13"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile("dest.bin", "old contents");
        CAutoDownload_Curl dl;
        {
            testsupport::ScopedFault fault(c.op, 1, c.errnoValue, c.fromNthOn);
            EXPECT_EQ(Fetch(dl, Url("/VELDMOR/file.bin"), "dest.bin"), c.state);
        }
        EXPECT_TRUE(ReadFile("dest.bin") == (c.state == DLS_DONE ? kBody : "old contents"));
        if (c.state == DLS_PLACE_FAILED) {
            EXPECT_FALSE(platform::PathExists("temp_d/~Qz.temp.dest"));
        }
        if (*c.logLine) {
            EXPECT_THAT(Log(), ::testing::ContainsRegex(c.logLine));
        }
    }
}

// Many small files in a row over one kept connection.
TEST_F(AutoDownloadCurlTest, ConsecutiveTransfersReuseOneConnection) {
    for (int i = 0; i < 20; ++i) WriteFile(m_dir / ("root/VELDMOR/s" + std::to_string(i)), Pattern(4096, i));
    CAutoDownload_Curl dl;
    std::set<int> before = ClientPortsTo(m_server.Port());
    for (int i = 0; i < 20; ++i) {
        std::string name = "s" + std::to_string(i);
        ASSERT_EQ(Fetch(dl, Url("/VELDMOR/" + name), "small/" + name + ".bin"), DLS_DONE);
        dl.Reset();
        EXPECT_TRUE(ReadFile("small/" + name + ".bin") == Pattern(4096, i));
    }
    std::set<int> after = ClientPortsTo(m_server.Port());
    std::vector<int> opened;
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(), std::back_inserter(opened));
    EXPECT_EQ(opened.size(), 1u);
}

TEST(AutoDownloadCurlGlobal, EveryDownloaderGivesBackItsReference) {
    int before = CurlGlobalRefCount();
    {
        CAutoDownload_Curl a;
        CAutoDownload_Curl b;
        EXPECT_EQ(CurlGlobalRefCount(), before + 2);
    }
    EXPECT_EQ(CurlGlobalRefCount(), before);
    // The owner's own pair around a downloader, given back before the downloader is deleted:
    // the library stays initialised until the downloader is gone.
    ASSERT_TRUE(CurlGlobalInit());
    auto* dl = new CAutoDownload_Curl;
    CurlGlobalCleanup();
    EXPECT_EQ(CurlGlobalRefCount(), before + 1);
    delete dl;
    EXPECT_EQ(CurlGlobalRefCount(), before);
}

}  // namespace
