#pragma once
// The launcher's one message box: a modal box with a centred text and two buttons,
// confirm and cancel. Any thread may ask for one; it is shown on the thread that owns the
// owner window (the user-interface thread) while the asking thread waits for the answer.

#include "platform/Window.h"

#include <string>
#include <string_view>

class VXMsgBox {
public:
    // Shows a box with text and caption over owner and returns VXMB_CONFIRM (1) when the
    // user confirmed, VXMB_CANCEL (2) when the user cancelled. Callers treat 1 as yes and
    // anything else as no. When owner does not exist (or goes away before the box could be
    // shown) the answer is VXMB_CANCEL. From the owner's thread the box runs at once.
    static int Show(std::u16string_view text, std::u16string_view caption, platform::WindowHandle owner);
};

inline constexpr int VXMB_CONFIRM = 1;
inline constexpr int VXMB_CANCEL = 2;
