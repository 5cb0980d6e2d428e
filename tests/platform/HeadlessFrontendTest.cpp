// The headless front-end: its "[ui] " lines and escapes, answers from the environment, the
// end of the work (press start once or end the dialog), interrupts pressing close, and the
// choice of the backend.

#include "platform/Frontend.h"
#include "platform/headless/HeadlessFrontend.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <optional>
#include <thread>

using namespace platform;
using namespace platform::headless;

namespace {

// Sets (or, with nullopt, unsets) an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<std::string> value) : m_name(name) {
        if (const char* old = std::getenv(name)) m_old = old;
        if (value)
            setenv(name, value->c_str(), 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv() {
        if (m_old)
            setenv(m_name, m_old->c_str(), 1);
        else
            unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST(HeadlessFrontendTest, EscapesCarriageReturnLineFeedAndBackslashOnly) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"", ""},
        {"plain 텍스트 100%", "plain 텍스트 100%"},
        {"\n\n정말로 종료하시겠습니까?", "\\n\\n정말로 종료하시겠습니까?"},
        {"a\r\nb", "a\\r\\nb"},
        {"..\\client\\", "..\\\\client\\\\"},
        {"tab\tstays|pipe", "tab\tstays|pipe"},
    };
    for (const Case& c : cases) EXPECT_EQ(EscapeUiText(c.in), c.out) << c.in;
}

TEST(HeadlessFrontendTest, ParsesAnswerLists) {
    EXPECT_EQ(ParseAnswers(""), std::vector<bool>{});
    EXPECT_EQ(ParseAnswers("yes"), std::vector<bool>{true});
    EXPECT_EQ(ParseAnswers("yes,no, YES ,,maybe"), (std::vector<bool>{true, false, true, false, false}));
}

TEST(HeadlessFrontendTest, ProgressBarLineIsClamped) {
    EXPECT_EQ(ProgressBarLine(0), "\r[" + std::string(40, '.') + "] 0%");
    EXPECT_EQ(ProgressBarLine(50), "\r[" + std::string(20, '#') + std::string(20, '.') + "] 50%");
    EXPECT_EQ(ProgressBarLine(250), "\r[" + std::string(40, '#') + "] 100%");
}

// A dialog window run modally while the front-end watches it, with stdout captured.
struct HeadlessRun {
    WindowHandle dialog = CreateWindow("dialog", [this](WindowHandle w, uint32_t msg, WParam wp, LParam lp) {
        if (msg == kMsgCommand && wp == 1024) ++startPresses;
        if (msg == kMsgCommand && wp == 1007) {
            ++closePresses;
            EndModal(w, 2);
        }
        return DefaultWindowProc(w, msg, wp, lp);
    });
    int startPresses = 0;
    int closePresses = 0;
    bool ended = false;

    DialogHooks Hooks(std::function<bool()> workRunning) {
        DialogHooks hooks;
        hooks.startButtonId = 1024;
        hooks.workRunning = std::move(workRunning);
        hooks.pressStart = [this] { PostMessage(dialog, kMsgCommand, 1024, 0); };
        hooks.pressClose = [this] { PostMessage(dialog, kMsgCommand, 1007, 0); };
        hooks.end = [this] {
            ended = true;
            EndModal(dialog, 2);
        };
        return hooks;
    }
    ~HeadlessRun() { DestroyWindow(dialog); }
};

TEST(HeadlessFrontendTest, PrintsContractLinesAndAnswersBoxesInOrderThenNo) {
    ScopedEnv answers("DAVURERUVO_ANSWERS", "yes,no,yes");
    ScopedEnv start("DAVURERUVO_START", std::nullopt);
    testing::internal::CaptureStdout();
    std::vector<bool> given;
    {
        HeadlessFrontend frontend;
        HeadlessRun run;
        frontend.LabelChanged(1021, "업데이트확인중");
        frontend.LabelChanged(1016, "1/3\r\n");
        frontend.ProgressChanged(42);
        frontend.ButtonEnabled(1024, false);
        for (int i = 0; i < 5; ++i) {
            frontend.MessageBoxOpened(run.dialog, "안내", "게임 설치에 실패하였습니다.", [&](bool yes) { given.push_back(yes); });
            frontend.MessageBoxEnded(run.dialog, given.back() ? 1 : 2);
        }
        frontend.ButtonEnabled(1024, true);
        frontend.DialogEnded(run.dialog);
    }
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(given, (std::vector<bool>{true, false, true, false, false}));
    std::string box = "[ui] msgbox 안내|게임 설치에 실패하였습니다.\n";
    EXPECT_EQ(out, "[ui] label 1021 업데이트확인중\n"
                   "[ui] label 1016 1/3\\r\\n\n"
                   "[ui] progress 42\n"
                   "[ui] button 1024 off\n" +
                       box + "[ui] answer 1\n" + box + "[ui] answer 2\n" + box + "[ui] answer 1\n" + box +
                       "[ui] answer 2\n" + box + "[ui] answer 2\n" +
                       "[ui] button 1024 on\n"
                       "[ui] end\n");
}

