#include "platform/ProcessInfo.h"

#include <climits>
#include <unistd.h>

namespace platform {
namespace {
std::string g_commandLine;
}

void SetCommandLine(int argc, const char* const* argv) {
    g_commandLine.clear();
    for (int i = 0; i < argc; ++i) {
        if (i > 0) g_commandLine += ' ';
        g_commandLine += argv[i];
    }
}

const std::string& GetCommandLine() { return g_commandLine; }

std::string ExecutablePath() {
    char buffer[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return {};
    return std::string(buffer, static_cast<size_t>(n));
}

}  // namespace platform
