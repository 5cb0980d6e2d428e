#pragma once
// The front-end contract: what a user-interface backend is told about the launcher's
// dialogs, and how the backend for this run is chosen. Backends live in sub-folders
// (platform/headless/, platform/sdl/), each exporting one FrontendBootstrap; the ui layer
// hands the table of linked backends to ChooseFrontend.
//
// Every call comes on the user-interface thread (the thread that owns the dialogs). Texts
// are UTF-8. A backend acts as the user only through the hooks it is handed, on that thread.

#include "platform/Window.h"

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace platform {

// What a backend may do as the user of the main dialog. Each hook runs on the
// user-interface thread only.
struct DialogHooks {
    int startButtonId = 0;               // the button enabled when the work is done
    std::function<bool()> workRunning;   // work (a procedure, the game start) still runs
    std::function<void()> pressStart;    // as if the user pressed the start button
    std::function<void()> pressClose;    // as if the user pressed the close button
    std::function<void()> end;           // ends the dialog at once (cancel result)
};

class Frontend {
public:
    virtual ~Frontend() = default;

    // The backend's name as DAVURERUVO_UI spells it ("headless", "window").
    virtual std::string_view Name() const = 0;

    // The main dialog is initialised and about to run modally.
    virtual void DialogOpened(WindowHandle dialog, DialogHooks hooks) = 0;
    // A label of the main dialog shows new text.
    virtual void LabelChanged(int id, std::string_view text) = 0;
    // The main dialog's progress bar moved to position.
    virtual void ProgressChanged(int position) = 0;
    // A button of the main dialog was enabled or disabled.
    virtual void ButtonEnabled(int id, bool enabled) = 0;
    // The main dialog was minimised (backends without windows ignore it).
    virtual void DialogMinimised(WindowHandle /*dialog*/) {}
    // Something of the dialog's picture changed; a window backend redraws (others ignore it).
    virtual void Invalidate(WindowHandle /*dialog*/) {}
    // A message box opened and is about to run modally; answer(true) confirms it,
    // answer(false) cancels it, as the user's press of a button would (now or later).
    virtual void MessageBoxOpened(WindowHandle box, std::string_view caption, std::string_view text,
                                  std::function<void(bool confirm)> answer) = 0;
    // The box ended with result (1 confirm, 2 cancel).
    virtual void MessageBoxEnded(WindowHandle box, int result) = 0;
    // The main dialog ended; nothing of it is shown any more.
    virtual void DialogEnded(WindowHandle dialog) = 0;
};

// One linked backend: its name, whether it can run here (for a window backend: a display
// can be opened), and how to create it.
struct FrontendBootstrap {
    const char* name;
    bool (*available)();
    std::unique_ptr<Frontend> (*create)();
};

struct FrontendChoice {
    std::unique_ptr<Frontend> frontend;
    // One log line saying which backend was chosen and why.
    std::string description;
};

// Chooses the backend: DAVURERUVO_UI names one ("window" or "headless"); when it is unset
// (or names none of them), "window" if a display can be opened, otherwise "headless".
// A wanted backend that is not linked or cannot run falls back to the first available
// one of the table, and the description says so. The table must hold "headless".
FrontendChoice ChooseFrontend(std::span<const FrontendBootstrap> backends);

}  // namespace platform
