#include "platform/Console.h"

#include <cstdio>
#include <mutex>
#include <unistd.h>

namespace platform {
namespace {
std::mutex g_consoleMutex;
}

void WriteStdoutLine(std::string_view line) {
    std::lock_guard<std::mutex> lock(g_consoleMutex);
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void WriteStderr(std::string_view text) {
    std::lock_guard<std::mutex> lock(g_consoleMutex);
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

bool StderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

}  // namespace platform
