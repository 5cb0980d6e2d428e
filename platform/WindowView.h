#pragma once
// What a window backend needs from the program to show one of its windows: its place, its
// picture, its shape, and a way to hand it the user's pointer input. The ui layer provides
// views (it knows the controls and how they are drawn); a backend asks for the view of a
// window when it starts showing it. Views are used on the user-interface thread only.

#include "platform/Window.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace res {
class Image;
}

namespace platform {

struct ViewRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const ViewRect&) const = default;
};

class WindowView {
public:
    virtual ~WindowView() = default;

    // Where the window wants to be on the screen, with its size.
    virtual ViewRect Placement() const = 0;
    // The window's title.
    virtual std::string Title() const = 0;
    // The window's icon; false when it has none.
    virtual bool Icon(res::Image& out) const = 0;
    // Composes the window's current picture into out (its size is the placement's).
    virtual void Render(res::Image& out) = 0;
    // The pixels that belong to the window, as one-pixel-high runs in client coordinates;
    // the rest of the placement is cut out of it (it neither shows nor takes input).
    virtual std::vector<ViewRect> Shape() const = 0;

    // Pointer input (the left button) in client pixels. IsControlAt tells whether a press at
    // x, y goes to a control of the window; a press anywhere else drags the window. Each
    // of the others returns true when the window's picture changed.
    virtual bool IsControlAt(int x, int y) const = 0;
    virtual bool PointerMoved(int x, int y) = 0;
    virtual bool PointerLeft() = 0;
    virtual bool ButtonDown(int x, int y, bool doubleClick) = 0;
    virtual bool ButtonUp(int x, int y) = 0;
    // The window lost the keyboard focus (a press in progress is abandoned).
    virtual bool FocusLost() = 0;
};

using WindowViewFactory = std::function<std::unique_ptr<WindowView>(WindowHandle)>;

// Installs the program's view factory (replacing an earlier one; empty removes it).
void SetWindowViewFactory(WindowViewFactory factory);

// The view of window from the installed factory; nullptr when there is no factory or it
// knows no such window.
std::unique_ptr<WindowView> CreateWindowView(WindowHandle window);

}  // namespace platform
