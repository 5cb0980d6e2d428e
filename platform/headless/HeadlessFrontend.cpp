#include "platform/headless/HeadlessFrontend.h"

#include "platform/Console.h"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdlib>

namespace platform::headless {
namespace {

// Set by SIGINT/SIGTERM while a dialog runs; read by the watcher's timer. Lock-free, so
// the signal handler may touch it.
std::atomic<bool> g_closeRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void OnCloseSignal(int) { g_closeRequested.store(true); }

constexpr WParam kIdleTimerId = 1;
constexpr int kProgressCells = 40;

std::string Trim(std::string_view s) {
    size_t b = s.find_first_not_of(" \t");
    if (b == std::string_view::npos) return {};
    size_t e = s.find_last_not_of(" \t");
    return std::string(s.substr(b, e - b + 1));
}

bool EqualsAsciiNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return (x >= 'A' && x <= 'Z' ? x + 32 : x) == (y >= 'A' && y <= 'Z' ? y + 32 : y);
           });
}

}  // namespace

std::string EscapeUiText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        case '\\': out += "\\\\"; break;
        default: out += c;
        }
    }
    return out;
}

std::vector<bool> ParseAnswers(std::string_view list) {
    std::vector<bool> answers;
    if (list.empty()) return answers;
    size_t start = 0;
    for (;;) {
        size_t comma = list.find(',', start);
        std::string item = Trim(list.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        answers.push_back(EqualsAsciiNoCase(item, "yes"));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return answers;
}

std::string ProgressBarLine(int position) {
    int pos = std::clamp(position, 0, 100);
    int filled = pos * kProgressCells / 100;
    std::string line = "\r[";
    line.append(static_cast<size_t>(filled), '#');
    line.append(static_cast<size_t>(kProgressCells - filled), '.');
    line += "] " + std::to_string(pos) + "%";
    return line;
}

HeadlessFrontend::HeadlessFrontend() {
    const char* answers = std::getenv("DAVURERUVO_ANSWERS");
    m_answers = ParseAnswers(answers ? answers : "");
    const char* start = std::getenv("DAVURERUVO_START");
    m_pressStart = start && std::string_view(start) == "1";
    m_progressOnTerminal = StderrIsTerminal();
    // From now on an interrupt presses the close button instead of killing the process;
    // one that arrives before the dialog runs is served once it does.
    g_closeRequested.store(false);
    std::signal(SIGINT, OnCloseSignal);
    std::signal(SIGTERM, OnCloseSignal);
}

HeadlessFrontend::~HeadlessFrontend() {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    if (m_watcher) DestroyWindow(m_watcher);
}

void HeadlessFrontend::DialogOpened(WindowHandle dialog, DialogHooks hooks) {
    m_dialog = dialog;
    m_hooks = std::move(hooks);
    m_startPressed = false;
    if (!m_watcher) {
        m_watcher = CreateWindow("HEADLESS_FRONTEND_WATCHER", [this](WindowHandle w, uint32_t msg, WParam wp, LParam lp) {
            if (msg == kMsgTimer && wp == kIdleTimerId) {
                OnIdleCheck();
                return LResult{0};
            }
            return DefaultWindowProc(w, msg, wp, lp);
        });
    }
    SetTimer(m_watcher, kIdleTimerId, kIdlePollMs);
}

void HeadlessFrontend::OnIdleCheck() {
    if (!IsWindow(m_dialog)) return;
    if (g_closeRequested.exchange(false)) {
        if (m_hooks.pressClose) m_hooks.pressClose();
        return;
    }
    auto start = m_buttonEnabled.find(m_hooks.startButtonId);
    bool startEnabled = start == m_buttonEnabled.end() || start->second;  // buttons start enabled
    if (!startEnabled || m_openBoxes > 0) return;
    if (m_hooks.workRunning && m_hooks.workRunning()) return;
    // The work is over and the game may be started: press the start button once when asked
    // to, otherwise (or when the press did not end the dialog) end it.
    if (m_pressStart && !m_startPressed) {
        m_startPressed = true;
        if (m_hooks.pressStart) m_hooks.pressStart();
        return;
    }
    KillTimer(m_watcher, kIdleTimerId);
    if (m_hooks.end) m_hooks.end();
}

void HeadlessFrontend::LabelChanged(int id, std::string_view text) {
    WriteStdoutLine("[ui] label " + std::to_string(id) + " " + EscapeUiText(text));
}

void HeadlessFrontend::ProgressChanged(int position) {
    WriteStdoutLine("[ui] progress " + std::to_string(position));
    if (m_progressOnTerminal) {
        WriteStderr(ProgressBarLine(position));
        m_progressDrawn = true;
    }
}

void HeadlessFrontend::ButtonEnabled(int id, bool enabled) {
    WriteStdoutLine("[ui] button " + std::to_string(id) + (enabled ? " on" : " off"));
    m_buttonEnabled[id] = enabled;
}

bool HeadlessFrontend::NextAnswer() {
    if (m_nextAnswer >= m_answers.size()) return false;
    return m_answers[m_nextAnswer++];
}

void HeadlessFrontend::MessageBoxOpened(WindowHandle, std::string_view caption, std::string_view text,
                                        std::function<void(bool)> answer) {
    ++m_openBoxes;
    WriteStdoutLine("[ui] msgbox " + EscapeUiText(caption) + "|" + EscapeUiText(text));
    bool yes = NextAnswer();
    if (answer) answer(yes);
}

void HeadlessFrontend::MessageBoxEnded(WindowHandle, int result) {
    if (m_openBoxes > 0) --m_openBoxes;
    WriteStdoutLine("[ui] answer " + std::to_string(result));
}

void HeadlessFrontend::ClearProgressLine() {
    if (!m_progressDrawn) return;
    WriteStderr("\r" + std::string(kProgressCells + 8, ' ') + "\r");
    m_progressDrawn = false;
}

void HeadlessFrontend::DialogEnded(WindowHandle) {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    if (m_watcher) KillTimer(m_watcher, kIdleTimerId);
    m_dialog = {};
    m_hooks = DialogHooks{};
    m_buttonEnabled.clear();
    ClearProgressLine();
    WriteStdoutLine("[ui] end");
}

namespace {
bool AlwaysAvailable() { return true; }
std::unique_ptr<Frontend> CreateHeadless() { return std::make_unique<HeadlessFrontend>(); }
}  // namespace

const FrontendBootstrap kHeadlessBootstrap = {"headless", AlwaysAvailable, CreateHeadless};

}  // namespace platform::headless
