#pragma once
// The abstract update procedure. The procedure manager creates each procedure once,
// initialises it once with the dialog window, the settings file and its stop event, points
// it at a server base before each run, and runs it on a worker thread, where Run returns
// one result code.

#include "platform/Thread.h"
#include "platform/Window.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>

// Kinds of procedure (GetType), also the tag of every download a procedure makes.
inline constexpr int PROCEDURE_SELF_PATCH = 1;
inline constexpr int PROCEDURE_GAME_REPAIR = 2;
inline constexpr int PROCEDURE_GAME_PATCH = 3;
inline constexpr int PROCEDURE_MARKED_REPAIR = 4;  // registry key only; its GetType is 2
inline constexpr int PROCEDURE_GAME_INSTALL = 5;

// The base address segment the fallback bases append ("%s/%s" of the default base and it).
inline constexpr const char* FALLBACK_BASE_SEGMENT = "VELDMOR";

class ProcedureBase {
public:
    virtual ~ProcedureBase() = default;

    // The procedure's kind.
    virtual int GetType() = 0;
    // Stores the window and the event, reads base 1 from the settings file, sets the three
    // bases and the local paths. Called once, on the user-interface thread.
    virtual void Init(platform::WindowHandle dialogWindow, const std::string& settingsPath,
                      platform::ManualResetEvent* stopEvent) = 0;
    // Does the procedure's work on the worker thread and returns its result code.
    virtual int Run() = 0;
    // Derives base 1's addresses from base.
    virtual void SetUrl(std::string base) = 0;

protected:
    // One server base kept as its two derived addresses.
    struct ServerBase {
        std::string fileAddress;      // a fixed file under the base
        std::string directoryPrefix;  // to which versions and names are appended
    };

    // The default base followed by "/VELDMOR": bases 2 and 3 of every procedure.
    static std::string FallbackBase();

    // Sends a message to the dialog window when one was given; returns the result.
    platform::LResult SendToDialog(uint32_t message, platform::WParam wParam, platform::LParam lParam);
    // Sends whether or not a dialog window was given (a null window drops it).
    platform::LResult SendAlways(uint32_t message, platform::WParam wParam, platform::LParam lParam);

    // The stop event, tested without waiting.
    bool IsStopSignalled() const;

    // Fetches the file that address(base) names to localPath from base 1, then 2, then 3;
    // true when one of them succeeded.
    bool FetchFromBases(const std::array<ServerBase, 3>& bases,
                        const std::function<std::string(const ServerBase&)>& address,
                        const std::string& localPath);

    platform::WindowHandle m_hDialogWnd;
    platform::ManualResetEvent* m_pStopEvent = nullptr;
};

// Passes a narrow text as a message parameter; valid while the text lives.
inline platform::WParam TextParam(const std::string& text) {
    return reinterpret_cast<platform::WParam>(text.c_str());
}
