#include "ui/UiFrontend.h"

#include "app/Log.h"
#include "platform/headless/HeadlessFrontend.h"
#include "platform/sdl/SdlFrontend.h"
#include "ui/SkinnedLook.h"

#include <array>
#include <mutex>

namespace {

// The backends linked into the program, in order of preference for a fallback.
const std::array<platform::FrontendBootstrap, 2> kBackends = {
    platform::sdl::kWindowBootstrap,
    platform::headless::kHeadlessBootstrap,
};

std::mutex g_frontendMutex;
std::unique_ptr<platform::Frontend> g_frontend;
std::function<void(const DialogModel&)> g_endHook;

}  // namespace

platform::Frontend& CurrentFrontend() {
    std::lock_guard lock(g_frontendMutex);
    if (!g_frontend) {
        InstallSkinnedLook();
        platform::FrontendChoice choice = platform::ChooseFrontend(kBackends);
        g_frontend = std::move(choice.frontend);
        WriteLog("%s", choice.description.c_str());
    }
    return *g_frontend;
}

std::unique_ptr<platform::Frontend> ReplaceFrontend(std::unique_ptr<platform::Frontend> frontend) {
    std::lock_guard lock(g_frontendMutex);
    std::swap(g_frontend, frontend);
    return frontend;
}

void SetDialogEndHook(std::function<void(const DialogModel&)> hook) { g_endHook = std::move(hook); }

void RunDialogEndHook(const DialogModel& model) {
    if (g_endHook) g_endHook(model);
}
