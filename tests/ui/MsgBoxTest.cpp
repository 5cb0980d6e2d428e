// The message box: results 1 and 2, its controls, Escape filtered, Enter confirming, shown
// on the owner's thread for callers on other threads, cancel when the owner is gone.

#include "RecordingFrontend.h"

#include "ui/ControlIds.h"
#include "ui/VXMsgBox.h"

#include <gtest/gtest.h>

#include <thread>

using platform::kMsgCommand;
using platform::kMsgKeyDown;
using platform::PostMessage;
using platform::WindowHandle;

namespace {

// A dialog-sized owner window whose model the box centres on.
struct Owner {
    DialogModel model;
    WindowHandle window = platform::CreateWindow("owner", platform::DefaultWindowProc);
    Owner() {
        model.windowRect = {0, 0, 1280, 720};
        model.Bind(window);
    }
    ~Owner() {
        model.Bind({});
        platform::DestroyWindow(window);
    }
};

TEST(MsgBoxTest, AnswersGiveOneOrTwoAndTheBoxIsLaidOutCentredOnItsOwner) {
    ScopedRecordingFrontend frontend;
    Owner owner;
    frontend->answers = {true, false};
    EXPECT_EQ(VXMsgBox::Show(u"게임을 복구하시겠습니까?", u"안내", owner.window), 1);
    EXPECT_EQ(VXMsgBox::Show(u"", u"", owner.window), 2);
    EXPECT_EQ(frontend->Events(), (std::vector<std::string>{"msgbox 안내|게임을 복구하시겠습니까?", "answer 1",
                                                            "msgbox |", "answer 2"}));
    EXPECT_EQ(frontend->boxRect, (UiRect{369, 230, 542, 260}));

    struct Expected {
        int id;
        UiRect rect;
        bool visible;
    } expected[] = {
        {IDC_BOX_CONFIRM, {315, 199, 170, 48}, true}, {IDC_BOX_CANCEL, {53, 199, 170, 48}, true},
        {IDC_BOX_CLOSE, {418, 0, 18, 18}, false},     {IDC_BOX_TEXT, {40, 30, 450, 120}, true},
        {IDC_BOX_CAPTION, {0, 0, 0, 0}, true},
    };
    ASSERT_EQ(frontend->boxControls.size(), std::size(expected));
    for (const Expected& e : expected) {
        auto it = std::find_if(frontend->boxControls.begin(), frontend->boxControls.end(),
                               [&](const UiControl& c) { return c.id == e.id; });
        ASSERT_NE(it, frontend->boxControls.end()) << e.id;
        EXPECT_EQ(it->rect, e.rect) << e.id;
        EXPECT_EQ(it->visible, e.visible) << e.id;
    }
    // The last box had an empty text: the label stays empty, both buttons are there.
    auto text = std::find_if(frontend->boxControls.begin(), frontend->boxControls.end(),
                             [](const UiControl& c) { return c.id == IDC_BOX_TEXT; });
    EXPECT_TRUE(text->text.empty());
    EXPECT_TRUE(text->centred);
}

TEST(MsgBoxTest, EscapeIsFilteredAndEnterConfirms) {
    ScopedRecordingFrontend frontend;
    Owner owner;
    frontend->onBox = [](WindowHandle box) {
        PostMessage(box, kMsgKeyDown, platform::kKeyEscape, 0);
        PostMessage(box, kMsgKeyDown, platform::kKeyReturn, 0);
    };
    EXPECT_EQ(VXMsgBox::Show(u"a", u"b", owner.window), 1);
    frontend->onBox = [](WindowHandle box) {
        PostMessage(box, kMsgKeyDown, platform::kKeyEscape, 0);
        PostMessage(box, kMsgCommand, IDC_BOX_CLOSE, 0);  // the hidden close button cancels
    };
    EXPECT_EQ(VXMsgBox::Show(u"a", u"b", owner.window), 2);
}

TEST(MsgBoxTest, AWorkerGetsTheBoxOnTheOwnerThreadAndCancelWhenTheOwnerIsGone) {
    ScopedRecordingFrontend frontend;
    frontend->answers = {true};
    std::thread::id ui = std::this_thread::get_id();
    WindowHandle dialog = platform::CreateWindow("dialog", platform::DefaultWindowProc);
    int workerAnswer = 0;
    std::thread worker([&] {
        workerAnswer = VXMsgBox::Show(u"클라이언트가 실행 중입니다.\r\n클라이언트를 종료하시겠습니까?", u"안내", dialog);
        platform::EndModal(dialog, 0);
    });
    platform::RunModal(dialog);
    worker.join();
    EXPECT_EQ(workerAnswer, 1);
    ASSERT_EQ(frontend->boxThreads.size(), 1u);
    EXPECT_EQ(frontend->boxThreads[0], ui);
    EXPECT_EQ(frontend->Events()[0], "msgbox 안내|클라이언트가 실행 중입니다.\r\n클라이언트를 종료하시겠습니까?");

    platform::DestroyWindow(dialog);
    std::thread late([&] { workerAnswer = VXMsgBox::Show(u"x", u"y", dialog); });
    late.join();
    EXPECT_EQ(workerAnswer, 2);
    EXPECT_EQ(frontend->boxThreads.size(), 1u);  // no box was shown
}

}  // namespace
