#include "patch/XdeltaCommand.h"

#include <mutex>

extern "C" {
int xd3_main_cmdline(int argc, char** argv);
extern void (*xprintf_message_func)(const char* message);
size_t dav_xd3_release_all(void);
}

namespace {

// Captured messages of one run are cut here; a run that prints more is broken anyway.
constexpr size_t kMaxCapturedMessages = 64 * 1024;

std::mutex g_runMutex;
std::string* g_captured = nullptr;  // the running call's buffer, under g_runMutex

void CaptureMessage(const char* message) {
    if (g_captured != nullptr && g_captured->size() < kMaxCapturedMessages) {
        g_captured->append(message);
    }
}

}  // namespace

XdeltaRun RunXdeltaCommand(const std::vector<std::string>& args) {
    // The entry point may rearrange but never frees the vector; it gets its own copies.
    std::vector<std::string> storage(args);
    std::vector<char*> argv;
    argv.reserve(storage.size() + 1);
    for (std::string& arg : storage) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);

    XdeltaRun run;
    std::lock_guard<std::mutex> lock(g_runMutex);
    g_captured = &run.messages;
    xprintf_message_func = CaptureMessage;
    run.exitCode = xd3_main_cmdline(int(storage.size()), argv.data());
    run.releasedBlocks = dav_xd3_release_all();
    g_captured = nullptr;
    return run;
}