TEST(HeadlessFrontendTest, EndsTheDialogOnceTheStartButtonIsOnAndNothingRuns) {
    ScopedEnv start("DAVURERUVO_START", std::nullopt);
    testing::internal::CaptureStdout();
    HeadlessFrontend frontend;
    HeadlessRun run;
    int checksWhileBusy = 0;
    frontend.ButtonEnabled(1024, false);
    frontend.DialogOpened(run.dialog, run.Hooks([&] { return ++checksWhileBusy < 3; }));
    // The work ends: start enabled while the worker still finishes its last send.
    frontend.ButtonEnabled(1024, true);
    EXPECT_EQ(RunModal(run.dialog), 2);
    frontend.DialogEnded(run.dialog);
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(run.ended);
    EXPECT_EQ(run.startPresses, 0);
    EXPECT_GE(checksWhileBusy, 3);
}

TEST(HeadlessFrontendTest, PressesStartOnceWhenAskedAndEndsTheDialogIfItStaysOpen) {
    ScopedEnv start("DAVURERUVO_START", "1");
    testing::internal::CaptureStdout();
    HeadlessFrontend frontend;
    HeadlessRun run;
    frontend.DialogOpened(run.dialog, run.Hooks([] { return false; }));
    EXPECT_EQ(RunModal(run.dialog), 2);  // the start button starts enabled in this dialog
    frontend.DialogEnded(run.dialog);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(run.startPresses, 1);
    EXPECT_TRUE(run.ended);
}

TEST(HeadlessFrontendTest, WaitsWhileTheStartButtonIsOffAndAnInterruptPressesClose) {
    ScopedEnv start("DAVURERUVO_START", "1");
    testing::internal::CaptureStdout();
    HeadlessFrontend frontend;
    HeadlessRun run;
    frontend.ButtonEnabled(1024, false);
    frontend.DialogOpened(run.dialog, run.Hooks([] { return false; }));
    // Several polls pass with the start button off: nothing happens. Then an interrupt.
    std::thread interrupter([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(3 * kIdlePollMs));
        std::raise(SIGTERM);
    });
    EXPECT_EQ(RunModal(run.dialog), 2);
    interrupter.join();
    frontend.DialogEnded(run.dialog);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(run.closePresses, 1);
    EXPECT_EQ(run.startPresses, 0);
    EXPECT_FALSE(run.ended);
}

TEST(HeadlessFrontendTest, ChoosesTheBackendByVariableAndDisplay) {
    static bool windowAvailable = false;
    struct FakeWindow : HeadlessFrontend {
        std::string_view Name() const override { return "window"; }
    };
    const FrontendBootstrap window = {"window", [] { return windowAvailable; },
                                      []() -> std::unique_ptr<Frontend> { return std::make_unique<FakeWindow>(); }};
    const FrontendBootstrap withWindow[] = {window, kHeadlessBootstrap};
    const FrontendBootstrap headlessOnly[] = {kHeadlessBootstrap};

    struct Case {
        std::optional<std::string> ui;
        std::optional<std::string> display;
        bool windowLinked;
        bool windowAvailable;
        const char* chosen;
        bool fallback;
    } cases[] = {
        {"headless", ":0", true, true, "headless", false},
        {"window", std::nullopt, true, true, "window", false},
        {std::nullopt, std::nullopt, true, true, "window", false},   // the window backend opens a display
        {std::nullopt, std::nullopt, true, false, "headless", false},
        {"window", ":0", true, false, "headless", true},
        {"window", ":0", false, false, "headless", true},
        {std::nullopt, ":0", false, false, "headless", true},        // a display, but no window backend yet
        {std::nullopt, std::nullopt, false, false, "headless", false},
    };
    ScopedEnv wayland("WAYLAND_DISPLAY", std::nullopt);
    for (const Case& c : cases) {
        ScopedEnv ui("DAVURERUVO_UI", c.ui);
        ScopedEnv display("DISPLAY", c.display);
        windowAvailable = c.windowAvailable;
        FrontendChoice choice = c.windowLinked ? ChooseFrontend(withWindow) : ChooseFrontend(headlessOnly);
        ASSERT_TRUE(choice.frontend);
        EXPECT_EQ(choice.frontend->Name(), c.chosen) << choice.description;
        EXPECT_NE(choice.description.find(std::string("ui backend: ")), std::string::npos);
        EXPECT_EQ(choice.description.find("falling back to headless") != std::string::npos, c.fallback)
            << choice.description;
    }
}

}  // namespace
