#include "tests/support/RecordingWindow.h"

#include <algorithm>
#include <chrono>

namespace testsupport {
namespace {
bool Contains(const std::vector<uint32_t>& ids, uint32_t id) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}
}  // namespace

RecordingWindow::RecordingWindow(std::vector<uint32_t> textInWParam, std::vector<uint32_t> textInLParam)
    : m_textInWParam(std::move(textInWParam)), m_textInLParam(std::move(textInLParam)) {
    m_handle = platform::CreateWindow(
        "RecordingWindow", [this](platform::WindowHandle, uint32_t id, platform::WParam w, platform::LParam l) {
            if (id < platform::kMsgUser) return platform::LResult{0};
            RecordedMessage m{id, w, l, {}};
            if (Contains(m_textInWParam, id) && w != 0) m.text = reinterpret_cast<const char*>(w);
            if (Contains(m_textInLParam, id) && l != 0) m.text = reinterpret_cast<const char*>(l);
            m_messages.push_back(m);
            if (m_handler) m_handler(m_messages.back());
            return platform::LResult{0};
        });
}

RecordingWindow::~RecordingWindow() { platform::DestroyWindow(m_handle); }

std::vector<uint32_t> RecordingWindow::Ids(const std::vector<uint32_t>& skip) const {
    std::vector<uint32_t> ids;
    for (const RecordedMessage& m : m_messages) {
        if (!Contains(skip, m.id)) ids.push_back(m.id);
    }
    return ids;
}

bool RecordingWindow::Received(uint32_t id) const {
    return std::any_of(m_messages.begin(), m_messages.end(), [id](const RecordedMessage& m) { return m.id == id; });
}

bool RecordingWindow::WaitFor(const std::vector<uint32_t>& ids, uint32_t timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    size_t seen = 0;
    for (;;) {
        for (; seen < m_messages.size(); ++seen) {
            if (Contains(ids, m_messages[seen].id)) return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) return false;
        platform::PumpMessages(20);
    }
}

}  // namespace testsupport
