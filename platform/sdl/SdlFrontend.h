#pragma once
// The window front-end: the main dialog and its message boxes as real windows through
// SDL2 on X11. Each window shows the picture its view (platform/WindowView.h) composes,
// is cut to the view's shape with the X11 SHAPE extension, is dragged by pressing on its
// background and hands pointer input to its view. A box is modal: while one is open the
// windows under it take no input. The user-interface thread waits for window-system
// events without polling: a watcher thread blocks on the display connection and wakes the
// thread's message loop, which then handles the events.

#include "platform/Frontend.h"

#include <memory>

namespace platform::sdl {

// True when an X display can be opened (DISPLAY names a reachable server).
bool DisplayAvailable();

// Creates the window front-end. Windows open on the user-interface thread when the
// dialog or a box opens.
std::unique_ptr<Frontend> CreateWindowFrontend();

// The bootstrap record of this backend ("window"; available when a display opens).
extern const FrontendBootstrap kWindowBootstrap;

}  // namespace platform::sdl
