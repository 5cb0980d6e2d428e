#include "platform/Frontend.h"

#include <cstdlib>
#include <string>

namespace platform {
namespace {

const FrontendBootstrap* Find(std::span<const FrontendBootstrap> backends, std::string_view name) {
    for (const FrontendBootstrap& b : backends) {
        if (name == b.name) return &b;
    }
    return nullptr;
}

bool DisplayNamed() {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

}  // namespace

FrontendChoice ChooseFrontend(std::span<const FrontendBootstrap> backends) {
    const char* env = std::getenv("DAVURERUVO_UI");
    std::string asked = env ? env : "";
    std::string wanted;
    std::string reason;
    if (asked == "window" || asked == "headless") {
        wanted = asked;
        reason = "DAVURERUVO_UI=" + asked;
    } else {
        // A window backend that is linked decides itself whether a display opens; without
        // one, a named display still counts as a wish for a window.
        const FrontendBootstrap* window = Find(backends, "window");
        bool display = window ? window->available() : DisplayNamed();
        wanted = display ? "window" : "headless";
        reason = display ? "a display is available" : "no display";
        if (!asked.empty()) reason += ", DAVURERUVO_UI=" + asked + " not known";
    }

    FrontendChoice choice;
    const FrontendBootstrap* chosen = Find(backends, wanted);
    if (chosen && chosen->available()) {
        choice.frontend = chosen->create();
        choice.description = "ui backend: " + wanted + " (" + reason + ")";
        return choice;
    }
    chosen = nullptr;
    for (const FrontendBootstrap& b : backends) {
        if (b.available()) {
            chosen = &b;
            break;
        }
    }
    if (!chosen) return choice;
    choice.frontend = chosen->create();
    choice.description = "ui backend: " + wanted + " wanted (" + reason + ") but " +
                         (Find(backends, wanted) ? "it cannot start" : "it is not built in") +
                         ", falling back to " + chosen->name;
    return choice;
}

}  // namespace platform
