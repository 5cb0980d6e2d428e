// SDL2 windows on X11. Everything but the watcher thread runs on the user-interface thread.
//
// Waiting without polling: the message loop of the user-interface thread sleeps on its own
// queue. A watcher thread sleeps in poll() on the X connection; when the server sends
// something it wakes the loop (WakeOwnerThread) and waits until the loop's event pump has
// drained every queued event, so it never spins. The pump ends with a last check of the
// connection after its own drawing, so events read in by a drawing round trip are not left
// waiting for the next wake.

#include "platform/sdl/SdlFrontend.h"

#include "platform/WindowView.h"
#include "res/Image.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/extensions/shape.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace platform::sdl {
namespace {

// The loop's own poll interval when nothing else is due: never, in practice (the watcher
// and the message layer's notifications wake it).
constexpr uint32_t kNoPollMs = 24u * 60u * 60u * 1000u;

struct ShownWindow {
    WindowHandle handle;
    std::unique_ptr<WindowView> view;
    SDL_Window* window = nullptr;
    bool dirty = true;
    bool blocked = false;  // a modal box lies over it
};

SDL_HitTestResult HitTest(SDL_Window*, const SDL_Point* point, void* data) {
    auto* shown = static_cast<ShownWindow*>(data);
    if (shown->blocked) return SDL_HITTEST_NORMAL;
    return shown->view->IsControlAt(point->x, point->y) ? SDL_HITTEST_NORMAL : SDL_HITTEST_DRAGGABLE;
}

// Blocks on the X connection and wakes the user-interface thread's loop.
class DisplayWatcher {
public:
    DisplayWatcher(int displayFd, WindowHandle wakeTarget) : m_displayFd(displayFd), m_target(wakeTarget) {
        m_stopFd = eventfd(0, EFD_CLOEXEC);
        m_thread = std::thread([this] { Run(); });
    }
    ~DisplayWatcher() {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        uint64_t one = 1;
        ssize_t written = write(m_stopFd, &one, sizeof one);
        (void)written;
        m_cv.notify_all();
        m_thread.join();
        close(m_stopFd);
    }
    DisplayWatcher(const DisplayWatcher&) = delete;
    DisplayWatcher& operator=(const DisplayWatcher&) = delete;

    // The loop has handled every event read so far.
    void Drained() {
        {
            std::lock_guard lock(m_mutex);
            ++m_generation;
        }
        m_cv.notify_all();
    }

private:
    void Run() {
        for (;;) {
            pollfd fds[2] = {{m_displayFd, POLLIN, 0}, {m_stopFd, POLLIN, 0}};
            int n = poll(fds, 2, -1);
            if (n < 0) {
                if (errno == EINTR) continue;
                return;
            }
            if (fds[1].revents) return;
            if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) return;
            uint64_t seen;
            {
                std::lock_guard lock(m_mutex);
                seen = m_generation;
            }
            WakeOwnerThread(m_target);
            std::unique_lock lock(m_mutex);
            m_cv.wait(lock, [&] { return m_stop || m_generation != seen; });
            if (m_stop) return;
        }
    }

    int m_displayFd;
    int m_stopFd = -1;
    WindowHandle m_target;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    uint64_t m_generation = 0;
    bool m_stop = false;
    std::thread m_thread;
};

class SdlFrontend : public Frontend {
public:
    ~SdlFrontend() override {
        CloseAll();
        if (m_videoReady) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }

    std::string_view Name() const override { return "window"; }

    void DialogOpened(WindowHandle dialog, DialogHooks hooks) override {
        m_hooks = std::move(hooks);
        m_dialog = dialog;
        Open(dialog, nullptr);
    }

    void LabelChanged(int, std::string_view) override {}
    void ProgressChanged(int) override {}
    void ButtonEnabled(int, bool) override {}

    void DialogMinimised(WindowHandle dialog) override {
        if (ShownWindow* shown = Find(dialog)) SDL_MinimizeWindow(shown->window);
    }

    void Invalidate(WindowHandle window) override {
        if (ShownWindow* shown = Find(window)) {
            shown->dirty = true;
            WakeOwnerThread(window);
        }
    }

    void MessageBoxOpened(WindowHandle box, std::string_view, std::string_view, std::function<void(bool)>) override {
        ShownWindow* owner = m_windows.empty() ? nullptr : m_windows.back().get();
        Open(box, owner);
    }

    void MessageBoxEnded(WindowHandle box, int) override {
        Close(box);
        if (m_windows.empty()) {
            CloseAll();  // a box shown without the dialog: nothing left to watch for
        } else {
            m_windows.back()->blocked = false;
            m_windows.back()->dirty = true;
            SDL_RaiseWindow(m_windows.back()->window);
            WakeOwnerThread(m_windows.back()->handle);
        }
    }

