#include "Procedure/ProcedureManager.h"
#include "Procedure/ProcedureMessages.h"
#include "download/DownloadState.h"
#include "platform/Clock.h"
#include "platform/Process.h"
#include "tests/Procedure/FakeDownloader.h"
#include "tests/support/Faults.h"
#include "tests/support/RecordingWindow.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

using testsupport::ReadFile;
using testsupport::RecordingWindow;
using testsupport::WriteFile;

namespace {

// The manager with a scripted downloader, a recording dialog and recorded message boxes,
// in a temporary launcher directory.
class ManagerTest : public testing::Test {
protected:
    void SetUp() override {
        ProcedureManager& m = Manager();
        m.SetDownloaderFactory([this] {
            auto d = std::make_unique<FakeDownloader>(m_shared);
            m_downloader = d.get();
            return std::unique_ptr<CAutoDownload>(std::move(d));
        });
        m.SetMessageBox([this](std::u16string_view text, std::u16string_view, platform::WindowHandle) {
            m_boxes.emplace_back(text);
            return m_boxAnswer;
        });
    }
    void TearDown() override {
        m_shared.release.Set();
        Manager().Shutdown();
        Manager().SetDownloaderFactory({});
        Manager().SetMessageBox({});
    }
    static ProcedureManager& Manager() { return ProcedureManager::Instance(); }
    void Init() { Manager().Init(m_dialog.Handle()); }
    int LogCount(const std::string& needle) { return testsupport::CountOccurrences(ReadFile("Launch.log"), needle); }

