// The main dialog: its controls under their ids, places and skins; start disabled; the
// close command and its confirmation; Escape; minimise; run-time button commands; web links.

#include "RecordingFrontend.h"

#include "platform/ProcessInfo.h"
#include "tests/support/TempDir.h"
#include "ui/CDAVureruvoDlg.h"
#include "ui/ControlIds.h"
#include "ui/WebLinks.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <set>

using platform::kMsgCommand;
using platform::kMsgKeyDown;
using platform::PostMessage;
using Events = std::vector<std::string>;

namespace {

const char* const kCloseBox = "msgbox |\n\n정말로 종료하시겠습니까?";

// Runs the dialog; the front-end ends it as soon as it opens unless the test scripts more.
struct DialogRun {
    ScopedRecordingFrontend frontend;
    CDAVureruvoDlg dlg;
    platform::LResult result = 0;

    void Run() { result = dlg.DoModal(); }
};

TEST(DialogTest, BuildsEveryControlOfTheTableAtItsPlaceWithStartDisabled) {
    DialogRun run;
    run.frontend->onOpened = [](platform::WindowHandle, platform::DialogHooks& hooks) { hooks.end(); };
    run.Run();
    const DialogModel& model = run.dlg.Model();

    struct Expected {
        int id;
        ControlKind kind;
        UiRect rect;
    } expected[] = {
        {1011, ControlKind::Label, {130, 615, 70, 20}},  {1012, ControlKind::Label, {230, 615, 170, 20}},
        {1013, ControlKind::Label, {720, 615, 90, 20}},  {1014, ControlKind::Label, {830, 615, 90, 20}},
        {1002, ControlKind::ProgressBar, {126, 635, 832, 12}},
        {1021, ControlKind::Label, {130, 655, 500, 20}}, {1019, ControlKind::Label, {720, 655, 90, 20}},
        {1020, ControlKind::Label, {830, 655, 150, 20}}, {1015, ControlKind::Label, {130, 680, 90, 20}},
        {1016, ControlKind::Label, {230, 680, 170, 30}}, {1017, ControlKind::Label, {720, 680, 90, 20}},
        {1018, ControlKind::Label, {830, 680, 70, 20}},
        {1024, ControlKind::Button, {1010, 615, 239, 65}}, {1007, ControlKind::Button, {1230, 20, 40, 40}},
        {1025, ControlKind::Button, {1180, 20, 40, 40}},
        {500001, ControlKind::Button, {1190, 152, 54, 54}}, {500003, ControlKind::Button, {1190, 230, 54, 54}},
        {500005, ControlKind::Button, {1190, 305, 54, 54}}, {500002, ControlKind::Button, {1190, 380, 54, 54}},
        {500006, ControlKind::Button, {1190, 455, 54, 54}}, {500004, ControlKind::Button, {1130, 20, 40, 40}},
    };
    EXPECT_EQ(model.Controls().size(), std::size(expected));
    for (const Expected& e : expected) {
        const UiControl* c = model.Find(e.id);
        ASSERT_NE(c, nullptr) << e.id;
        EXPECT_EQ(c->kind, e.kind) << e.id;
        EXPECT_EQ(c->rect, e.rect) << e.id;
        EXPECT_TRUE(c->text.empty()) << e.id;
        EXPECT_TRUE(c->visible) << e.id;
        EXPECT_EQ(c->enabled, e.id != IDC_BTN_START) << e.id;
    }
    EXPECT_EQ(model.Find(IDC_BTN_START)->skin, (ButtonSkin{145, 146, 146, 143, 144}));
    EXPECT_EQ(model.Find(IDC_BTN_CLOSE)->skin, (ButtonSkin{148, 149, 148, 148, 147}));
    EXPECT_EQ(model.Find(IDC_BTN_MINIMIZE)->skin, (ButtonSkin{151, 152, 151, 151, 150}));
    EXPECT_EQ(model.Find(IDC_BTN_CAFE)->skin, (ButtonSkin{157, 158, 157, 157, 156}));
    EXPECT_EQ(model.Find(IDC_BTN_REPAIR)->skin, (ButtonSkin{163, 164, 163, 163, 162}));
    const UiControl* progress = model.Find(IDC_PROGRESS);
    EXPECT_EQ(progress->rangeLow, 1);
    EXPECT_EQ(progress->rangeHigh, 100);
    EXPECT_EQ(progress->position, 1);
    EXPECT_EQ(progress->fillBitmap, 131);
    EXPECT_EQ(model.windowRect, (UiRect{0, 0, 1280, 720}));
    EXPECT_EQ(model.title, u"DAVureruvo");

    EXPECT_EQ(run.result, IDCANCEL);
    EXPECT_EQ(run.frontend->Events(), (Events{"button 1024 off", "progress 1", "opened", "end"}));
}

TEST(DialogTest, RunTimeButtonsCommandWithTheLow16BitsOfTheirIds) {
    struct Case {
        int id;
        uint16_t command;
    } cases[] = {{500001, 41249}, {500002, 41250}, {500003, 41251}, {500004, 41252}, {500005, 41253}, {500006, 41254}};
    for (const Case& c : cases) EXPECT_EQ(CommandOf(c.id), c.command);
    std::set<std::string> urls;
    for (uint16_t command : {ID_CMD_SITE, ID_CMD_FACEBOOK, ID_CMD_CAFE, ID_CMD_YOUTUBE, ID_CMD_INSTAGRAM}) {
        ASSERT_NE(WebLinkUrl(command), nullptr);
        urls.insert(WebLinkUrl(command));
    }
    EXPECT_EQ(urls.size(), 5u);
    EXPECT_EQ(WebLinkUrl(ID_CMD_REPAIR), nullptr);
}

TEST(DialogTest, CloseAsksAndEndsOnlyWhenConfirmedWhileEscapeDoesNothing) {
    DialogRun run;
    run.frontend->answers = {false, true};
    run.frontend->onOpened = [](platform::WindowHandle dialog, platform::DialogHooks&) {
        PostMessage(dialog, kMsgKeyDown, platform::kKeyEscape, 0);
        PostMessage(dialog, kMsgKeyDown, platform::kKeyReturn, 0);
        PostMessage(dialog, kMsgCommand, IDC_BTN_CLOSE, 0);  // declined
    };
    run.frontend->afterBox.push_back([](platform::WindowHandle dialog) {
        PostMessage(dialog, kMsgCommand, IDC_BTN_CLOSE, 0);  // confirmed
    });
    run.frontend->afterBox.push_back([](platform::WindowHandle dialog) {
        PostMessage(dialog, kMsgCommand, IDC_BTN_MINIMIZE, 0);  // never reached: the dialog has ended
    });
    run.Run();
    EXPECT_EQ(run.result, IDCANCEL);
    EXPECT_EQ(run.frontend->Events(), (Events{"button 1024 off", "progress 1", "opened", kCloseBox, "answer 2",
                                              kCloseBox, "answer 1", "end"}));
    EXPECT_FALSE(run.dlg.Model().minimised);
}

TEST(DialogTest, MinimiseAndTheRepairOffer) {
    DialogRun run;
    run.frontend->answers = {false, true};
    run.frontend->onOpened = [](platform::WindowHandle dialog, platform::DialogHooks& hooks) {
        PostMessage(dialog, kMsgCommand, IDC_BTN_MINIMIZE, 0);
        PostMessage(dialog, kMsgCommand, ID_CMD_REPAIR, 0);
        hooks.pressStart();  // disabled: nothing happens
    };
    run.frontend->afterBox.push_back(
        [](platform::WindowHandle dialog) { PostMessage(dialog, kMsgCommand, IDC_BTN_CLOSE, 0); });
    run.Run();
    EXPECT_TRUE(run.dlg.Model().minimised);
    EXPECT_EQ(run.frontend->Events(),
              (Events{"button 1024 off", "progress 1", "opened", "minimised",
                      "msgbox 클라이언트 복구|아래 '확인' 버튼을 통해 클라이언트 오류 해결을 시도할 수 있습니다.\r\n "
                      "클라이언트 복구에 다소 시간이 걸릴 수 있으니 잠시 기다려주세요.",
                      "answer 2", kCloseBox, "answer 1", "end"}));
}

TEST(DialogTest, AConfirmedCloseEndsCleanlyWhileAWorkerKeepsSendingToTheDialog) {
    DialogRun run;
    run.frontend->answers = {true};
    std::thread worker;
    std::atomic<int> sends{0};
    run.frontend->onOpened = [&](platform::WindowHandle dialog, platform::DialogHooks&) {
        worker = std::thread([&, dialog] {
            // A worker reporting progress; once the dialog is gone its sends return at once.
            while (platform::IsWindow(dialog)) {
                platform::SendMessage(dialog, platform::kMsgUser + 0x4926, 1, 2);
                ++sends;
            }
        });
        PostMessage(dialog, kMsgCommand, IDC_BTN_CLOSE, 0);
    };
    run.Run();
    worker.join();
    EXPECT_EQ(run.result, IDCANCEL);
    EXPECT_EQ(run.frontend->Events().back(), "end");
}

TEST(DialogTest, WebLinkButtonsHandTheirPageToTheShell) {
    testsupport::TempDir dir;
    std::filesystem::create_directories(dir / "bin");
    testsupport::WriteFile(dir / "bin/xdg-open", "#!/bin/sh\necho \"$1\" >> \"" + (dir / "opened.txt") + "\"\n");
    std::filesystem::permissions(dir / "bin/xdg-open", std::filesystem::perms::owner_all);
    std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", (dir / "bin").c_str(), 1);

    DialogRun run;
    run.frontend->answers = {true};
    run.frontend->onOpened = [](platform::WindowHandle dialog, platform::DialogHooks&) {
        PostMessage(dialog, kMsgCommand, ID_CMD_YOUTUBE, 0);
        PostMessage(dialog, kMsgCommand, IDC_BTN_CLOSE, 0);
    };
    run.Run();
    setenv("PATH", savedPath.c_str(), 1);
    std::string expected = std::string(WebLinkUrl(ID_CMD_YOUTUBE)) + "\n";
    for (int i = 0; i < 300 && testsupport::ReadFile(dir / "opened.txt") != expected; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(testsupport::ReadFile(dir / "opened.txt"), expected);
}

TEST(DialogTest, RepairFlagIsASubstringOfTheCommandLine) {
    struct Case {
        std::vector<const char*> argv;
        bool repair;
    } cases[] = {
        {{"VXLaunch.bin", "-runbin", "-repaire"}, true},
        {{"VXLaunch.bin", "-runbin", "-repaired"}, true},
        {{"VXLaunch.bin", "x-repairex"}, true},
        {{"VXLaunch.bin", "-runbin", "-Repaire"}, false},
        {{"VXLaunch.bin", "-runbin"}, false},
    };
    for (const Case& c : cases) {
        platform::SetCommandLine(static_cast<int>(c.argv.size()), c.argv.data());
        DialogRun run;
        run.frontend->onOpened = [](platform::WindowHandle, platform::DialogHooks& hooks) { hooks.end(); };
        run.Run();
        EXPECT_EQ(run.dlg.RepairRequested(), c.repair) << c.argv.back();
    }
    platform::SetCommandLine(0, nullptr);
}

}  // namespace