    void DialogEnded(WindowHandle) override {
        CloseAll();
        m_hooks = DialogHooks{};
        m_dialog = {};
    }

private:
    bool EnsureVideo() {
        if (m_videoReady) return true;
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
        SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
        // Our pictures are composed in memory: the plain X11 framebuffer shows them, and
        // no GL stack is loaded (it would cost a start-up far longer than the frame).
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        m_videoReady = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
        return m_videoReady;
    }

    ShownWindow* Find(WindowHandle handle) {
        for (auto& w : m_windows) {
            if (w->handle == handle) return w.get();
        }
        return nullptr;
    }

    // Shows the window of handle; a box (owner given) is centred over its owner and modal.
    void Open(WindowHandle handle, ShownWindow* owner) {
        if (!EnsureVideo()) return;
        auto shown = std::make_unique<ShownWindow>();
        shown->handle = handle;
        shown->view = CreateWindowView(handle);
        if (!shown->view) return;
        ViewRect place = shown->view->Placement();
        if (place.width <= 0 || place.height <= 0) return;
        if (owner) {
            // Centred over where the owner is now (it may have been dragged).
            int ox = 0, oy = 0, ow = 0, oh = 0;
            SDL_GetWindowPosition(owner->window, &ox, &oy);
            SDL_GetWindowSize(owner->window, &ow, &oh);
            place.x = ox + (ow - place.width) / 2;
            place.y = oy + (oh - place.height) / 2;
        }
        std::string title = shown->view->Title();
        SDL_Window* window = SDL_CreateWindow(title.c_str(), place.x, place.y, place.width, place.height,
                                              SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN);
        if (!window) return;
        shown->window = window;
        // Taking the surface re-creates the X window on some versions; shape the final one.
        SDL_GetWindowSurface(window);
        ApplyShape(*shown);
        SetIcon(*shown);
        SDL_SetWindowHitTest(window, HitTest, shown.get());
        if (owner) {
            owner->blocked = true;
            SDL_SetWindowModalFor(window, owner->window);
        }
        SDL_ShowWindow(window);
        SDL_SetWindowPosition(window, place.x, place.y);
        SDL_RaiseWindow(window);
        Present(*shown);
        m_windows.push_back(std::move(shown));
        StartWatching(handle);
        WakeOwnerThread(handle);
    }

    void ApplyShape(ShownWindow& shown) {
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        if (!SDL_GetWindowWMInfo(shown.window, &info) || info.subsystem != SDL_SYSWM_X11) return;
        std::vector<ViewRect> runs = shown.view->Shape();
        std::vector<XRectangle> rects;
        rects.reserve(runs.size());
        for (const ViewRect& r : runs) {
            rects.push_back(XRectangle{static_cast<short>(r.x), static_cast<short>(r.y),
                                       static_cast<unsigned short>(r.width), static_cast<unsigned short>(r.height)});
        }
        // The runs come row by row, left to right, one pixel high: bands in y, sorted in x.
        XShapeCombineRectangles(info.info.x11.display, info.info.x11.window, ShapeBounding, 0, 0, rects.data(),
                                static_cast<int>(rects.size()), ShapeSet, YXBanded);
        XFlush(info.info.x11.display);
        m_display = info.info.x11.display;
    }

    void SetIcon(ShownWindow& shown) {
        res::Image icon;
        if (!shown.view->Icon(icon)) return;
        SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(icon.Data(), icon.Width(), icon.Height(), 32,
                                                                  static_cast<int>(icon.Stride()), SDL_PIXELFORMAT_RGBA32);
        if (!surface) return;
        SDL_SetWindowIcon(shown.window, surface);
        SDL_FreeSurface(surface);
    }

    void Present(ShownWindow& shown) {
        shown.dirty = false;
        SDL_Surface* surface = SDL_GetWindowSurface(shown.window);
        if (!surface) return;
        shown.view->Render(m_frame);
        if (m_frame.Width() != surface->w || m_frame.Height() != surface->h) return;
        SDL_ConvertPixels(m_frame.Width(), m_frame.Height(), SDL_PIXELFORMAT_RGBA32, m_frame.Data(),
                          static_cast<int>(m_frame.Stride()), surface->format->format, surface->pixels, surface->pitch);
        SDL_UpdateWindowSurface(shown.window);
    }

    void StartWatching(WindowHandle wakeTarget) {
        if (m_watcher || !m_display) return;
        m_watcher = std::make_unique<DisplayWatcher>(ConnectionNumber(m_display), wakeTarget);
        SetThreadEventPump([this] { Pump(); }, kNoPollMs);
    }

