#include "platform/WindowView.h"

#include <mutex>

namespace platform {
namespace {
std::mutex g_mutex;
WindowViewFactory& Factory() {
    static WindowViewFactory factory;
    return factory;
}
}  // namespace

void SetWindowViewFactory(WindowViewFactory factory) {
    std::lock_guard lock(g_mutex);
    Factory() = std::move(factory);
}

std::unique_ptr<WindowView> CreateWindowView(WindowHandle window) {
    WindowViewFactory factory;
    {
        std::lock_guard lock(g_mutex);
        factory = Factory();
    }
    return factory ? factory(window) : nullptr;
}

}  // namespace platform
