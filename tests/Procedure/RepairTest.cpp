#include "Procedure/ProcedureGameRepair.h"
#include "Procedure/ProcedureManager.h"
#include "Procedure/ProcedureMessages.h"
#include "Procedure/ProcedureSelfPatch.h"
#include "tests/support/Faults.h"
#include "tests/support/RecordingWindow.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tests/support/UpdateServer.h"
#include "tools/publish/lib/VersionListWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::RecordingWindow;
using testsupport::WriteFileMakingDirs;

namespace {

// A game root with the launcher's directory (the current one) and the client files beside
// it, an update server tree published from source trees, and the manager driving a
// recording dialog.
class RepairTest : public testing::Test {
protected:
    // Makes the layout and returns the launcher's directory.
    static std::string MakeLayout(const testsupport::TempDir& dir) {
        fs::create_directories(dir / "game/launcher");
        fs::create_directories(dir / "server");
        return dir / "game/launcher";
    }
    void TearDown() override {
        ProcedureManager::Instance().Shutdown();
        ProcedureManager::Instance().SetMessageBox({});
    }

    // Publishes the tree source as version into the server's area.
    void Publish(const std::string& area, const std::string& prefix, const std::string& version,
                 const std::map<std::string, std::string>& files, bool envelope = true) {
        const std::string source = m_dir / ("src-" + version);
        fs::remove_all(source);
        fs::create_directories(source);
        for (const auto& [path, data] : files) WriteFileMakingDirs(source + "/" + path, data);
        VersionAreaOptions options;
        options.prefix = prefix;
        options.envelope = envelope;
        std::string error;
        ASSERT_TRUE(PublishVersionArea(source, m_dir / ("server/VELDMOR/" + area), version, options, &error))
            << error;
    }
    // Installs files into the client directory with an installed list of version.
    void InstallClient(const std::string& version, const std::map<std::string, std::string>& files) {
        for (const auto& [path, data] : files) WriteFileMakingDirs(m_dir / ("game/" + path), data);
        std::vector<VersionListEntry> entries;
        ASSERT_TRUE(ScanTree(m_dir / "game", {"launcher"}, entries));
        entries.erase(std::remove_if(entries.begin(), entries.end(),
                                     [](const VersionListEntry& e) { return e.path.rfind("launcher\\", 0) == 0; }),
                      entries.end());
        testsupport::WriteFile(m_dir / "game/GameInfo.ini", FormatVersionList(version, entries));
    }
    void StartServer() { m_server = std::make_unique<testsupport::UpdateServer>(m_dir / "server"); }
    ProcedureManager& InitManager() {
        ProcedureManager& m = ProcedureManager::Instance();
        m.SetMessageBox([](std::u16string_view, std::u16string_view, platform::WindowHandle) { return 2; });
        m.Init(m_dialog.Handle());
        return m;
    }
    // Points bases 2 and 3 of a repair at the test server (by default they name the
    // built-in address).
    template <typename Repair>
    void FallbacksTo(Repair* repair, const std::string& base) {
        repair->SetSecondUrl(base);
        repair->SetThirdUrl(base);
    }
    std::vector<std::string> RequestedPaths() {
        std::vector<std::string> paths;
        for (const auto& r : m_server->Requests()) paths.push_back(r.path);
        return paths;
    }
    std::string Game(const std::string& path) { return ReadFile(m_dir / ("game/" + path)); }
    int LogCount(const std::string& needle) { return testsupport::CountOccurrences(ReadFile("Launch.log"), needle); }

