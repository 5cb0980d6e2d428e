#pragma once
// A window that stands in for the main dialog in tests: it records every message sent or
// posted to it, in order, copying the narrow text of the messages whose parameter is a text
// pointer (valid only during the send). Created on the calling thread, which must pump
// messages (WaitFor does) for workers' sends to be served.

#include "platform/Window.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace testsupport {

struct RecordedMessage {
    uint32_t id = 0;
    uint64_t wParam = 0;
    int64_t lParam = 0;
    std::string text;  // the text a pointer parameter named (see RecordingWindow)
};

class RecordingWindow {
public:
    // textInWParam / textInLParam: message ids whose wParam / lParam is a narrow text.
    RecordingWindow(std::vector<uint32_t> textInWParam, std::vector<uint32_t> textInLParam);
    ~RecordingWindow();
    RecordingWindow(const RecordingWindow&) = delete;
    RecordingWindow& operator=(const RecordingWindow&) = delete;

    platform::WindowHandle Handle() const { return m_handle; }
    const std::vector<RecordedMessage>& Messages() const { return m_messages; }
    // The ids in order, leaving out those in skip.
    std::vector<uint32_t> Ids(const std::vector<uint32_t>& skip = {}) const;
    bool Received(uint32_t id) const;
    // Forgets what was recorded so far.
    void Clear() { m_messages.clear(); }

    // Pumps this thread's messages until a message with one of ids arrives or timeoutMs
    // passes; true when it arrived.
    bool WaitFor(const std::vector<uint32_t>& ids, uint32_t timeoutMs = 30000);
    // Called for each message after it is recorded (on this thread), e.g. to start the next
    // procedure from a final message as the dialog does.
    void OnMessage(std::function<void(const RecordedMessage&)> handler) { m_handler = std::move(handler); }

private:
    platform::WindowHandle m_handle;
    std::vector<uint32_t> m_textInWParam;
    std::vector<uint32_t> m_textInLParam;
    std::vector<RecordedMessage> m_messages;
    std::function<void(const RecordedMessage&)> m_handler;
};

}  // namespace testsupport