    void Close(WindowHandle handle) {
        auto it = std::find_if(m_windows.begin(), m_windows.end(), [&](auto& w) { return w->handle == handle; });
        if (it == m_windows.end()) return;
        SDL_DestroyWindow((*it)->window);
        m_windows.erase(it);
    }

    void CloseAll() {
        if (m_watcher) {
            SetThreadEventPump({}, 0);
            m_watcher.reset();
        }
        while (!m_windows.empty()) {
            SDL_DestroyWindow(m_windows.back()->window);
            m_windows.pop_back();
        }
    }

    ShownWindow* ByWindowId(uint32_t id) {
        SDL_Window* window = SDL_GetWindowFromID(id);
        for (auto& w : m_windows) {
            if (w->window == window) return w.get();
        }
        return nullptr;
    }

    // The key codes the dialogs know; others are not passed on.
    static WParam KeyCode(SDL_Keycode key) {
        switch (key) {
        case SDLK_ESCAPE: return kKeyEscape;
        case SDLK_RETURN:
        case SDLK_KP_ENTER: return kKeyReturn;
        default: return 0;
        }
    }

    void HandleEvent(const SDL_Event& e) {
        switch (e.type) {
        case SDL_MOUSEMOTION:
            if (ShownWindow* w = ByWindowId(e.motion.windowID); w && !w->blocked)
                w->dirty |= w->view->PointerMoved(e.motion.x, e.motion.y);
            break;
        case SDL_MOUSEBUTTONDOWN:
            if (e.button.button != SDL_BUTTON_LEFT) break;
            if (ShownWindow* w = ByWindowId(e.button.windowID); w && !w->blocked)
                w->dirty |= w->view->ButtonDown(e.button.x, e.button.y, e.button.clicks == 2);
            break;
        case SDL_MOUSEBUTTONUP:
            if (e.button.button != SDL_BUTTON_LEFT) break;
            if (ShownWindow* w = ByWindowId(e.button.windowID); w && !w->blocked)
                w->dirty |= w->view->ButtonUp(e.button.x, e.button.y);
            break;
        case SDL_KEYDOWN:
            if (ShownWindow* w = ByWindowId(e.key.windowID)) {
                // Keys go to the topmost window: the open box, else the dialog.
                WParam key = KeyCode(e.key.keysym.sym);
                if (key) PostMessage(m_windows.back()->handle, kMsgKeyDown, key, 0);
                (void)w;
            }
            break;
        case SDL_WINDOWEVENT:
            if (ShownWindow* w = ByWindowId(e.window.windowID)) {
                switch (e.window.event) {
                case SDL_WINDOWEVENT_EXPOSED:
                case SDL_WINDOWEVENT_RESTORED:
                case SDL_WINDOWEVENT_SHOWN: w->dirty = true; break;
                case SDL_WINDOWEVENT_LEAVE: w->dirty |= w->view->PointerLeft(); break;
                case SDL_WINDOWEVENT_FOCUS_LOST: w->dirty |= w->view->FocusLost(); break;
                case SDL_WINDOWEVENT_CLOSE:
                    // The window system asks to close: the dialog asks the user like its close button.
                    if (!w->blocked) PostMessage(w->handle, kMsgClose, 0, 0);
                    break;
                default: break;
                }
            }
            break;
        default: break;
        }
    }

    // The thread's event pump: handles every pending event, redraws what changed, and
    // repeats until a last look at the connection finds nothing.
    void Pump() {
        for (int round = 0; round < 64; ++round) {
            SDL_Event e;
            while (SDL_PollEvent(&e)) HandleEvent(e);
            bool drew = false;
            for (auto& w : m_windows) {
                if (w->dirty) {
                    Present(*w);
                    drew = true;
                }
            }
            if (!drew) break;
            SDL_PumpEvents();
            if (SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) <= 0) break;
        }
        if (m_watcher) m_watcher->Drained();
    }

    bool m_videoReady = false;
    Display* m_display = nullptr;
    std::vector<std::unique_ptr<ShownWindow>> m_windows;  // the dialog first, boxes above it
    std::unique_ptr<DisplayWatcher> m_watcher;
    res::Image m_frame;
    WindowHandle m_dialog;
    DialogHooks m_hooks;
};

}  // namespace

bool DisplayAvailable() {
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) return false;
    Display* display = XOpenDisplay(nullptr);
    if (!display) return false;
    XCloseDisplay(display);
    return true;
}

std::unique_ptr<Frontend> CreateWindowFrontend() { return std::make_unique<SdlFrontend>(); }

const FrontendBootstrap kWindowBootstrap = {"window", DisplayAvailable, CreateWindowFrontend};

}  // namespace platform::sdl