    testsupport::TempDir m_dir;
    testsupport::ScopedCurrentDir m_cd{m_dir.Path()};
    RecordingWindow m_dialog{{}, {UM_DOWNLOAD_SPEED}};
    FakeDownloader::Shared m_shared;
    FakeDownloader* m_downloader = nullptr;
    std::vector<std::u16string> m_boxes;
    int m_boxAnswer = 2;
};

TEST_F(ManagerTest, DebugSwitchSkipsTheSelfUpdate) {
    WriteFile("launcher.ini", "[debug]\ndebug=1\n");
    Init();
    ASSERT_TRUE(Manager().BeginSelfUpdate());
    ASSERT_TRUE(m_dialog.WaitFor({UM_SELF_UPDATE_NO_NEED}));
    Manager().Shutdown();
    EXPECT_EQ(m_dialog.Ids(), (std::vector<uint32_t>{UM_SELF_UPDATE_START, UM_SELF_UPDATE_NO_NEED}));
    EXPECT_TRUE(m_shared.prepared.empty());
    EXPECT_EQ(LogCount("]: debug\r\n"), 1);
}

TEST_F(ManagerTest, DebugValueTwoRunsTheSelfUpdate) {
    WriteFile("launcher.ini", "[debug]\ndebug=2\n");
    Init();
    ASSERT_TRUE(Manager().BeginSelfUpdate());
    ASSERT_TRUE(m_dialog.WaitFor({UM_SELF_UPDATE_FAIL_DOWN_VERSION}));
    // Three bases, six attempts each, all failing.
    EXPECT_EQ(m_shared.prepared.size(), 18u);
    EXPECT_EQ(m_dialog.Ids(), (std::vector<uint32_t>{UM_SELF_UPDATE_START, UM_SELF_UPDATE_FAIL_DOWN_VERSION}));
}

TEST_F(ManagerTest, AWorkerAtWorkRefusesNewStartsButItsFinalMessageMayStartTheNext) {
    Init();
    m_shared.release.Reset();  // the self-update's first download blocks
    ASSERT_TRUE(Manager().BeginSelfUpdate());
    ASSERT_TRUE(m_dialog.WaitFor({UM_SELF_UPDATE_START}));
    EXPECT_FALSE(Manager().BeginSelfUpdate());
    EXPECT_FALSE(Manager().BeginRepair("http://elsewhere"));  // the repair button meanwhile
    EXPECT_FALSE(m_dialog.Received(UM_REPAIR_STARTED));

    // The final message's reaction starts the repair at once, as the dialog does.
    bool started = false;
    m_dialog.OnMessage([&](const testsupport::RecordedMessage& m) {
        if (m.id == UM_SELF_UPDATE_FAIL_DOWN_VERSION) started = Manager().BeginRepair("http://repair");
    });
    m_shared.release.Set();
    ASSERT_TRUE(m_dialog.WaitFor({UM_REPAIR_FAIL_DOWN_VERSION}));
    EXPECT_TRUE(started);
    // UM_REPAIR_STARTED comes from the starting thread, so it may pass the new worker's start.
    EXPECT_TRUE(m_dialog.Received(UM_REPAIR_STARTED));
    EXPECT_EQ(m_dialog.Ids({UM_REPAIR_STARTED}),
              (std::vector<uint32_t>{UM_SELF_UPDATE_START, UM_SELF_UPDATE_FAIL_DOWN_VERSION, UM_REPAIR_START,
                                     UM_REPAIR_FAIL_DOWN_VERSION}));
    // The repair asked base 1 (the dialog's address) first, with the address encoded.
    EXPECT_EQ(m_shared.prepared[18].rfind("http://repair/GameVersion/version?rand%3D", 0), 0u)
        << m_shared.prepared[18];
}

TEST_F(ManagerTest, AThreadThatCannotBeCreatedIsReported) {
    Init();
    testsupport::ScopedFault fault(testsupport::FaultOp::CreateThread, 1, EAGAIN);
    EXPECT_FALSE(Manager().BeginSelfUpdate());
    EXPECT_EQ(LogCount("CreateThread Error"), 1);
}

TEST_F(ManagerTest, RelayPassesProgressAndThrottlesTheSpeed) {
    Init();
    platform::WindowHandle relay = Manager().GetRelayWindow();
    ASSERT_TRUE(relay);
    auto* downloader = m_downloader;
    const auto param = reinterpret_cast<platform::LParam>(static_cast<CAutoDownload*>(downloader));

    // No total known yet: nothing at all.
    EXPECT_EQ(platform::SendMessage(relay, DL_PROGRESS, 3, param), 1);
    EXPECT_TRUE(m_dialog.Messages().empty());

    downloader->SetState(DLS_RUNNING);
    m_shared.total = (int64_t{5} << 32) + 10;  // over 4 GiB: carried whole
    m_shared.received = (int64_t{4} << 32) + 1;
    m_shared.speed = 1536;
    platform::SendMessage(relay, DL_PROGRESS, 3, param);
    platform::SendMessage(relay, DL_PROGRESS, 3, param);  // within the second: no speed
    EXPECT_EQ(platform::SendMessage(relay, DL_STATE_CHANGED, 3, param), 1);
    ASSERT_EQ(m_dialog.Ids(), (std::vector<uint32_t>{UM_DOWNLOAD_PROGRESS, UM_DOWNLOAD_SPEED, UM_DOWNLOAD_PROGRESS}));
    const auto& first = m_dialog.Messages()[0];
    EXPECT_EQ(first.wParam, static_cast<uint64_t>(m_shared.received));
    EXPECT_EQ(first.lParam, m_shared.total);
    EXPECT_EQ(m_dialog.Messages()[1].wParam, 1536u);
    EXPECT_EQ(m_dialog.Messages()[1].text, "1.5K");
}

TEST_F(ManagerTest, DownloadStepFreeSpaceBoundary) {
    Init();
    {
        testsupport::ScopedFreeSpace space(2147483647ULL);
        EXPECT_FALSE(Manager().DownloadFile("http://h/VELDMOR\\f", "f", 2));
    }
    EXPECT_EQ(m_boxes, (std::vector<std::u16string>{u"디스크 공간이 부족합니다."}));
    EXPECT_TRUE(m_shared.prepared.empty());
    {
        testsupport::ScopedFreeSpace space(2147483648ULL);
        m_shared.outcomes = {true};
        EXPECT_TRUE(Manager().DownloadFile("http://h/VELDMOR\\f", "f", 2));
    }
    EXPECT_EQ(m_boxes.size(), 1u);
    EXPECT_FALSE(Manager().DownloadFile("", "f", 2));  // empty address: nothing at all
    EXPECT_EQ(m_shared.prepared.size(), 1u);
    EXPECT_TRUE(std::filesystem::is_directory("temp_d"));
}

TEST_F(ManagerTest, DownloadStepAttemptsAndLabels) {
    Init();
    // Success at the fourth attempt: "Curl" three times, then "Ant", which stays.
    m_shared.outcomes = {false, false, false, true};
    EXPECT_TRUE(Manager().DownloadFile("http://h/VELDMOR\\a_b", "x", 2));
    EXPECT_EQ(LogCount("start file download: Curl x <-- http://h/VELDMOR/a_b?rand="), 3);
    EXPECT_EQ(LogCount("start file download: Ant x <-- "), 1);
    EXPECT_EQ(LogCount("start file download success : 2 x <-- http://h/VELDMOR/a_b?rand="), 1);
    EXPECT_FALSE(Manager().GetUseCurlLabel());

    // Six failures: three "Ant", three "Curl", one failure line with the sent address.
    std::filesystem::remove("Launch.log");
    EXPECT_FALSE(Manager().DownloadFile("http://h/VELDMOR\\a_b", "x", 2));
    EXPECT_EQ(LogCount("start file download: Ant x"), 3);
    EXPECT_EQ(LogCount("start file download: Curl x"), 3);
    EXPECT_EQ(LogCount("start file download fail: 2 x <-- http://h/VELDMOR/a%5Fb?rand%3D"), 1);
    EXPECT_EQ(LogCount("ResponseCode =0, State = 0"), 1);
    EXPECT_FALSE(Manager().GetUseCurlLabel());  // flipped twice
}

TEST_F(ManagerTest, RunningGameIsClosedOnlyWhenTheUserAgrees) {
    Init();
    // A process whose name merely begins with the game's name counts as the game.
    std::filesystem::copy_file("/bin/sleep", "Morvane.exe-old");
    platform::Process game;
    ASSERT_TRUE(platform::CreateProcess("Morvane.exe-old 30", "", game));
    for (int i = 0; i < 200 && !Manager().FindProcessByName(GAME_PROCESS_NAME); ++i) platform::Sleep(10);
    ASSERT_TRUE(Manager().FindProcessByName(GAME_PROCESS_NAME).has_value());
    EXPECT_FALSE(Manager().FindProcessByName("Morvane.exe-older").has_value());

    // A repair refused because another worker is at work neither asks nor closes the game.
    m_shared.release.Reset();
    ASSERT_TRUE(Manager().BeginSelfUpdate());
    ASSERT_TRUE(m_dialog.WaitFor({UM_SELF_UPDATE_START}));
    m_boxAnswer = 1;
    EXPECT_FALSE(Manager().BeginRepair("http://r"));
    EXPECT_TRUE(m_boxes.empty());
    EXPECT_FALSE(game.Wait(0));
    m_shared.release.Set();
    ASSERT_TRUE(m_dialog.WaitFor({UM_SELF_UPDATE_FAIL_DOWN_VERSION}));
    m_dialog.Clear();

    m_boxAnswer = 2;
    EXPECT_FALSE(Manager().BeginRepair("http://r"));
    EXPECT_FALSE(game.Wait(0));
    EXPECT_TRUE(m_dialog.Messages().empty());
    ASSERT_EQ(m_boxes.size(), 1u);
    EXPECT_EQ(m_boxes[0], u"클라이언트가 실행 중입니다.\r\n클라이언트를 종료하시겠습니까?");

    m_boxAnswer = 1;
    EXPECT_TRUE(Manager().BeginRepair("http://r"));
    EXPECT_TRUE(game.Wait(5000));
    ASSERT_TRUE(m_dialog.WaitFor({UM_REPAIR_FAIL_DOWN_VERSION}));
}

}  // namespace
