#pragma once
// The headless front-end: no window; it prints what a user would see as "[ui] " lines on
// standard output, answers message boxes from DAVURERUVO_ANSWERS, and plays the user at the
// end of the work (DAVURERUVO_START). On a terminal it also keeps a one-line progress bar
// on standard error. From its creation until the main dialog ends, SIGINT and SIGTERM press
// the dialog's close button (the box that asks is answered as every other box).

#include "platform/Frontend.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace platform::headless {

// How often the front-end looks whether the work has ended (and for a close request).
inline constexpr uint32_t kIdlePollMs = 50;

// The text of a "[ui] " line: CR as "\r", LF as "\n", backslash as "\\", the rest as is.
std::string EscapeUiText(std::string_view text);

// DAVURERUVO_ANSWERS parsed: one entry per comma-separated item, true for "yes" (any case,
// blanks around ignored), false for anything else.
std::vector<bool> ParseAnswers(std::string_view list);

// The one-line progress bar drawn on a terminal for position (clamped to 0..100).
std::string ProgressBarLine(int position);

class HeadlessFrontend : public Frontend {
public:
    // Reads DAVURERUVO_ANSWERS and DAVURERUVO_START now.
    HeadlessFrontend();
    ~HeadlessFrontend() override;

    std::string_view Name() const override { return "headless"; }
    void DialogOpened(WindowHandle dialog, DialogHooks hooks) override;
    void LabelChanged(int id, std::string_view text) override;
    void ProgressChanged(int position) override;
    void ButtonEnabled(int id, bool enabled) override;
    void MessageBoxOpened(WindowHandle box, std::string_view caption, std::string_view text,
                          std::function<void(bool confirm)> answer) override;
    void MessageBoxEnded(WindowHandle box, int result) override;
    void DialogEnded(WindowHandle dialog) override;

private:
    // Timer of the hidden watcher window: close requests and the end of the work.
    void OnIdleCheck();
    bool NextAnswer();
    void ClearProgressLine();

    std::vector<bool> m_answers;
    size_t m_nextAnswer = 0;
    bool m_pressStart = false;
    bool m_startPressed = false;
    std::map<int, bool> m_buttonEnabled;  // buttons whose state was reported
    int m_openBoxes = 0;
    bool m_progressOnTerminal = false;
    bool m_progressDrawn = false;
    WindowHandle m_dialog;
    WindowHandle m_watcher;
    DialogHooks m_hooks;
};

// The bootstrap record of this backend (always available).
extern const FrontendBootstrap kHeadlessBootstrap;

}  // namespace platform::headless