    testsupport::TempDir m_dir;
    testsupport::ScopedCurrentDir m_cd{MakeLayout(m_dir)};
    testsupport::ScopedEnv m_tmp{"TMPDIR", m_dir.Path().c_str()};
    testsupport::ScopedFreeSpace m_space{uint64_t{1} << 40};
    std::unique_ptr<testsupport::UpdateServer> m_server;
    RecordingWindow m_dialog{{UM_LATEST_VERSION, UM_CURRENT_VERSION, UM_FILE_LIST_NAME}, {}};
};

const std::vector<uint32_t> kTransferMessages = {UM_DOWNLOAD_PROGRESS, UM_DOWNLOAD_SPEED};

TEST_F(RepairTest, BringsTheClientInLineWithTheList) {
    Publish("GameVersion", "Game_", "1.1",
            {{"b.dat", "same"}, {"c.dat", "new file"}, {"size.dat", "longer now"},
             {"crc.dat", "AAAA"}, {"Data/Maps/x.pak", "map"}, {"empty.dat", ""}});
    InstallClient("1.0", {{"a.dat", "left the list"}, {"b.dat", "same"}, {"size.dat", "short"},
                          {"crc.dat", "BBBB"}, {"empty.dat", ""}});
    StartServer();
    ASSERT_TRUE(InitManager().BeginRepair(m_server->BaseUrl() + "/VELDMOR"));
    ASSERT_TRUE(m_dialog.WaitFor({UM_REPAIR_SUCCESS, UM_REPAIR_FAIL_DOWN_FILE, UM_REPAIR_FAIL_CMP_GAMEINFO}));
    EXPECT_TRUE(m_dialog.Received(UM_REPAIR_SUCCESS));

    EXPECT_FALSE(fs::exists(m_dir / "game/a.dat"));
    EXPECT_EQ(Game("b.dat"), "same");
    EXPECT_EQ(Game("c.dat"), "new file");
    EXPECT_EQ(Game("size.dat"), "longer now");
    EXPECT_EQ(Game("crc.dat"), "AAAA");
    EXPECT_EQ(Game("Data/Maps/x.pak"), "map");
    EXPECT_EQ(Game("GameInfo.ini"), ReadFile(m_dir / "server/VELDMOR/GameVersion/Game_1.1/GameInfo.ini"));
    EXPECT_TRUE(fs::is_empty(m_dir / "game/launcher/temp_game/game"));

    // Files in order were never fetched.
    std::vector<std::string> paths = RequestedPaths();
    std::vector<std::string> expected = {"/VELDMOR/GameVersion/version", "/VELDMOR/GameVersion/Game_1.1/GameInfo.ini",
                                         "/VELDMOR/GameVersion/Game_1.1/Data/Maps/x.pak",
                                         "/VELDMOR/GameVersion/Game_1.1/c.dat", "/VELDMOR/GameVersion/Game_1.1/crc.dat",
                                         "/VELDMOR/GameVersion/Game_1.1/size.dat"};
    EXPECT_EQ(paths, expected);

    // The messages in order: entries by path bytes (upper case first), four steps a file.
    // File steps are written as step * 100 + entry index.
    std::vector<std::pair<uint32_t, uint64_t>> seen;
    for (const auto& m : m_dialog.Messages()) {
        if (std::find(kTransferMessages.begin(), kTransferMessages.end(), m.id) != kTransferMessages.end()) continue;
        seen.emplace_back(m.id, m.id == UM_FILE_LIST_STEP ? m.wParam * 100 + static_cast<uint64_t>(m.lParam) : m.wParam);
    }
    const auto& msgs = m_dialog.Messages();
    auto text = [&](uint32_t id) {
        for (const auto& m : msgs) {
            if (m.id == id) return m.text;
        }
        return std::string("<none>");
    };
    EXPECT_EQ(text(UM_LATEST_VERSION), "1.1");
    EXPECT_EQ(text(UM_CURRENT_VERSION), "1.0");
    std::vector<std::pair<uint32_t, uint64_t>> want = {
        {UM_REPAIR_START, 0}, {UM_REPAIR_STARTED, 0}, {UM_LATEST_VERSION, 0}, {UM_CURRENT_VERSION, 0},
        {UM_REPAIR_CLEANUP_PERCENT, 50}, {UM_FILE_LIST_COUNT, 6},
        // Data\Maps\x.pak: missing
        {UM_FILE_LIST_STEP, 101}, {UM_FILE_LIST_NAME, 0}, {UM_FILE_LIST_STEP, 201}, {UM_FILE_LIST_STEP, 301}, {UM_FILE_LIST_STEP, 401},
        // b.dat: in order
        {UM_FILE_LIST_STEP, 102}, {UM_FILE_LIST_NAME, 0}, {UM_FILE_LIST_STEP, 302},
        // c.dat: missing
        {UM_FILE_LIST_STEP, 103}, {UM_FILE_LIST_NAME, 0}, {UM_FILE_LIST_STEP, 203}, {UM_FILE_LIST_STEP, 303}, {UM_FILE_LIST_STEP, 403},
        // crc.dat: right size, wrong CRC-32
        {UM_FILE_LIST_STEP, 104}, {UM_FILE_LIST_NAME, 0}, {UM_FILE_LIST_STEP, 204}, {UM_FILE_LIST_STEP, 304}, {UM_FILE_LIST_STEP, 404},
        // empty.dat: size 0, in order without a CRC-32
        {UM_FILE_LIST_STEP, 105}, {UM_FILE_LIST_NAME, 0}, {UM_FILE_LIST_STEP, 305},
        // size.dat: wrong size
        {UM_FILE_LIST_STEP, 106}, {UM_FILE_LIST_NAME, 0}, {UM_FILE_LIST_STEP, 206}, {UM_FILE_LIST_STEP, 306}, {UM_FILE_LIST_STEP, 406},
        {UM_FILE_LIST_STEP, 406}, {UM_REPAIR_SUCCESS, 0},
    };
    // UM_REPAIR_STARTED comes from the starting thread and may pass the worker's first send.
    auto withoutStarted = [](std::vector<std::pair<uint32_t, uint64_t>> v) {
        v.erase(std::remove_if(v.begin(), v.end(), [](auto& p) { return p.first == UM_REPAIR_STARTED; }), v.end());
        for (auto& p : v) {
            if (p.first == UM_FILE_LIST_NAME || p.first == UM_LATEST_VERSION || p.first == UM_CURRENT_VERSION) p.second = 0;
        }
        return v;
    };
    EXPECT_EQ(withoutStarted(seen), withoutStarted(want));
}

TEST_F(RepairTest, EverythingInOrderStillInstallsTheNewList) {
    Publish("GameVersion", "Game_", "2.0", {{"a.dat", "x"}}, false);
    InstallClient("1.0", {{"a.dat", "x"}});
    StartServer();
    ASSERT_TRUE(InitManager().BeginRepair(m_server->BaseUrl() + "/VELDMOR"));
    ASSERT_TRUE(m_dialog.WaitFor({UM_REPAIR_NO_NEED, UM_REPAIR_FAIL_DOWN_VERSION}));
    EXPECT_TRUE(m_dialog.Received(UM_REPAIR_NO_NEED));
    EXPECT_EQ(Game("GameInfo.ini"), ReadFile(m_dir / "server/VELDMOR/GameVersion/Game_2.0/GameInfo.ini"));
}

TEST_F(RepairTest, Md5MismatchIsFetchedThreeTimesThenFails) {
    Publish("GameVersion", "Game_", "1.1", {{"a.dat", "good content"}});
    InstallClient("1.0", {});
    StartServer();
    m_server->SetFaults({"/VELDMOR/GameVersion/Game_1.1/a.dat=flip:0"});
    ASSERT_TRUE(InitManager().BeginRepair(m_server->BaseUrl() + "/VELDMOR"));
    ASSERT_TRUE(m_dialog.WaitFor({UM_REPAIR_FAIL_DOWN_FILE, UM_REPAIR_SUCCESS}));
    EXPECT_TRUE(m_dialog.Received(UM_REPAIR_FAIL_DOWN_FILE));
    m_server->WaitForRequests(5);
    std::vector<std::string> paths = RequestedPaths();
    EXPECT_EQ(std::count(paths.begin(), paths.end(), "/VELDMOR/GameVersion/Game_1.1/a.dat"), 3);
    EXPECT_EQ(LogCount("DownFile Md5 Warning  \r\n"), 3);
    EXPECT_TRUE(fs::exists("temp_game/game/a.dat"));  // the temporary file stays
    EXPECT_FALSE(fs::exists(m_dir / "game/a.dat"));
    EXPECT_EQ(ReadFile(m_dir / "game/GameInfo.ini").find("Version=1.0") != std::string::npos, true);
}

TEST_F(RepairTest, AllBasesFailingMakesEighteenRequests) {
    Publish("GameVersion", "Game_", "1.1", {{"a.dat", "x"}});
    StartServer();
    m_server->SetFaults({"/VELDMOR/GameVersion/version=404"});
    ProcedureManager& m = InitManager();
    FallbacksTo(static_cast<ProcedureGameRepair*>(m.GetProcedure(PROCEDURE_GAME_REPAIR)), m_server->BaseUrl() + "/VELDMOR");
    ASSERT_TRUE(m.BeginRepair(m_server->BaseUrl() + "/VELDMOR"));
    ASSERT_TRUE(m_dialog.WaitFor({UM_REPAIR_FAIL_DOWN_VERSION}));
    EXPECT_EQ(m_server->WaitForRequests(18).size(), 18u);
    EXPECT_EQ(LogCount("start file download fail: 2 temp_game\\version <-- "), 3);
}

TEST_F(RepairTest, AFailingFirstBaseFallsBackToTheSecond) {
    Publish("GameVersion", "Game_", "1.1", {{"a.dat", "x"}});
    InstallClient("1.0", {});
    StartServer();
    ProcedureManager& m = InitManager();
    FallbacksTo(static_cast<ProcedureGameRepair*>(m.GetProcedure(PROCEDURE_GAME_REPAIR)), m_server->BaseUrl() + "/VELDMOR");
    ASSERT_TRUE(m.BeginRepair(m_server->BaseUrl() + "/MISSING"));
    ASSERT_TRUE(m_dialog.WaitFor({UM_REPAIR_SUCCESS, UM_REPAIR_FAIL_DOWN_VERSION, UM_REPAIR_FAIL_DOWN_FILE}));
    EXPECT_TRUE(m_dialog.Received(UM_REPAIR_SUCCESS));
    EXPECT_EQ(Game("a.dat"), "x");
    // Every fetch tried base 1 six times before base 2 served it.
    std::vector<std::string> paths = RequestedPaths();
    EXPECT_EQ(std::count(paths.begin(), paths.end(), "/MISSING/GameVersion/version"), 6);
}

TEST_F(RepairTest, AListPathLeavingTheRootIsRefused) {
    // A hand-made list: the publisher refuses to write such a path.
    fs::create_directories(m_dir / "server/VELDMOR/GameVersion/Game_6");
    testsupport::WriteFile(m_dir / "server/VELDMOR/GameVersion/version", "6");
    testsupport::WriteFile(m_dir / "server/VELDMOR/GameVersion/Game_6/GameInfo.ini",
                           "[Version]\nVersion=6\n[FileList]\nFileCount=2\n"
                           "File0=ok.dat,00000000000000000000000000000000,00000000,1,0\n"
                           "File1=..\\..\\x,00000000000000000000000000000000,00000000,1,0\n");
    InstallClient("5", {{"keep.dat", "k"}});
    StartServer();
    ASSERT_TRUE(InitManager().BeginRepair(m_server->BaseUrl() + "/VELDMOR"));
    ASSERT_TRUE(m_dialog.WaitFor({UM_REPAIR_FAIL_CMP_GAMEINFO, UM_REPAIR_FAIL_DOWN_FILE, UM_REPAIR_SUCCESS}));
    EXPECT_TRUE(m_dialog.Received(UM_REPAIR_FAIL_CMP_GAMEINFO));
    EXPECT_FALSE(fs::exists(m_dir / "x"));
    EXPECT_FALSE(fs::exists(m_dir / "game/ok.dat"));
    EXPECT_EQ(Game("keep.dat"), "k");
    EXPECT_EQ(LogCount("unsafe path in file list refused: ..\\..\\x"), 1);
}

TEST_F(RepairTest, SelfUpdateReplacesTheLauncherThenFindsNothing) {
    testsupport::WriteFile("DAVureruvo.exe", "old launcher");
    Publish("LauncherVersion", "Launcher_", "1.0.1", {{"DAVureruvo.exe", "new launcher"}, {"res/skin.dat", "s"}});
    StartServer();
    testsupport::WriteFile("launcher.ini", "[launcher]\nlauncherUrl=" + m_server->BaseUrl() + "/VELDMOR\n");
    ProcedureManager& m = InitManager();
    ASSERT_TRUE(m.BeginSelfUpdate());
    ASSERT_TRUE(m_dialog.WaitFor({UM_SELF_UPDATE_SUCCESS, UM_SELF_UPDATE_NO_NEED, UM_SELF_UPDATE_FAIL_DOWN_VERSION,
                                  UM_SELF_UPDATE_FAIL_DOWN_FILE}));
    EXPECT_TRUE(m_dialog.Received(UM_SELF_UPDATE_SUCCESS));
    EXPECT_EQ(ReadFile("DAVureruvo.exe"), "new launcher");
    EXPECT_EQ(ReadFile("res/skin.dat"), "s");
    EXPECT_TRUE(fs::exists("GameInfo.ini"));

    // A second self-update starts once the first worker has ended.
    bool started = false;
    for (int i = 0; i < 500 && !(started = m.BeginSelfUpdate()); ++i) platform::PumpMessages(10);
    ASSERT_TRUE(started);
    ASSERT_TRUE(m_dialog.WaitFor({UM_SELF_UPDATE_NO_NEED}));
    EXPECT_EQ(m_dialog.Ids(kTransferMessages).back(), UM_SELF_UPDATE_NO_NEED);
}

}  // namespace
