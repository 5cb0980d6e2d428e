#pragma once
// The one object through which the main dialog runs the update procedures. It owns the
// procedures, the downloader they all use, a stop event, the worker thread of the current
// procedure and a hidden relay window that passes the downloader's progress on to the
// dialog. Each Begin... starts a procedure on a new worker thread, which announces the
// start to the dialog, runs the procedure and turns its result into one final message.
//
// One worker downloads at a time. A Begin... made from the dialog's reaction to a worker's
// final message starts the next procedure while that worker finishes its send; one made
// while a worker is still at work (the repair button during a patch) is refused.

#include "Procedure/ProcedureBase.h"
#include "download/AutoDownload.h"
#include "platform/Process.h"
#include "platform/Thread.h"
#include "platform/Window.h"

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The class name of the hidden relay window.
inline constexpr const char* RELAY_WINDOW_CLASS = "DOWNLOAD_CMD_WINDOW_CLASS";
// The settings file every procedure is initialised with.
inline constexpr const char* PROCEDURE_SETTINGS_PATH = ".\\launcher.ini";
// The game client's executable name, looked for before a repair.
inline constexpr const char* GAME_PROCESS_NAME = "Morvane.exe";
// Fewer free bytes than this on the destination's volume stop a download.
inline constexpr uint64_t MIN_FREE_BYTES = 2147483648ULL;
// The speed message goes to the dialog at most once per this many milliseconds.
inline constexpr uint32_t SPEED_RELAY_INTERVAL_MS = 1000;

class ProcedureManager {
public:
    // Shows a message box over owner and returns 1 for confirm, 2 for cancel.
    using MessageBoxFn =
        std::function<int(std::u16string_view text, std::u16string_view caption, platform::WindowHandle owner)>;
    // Makes the downloader (tests may hand in another one).
    using DownloaderFactory = std::function<std::unique_ptr<CAutoDownload>()>;

    // The process-wide instance.
    static ProcedureManager& Instance();

    // Stores the dialog window, creates the stop event, initialises every procedure in
    // ascending kind order and creates the hidden relay window (owned by the calling thread,
    // the user-interface thread).
    void Init(platform::WindowHandle dialogWindow);

    // Start a procedure on a new worker. BeginSelfUpdate refuses (false) while the previous
    // worker has not ended; the others refuse while a worker is still at work (not yet in
    // its final send). BeginRepair first runs the running-game check. False as well when the
    // worker thread cannot be created (logged).
    bool BeginSelfUpdate();
    bool BeginGamePatch(std::string baseUrl);
    bool BeginRepair(std::string baseUrl);
    bool BeginInstall(std::string baseUrl);

    // The file download step: fetches url to localPath with the free-space test, the address
    // encoding and two series of three attempts. True when the file is complete.
    bool DownloadFile(const std::string& url, const std::string& localPath, int tag);

    // The first running process whose executable name begins with the bytes of name.
    std::optional<platform::Process> FindProcessByName(const std::string& name);

    // Shows a message box owned by the dialog (from any thread; the caller waits).
    int ShowMessageBox(std::u16string_view text, std::u16string_view caption);

    // Ends the manager's work: stops a running worker at its next check (its downloads fail
    // at once), waits for it, destroys the relay window, deletes the procedures and the
    // downloader. Called on the user-interface thread when the dialog has closed; also run
    // by the destructor. The manager can be initialised again afterwards (tests).
    void Shutdown();

    // The procedure registered under kind (null when none).
    ProcedureBase* GetProcedure(int kind);
    platform::WindowHandle GetRelayWindow() const { return m_hRelayWnd; }
    platform::WindowHandle GetDialogWindow() const { return m_hDialogWnd; }
    bool GetUseCurlLabel() const { return m_bUseCurlLabel; }

    // How message boxes are shown (the user interface sets its box; tests record them).
    void SetMessageBox(MessageBoxFn fn);
    // Replaces the downloader before Init (tests).
    void SetDownloaderFactory(DownloaderFactory factory);
    // Registers a procedure under kind, replacing one there (the concrete procedures are
    // registered by the constructor).
    void RegisterProcedure(int kind, std::unique_ptr<ProcedureBase> procedure);

    ~ProcedureManager();
    ProcedureManager(const ProcedureManager&) = delete;
    ProcedureManager& operator=(const ProcedureManager&) = delete;

private:
    ProcedureManager();

    // Fills the registry in its order and creates the downloader.
    void CreateProcedures();
    // True (logged) when a new start must be refused: a worker is still at work, or, with
    // refuseUnlessEnded, has not ended at all.
    bool RefuseNewWorker(bool refuseUnlessEnded);
    // Refuses as above; otherwise readies the stop event and parks the previous worker's
    // thread to be joined once it has ended.
    bool PrepareNewWorker(bool refuseUnlessEnded);
    // Starts the worker body for kind.
    bool StartWorker(int kind);
    void WorkerBody(int kind);
    // Joins parked worker threads that have ended (all of them when waitAll).
    void ReapWorkers(bool waitAll);

    static platform::LResult RelayWindowProc(platform::WindowHandle window, uint32_t message,
                                             platform::WParam wParam, platform::LParam lParam);

    platform::WindowHandle m_hDialogWnd;
    std::unique_ptr<platform::Thread> m_workerThread;
    std::vector<std::unique_ptr<platform::Thread>> m_finishingWorkers;
    std::unique_ptr<platform::ManualResetEvent> m_stopEvent;
    std::unique_ptr<CAutoDownload> m_pDownloader;
    platform::WindowHandle m_hRelayWnd;
    bool m_bUseCurlLabel = true;
    std::map<int, std::unique_ptr<ProcedureBase>> m_procedures;

    // Set by a worker before its final send: from then on it downloads nothing more.
    std::atomic<bool> m_bWorkerFinishing{false};
    // Set by Shutdown: downloads fail at once so a running worker ends quickly.
    std::atomic<bool> m_bShuttingDown{false};
    bool m_bCurlGlobal = false;
    MessageBoxFn m_messageBox;
    DownloaderFactory m_downloaderFactory;
};
