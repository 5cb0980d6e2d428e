#pragma once
// The message layer: windows as handles with a message procedure and an owner thread.
//
// A window here is a message target. Its owner is the thread that created it; only that
// thread runs its procedure. Another thread reaches it by SendMessage (blocks until the
// owner has handled the message) or PostMessage (queues and returns). The owner handles
// queued work only while it runs a message loop (RunModal, PumpMessages) or while it is
// itself blocked in a SendMessage to another thread. What a user sees of a window (the
// dialog picture, its controls) is the ui layer's business; a window without such a
// picture is a hidden message-only window.
//
// Order of handling on the owner thread: sent messages first (in arrival order), then
// posted messages, then due timers. A handle stays unique for the life of the process, so
// a handle of a destroyed window is simply invalid: sends to it return 0 at once.
//
// All functions may be called from any thread unless a comment says otherwise.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Message parameters are 64 bits wide, so counts above 4 GiB are not cut.
using WParam = uint64_t;
using LParam = int64_t;
using LResult = int64_t;

// An opaque window handle; the default value is the null handle.
struct WindowHandle {
    uint64_t id = 0;
    explicit operator bool() const { return id != 0; }
    friend bool operator==(WindowHandle a, WindowHandle b) { return a.id == b.id; }
    friend bool operator!=(WindowHandle a, WindowHandle b) { return a.id != b.id; }
};

// The message procedure; runs on the owner thread only.
using WindowProc = std::function<LResult(WindowHandle window, uint32_t message, WParam wParam, LParam lParam)>;

// Messages of the layer itself. Values below 0x0400 belong to the layer; programs use
// kMsgUser and above for their own messages.
inline constexpr uint32_t kMsgDestroy = 0x0002;  // the window is being destroyed (last message)
inline constexpr uint32_t kMsgClose = 0x0010;    // the user asked to close the window
inline constexpr uint32_t kMsgKeyDown = 0x0100;  // wParam: key code (kKey...)
inline constexpr uint32_t kMsgCommand = 0x0111;  // wParam: low 16 bits the command id
inline constexpr uint32_t kMsgTimer = 0x0113;    // wParam: the timer id
inline constexpr uint32_t kMsgUser = 0x0400;

inline constexpr WParam kKeyReturn = 0x0D;
inline constexpr WParam kKeyEscape = 0x1B;

// A queued message as a message loop's filter sees it.
struct Message {
    WindowHandle window;
    uint32_t id = 0;
    WParam wParam = 0;
    LParam lParam = 0;
};

// Creates a window owned by the calling thread. className names it in diagnostics and for
// FindWindow. Never fails for a callable proc; an empty proc gives the null handle.
WindowHandle CreateWindow(std::string_view className, WindowProc proc);

// Destroys a window: its procedure receives kMsgDestroy, then never runs again; queued
// posted messages and timers of the window are dropped and every thread blocked in a send
// to it returns 0. A modal loop running for it ends with result kModalWindowDestroyed.
// Owner thread only; false for an invalid handle or from another thread.
bool DestroyWindow(WindowHandle window);

// True while the window exists.
bool IsWindow(WindowHandle window);

// True when the calling thread owns the window.
bool IsOwnerThread(WindowHandle window);

// The first existing window of that class name, else the null handle.
WindowHandle FindWindow(std::string_view className);

// A pointer-sized value stored with the window (0 until set). Set returns the old value.
intptr_t SetWindowUserData(WindowHandle window, intptr_t value);
intptr_t GetWindowUserData(WindowHandle window);

// Delivers a message and returns the procedure's result. On the owner thread the procedure
// is called directly. From another thread the call blocks until the owner thread has
// handled it; while blocked, the calling thread keeps handling messages sent to its own
// windows, so two threads sending to each other do not deadlock. Returns 0 when the window
// does not exist or is destroyed (or its owner thread ends) before handling it.
LResult SendMessage(WindowHandle window, uint32_t message, WParam wParam, LParam lParam);

// Runs fn on the window's owner thread (directly when called there) and returns its result,
// blocking like SendMessage: the way a worker asks the user-interface thread for a message
// box and waits for the answer. Empty when the window does not exist or goes away before
// fn could run; fn is then never run.
std::optional<LResult> CallOnOwnerThread(WindowHandle window, const std::function<LResult()>& fn);

// Queues a message for the window's owner thread and returns at once; false when the window
// does not exist.
bool PostMessage(WindowHandle window, uint32_t message, WParam wParam, LParam lParam);

// Starts (or restarts with a new interval) timer timerId of the window: every intervalMs the
// owner thread's message loop delivers kMsgTimer with wParam = timerId. A timer that falls
// behind fires once, not once per missed interval. False for an invalid window.
bool SetTimer(WindowHandle window, WParam timerId, uint32_t intervalMs);
// Stops a timer; false when it does not exist.
bool KillTimer(WindowHandle window, WParam timerId);

// Result of a modal loop whose window was destroyed before EndModal.
inline constexpr LResult kModalWindowDestroyed = -1;

// Runs a message loop on the owner thread until EndModal(window, ...) or the window's
// destruction, and returns the result. The loop handles every message of every window of
// the thread (sent, posted, timers), so work sent by other threads is still served while a
// dialog or box is open. Loops nest: a box's loop runs inside the dialog's. filter, when
// given, sees each posted message first and consumes it by returning true (the Escape
// filter). Owner thread only; returns kModalWindowDestroyed for an invalid window.
LResult RunModal(WindowHandle window, const std::function<bool(const Message&)>& filter = {});

// Ends the innermost modal loop of the window with result; the loop returns once the
// message being handled is done. When no loop runs for the window yet (EndModal during a
// dialog's initialisation), the next RunModal of the window returns result at once. Works
// from any thread. False for an invalid window.
bool EndModal(WindowHandle window, LResult result);

// Handles, on the calling thread, everything already queued for it and every timer due;
// waits up to waitMs for the first message when nothing is queued. Returns the number of
// messages handled. For loops of our own (start-up, tests).
int PumpMessages(uint32_t waitMs = 0);

// A source of outside events for the calling thread's message loops (a window backend's
// input). pump runs on this thread whenever its loops are idle, at least every pollMs;
// it turns events into PostMessage/SendMessage calls. An empty pump removes it.
void SetThreadEventPump(std::function<void()> pump, uint32_t pollMs);

// Wakes the owner thread of window from waiting in a message loop (its event pump runs).
void WakeOwnerThread(WindowHandle window);

// Default handling for messages a procedure does not handle: returns 0.
LResult DefaultWindowProc(WindowHandle window, uint32_t message, WParam wParam, LParam lParam);

}  // namespace platform
