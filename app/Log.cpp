#include "app/Log.h"

#include "platform/Clock.h"
#include "platform/Console.h"
#include "platform/Files.h"

#include <cstdio>
#include <mutex>
#include <string>

namespace {
// One entry at a time: two appends racing could otherwise interleave or lose a line.
std::mutex g_logMutex;
constexpr size_t kMessageBuffer = 1024;  // 1023 characters and the terminator
}  // namespace

void WriteLogV(const char* format, va_list args) {
    char message[kMessageBuffer];
    int n = std::vsnprintf(message, sizeof message, format, args);
    if (n < 0) message[0] = '\0';

    std::lock_guard<std::mutex> lock(g_logMutex);
    std::string_view text = message;
    // The headless front-end owns lines that begin "[ui] " on standard output.
    if (text.substr(0, 5) == "[ui] ") {
        std::string echo(1, ' ');
        echo.append(text);
        platform::WriteStdoutLine(echo);
    } else {
        platform::WriteStdoutLine(text);
    }

    platform::File file;
    if (!file.Open(LOG_FILE_NAME, platform::File::Mode::Append)) return;
    platform::LocalTime now = platform::GetLocalTime();
    char stamp[32];
    int len = std::snprintf(stamp, sizeof stamp, "[%02d_%02d:%02d:%02d]: ", now.day, now.hour,
                            now.minute, now.second);
    std::string line(stamp, static_cast<size_t>(len));
    line += text;
    line += "\r\n";
    file.Write(line.data(), line.size());
}

void WriteLog(const char* format, ...) {
    va_list args;
    va_start(args, format);
    WriteLogV(format, args);
    va_end(args);
}
