#include "Procedure/ProcedureManager.h"

#include "Procedure/AddressEncoding.h"
#include "Procedure/ProcedureGameRepair.h"
#include "Procedure/ProcedureMessages.h"
#include "Procedure/ProcedureSelfPatch.h"
#include "app/Log.h"
#include "app/Settings.h"
#include "common/FileDir.h"
#include "common/TextHelpers.h"
#include "download/AutoDownload_Curl.h"
#include "download/CurlGlobal.h"
#include "download/DownloadState.h"
#include "platform/Clock.h"
#include "platform/Files.h"

#include <cerrno>

namespace {

constexpr const char* kSourceFile = "Procedure\\ProcedureManager.cpp";

// A procedure result and the final message it becomes.
struct ResultMessage {
    int result;
    uint32_t message;
};

// What a worker of one kind sends: its start message and its result table. A result
// without an entry ends the worker without a final message.
struct WorkerMessages {
    int kind;
    uint32_t startMessage;
    std::vector<ResultMessage> results;
};

const std::vector<WorkerMessages>& WorkerTables() {
    static const std::vector<WorkerMessages> tables = {
        {PROCEDURE_SELF_PATCH,
         UM_SELF_UPDATE_START,
         {{6, UM_SELF_UPDATE_FAIL_DOWN_VERSION},
          {7, UM_SELF_UPDATE_FAIL_READ_VERSION},
          {8, UM_SELF_UPDATE_FAIL_DOWN_GAMEINFO},
          {9, UM_SELF_UPDATE_FAIL_CMP_GAMEINFO},
          {10, UM_SELF_UPDATE_FAIL_CREATE_DIR},
          {11, UM_SELF_UPDATE_FAIL_DOWN_FILE},
          {12, UM_SELF_UPDATE_FAIL_REPLACE_FILE},
          {13, UM_SELF_UPDATE_FAIL_REPLACE_GAMEINFO},
          {14, UM_SELF_UPDATE_NO_NEED},
          {15, UM_SELF_UPDATE_SUCCESS}}},
        {PROCEDURE_GAME_REPAIR,
         UM_REPAIR_START,
         {{6, UM_REPAIR_FAIL_DOWN_VERSION},
          {7, UM_REPAIR_FAIL_READ_VERSION},
          {8, UM_REPAIR_FAIL_DOWN_GAMEINFO},
          {9, UM_REPAIR_FAIL_CMP_GAMEINFO},
          {10, UM_REPAIR_FAIL_CREATE_DIR},
          {11, UM_REPAIR_FAIL_DOWN_FILE},
          {12, UM_REPAIR_FAIL_REPLACE_FILE},
          {13, UM_REPAIR_FAIL_REPLACE_GAMEINFO},
          {14, UM_REPAIR_NO_NEED},
          {15, UM_REPAIR_SUCCESS}}},
        {PROCEDURE_GAME_PATCH,
         UM_PATCH_CHECK_START,
         {{8, UM_PATCH_FAIL_CHECK_GAMEINFO},
          {9, UM_PATCH_FAIL_CREATE_DIR},
          {10, UM_PATCH_FAIL_PATCH_FILE},
          {11, UM_PATCH_FAIL_PATCH_FILE},
          {12, UM_PATCH_FAIL_CLIENT_VERSION},
          {13, UM_PATCH_FAIL_GAME_RUNNING},
          {14, UM_PATCH_FAIL_DOWN_PATCH_FILE},
          {15, UM_PATCH_FAIL_FILE_UPDATE},
          {16, UM_PATCH_NO_NEED},
          {17, UM_PATCH_DONE}}},
        {PROCEDURE_GAME_INSTALL,
         UM_INSTALL_START,
         {{0, UM_INSTALL_FAIL_USER_CANCEL},
          {1, UM_INSTALL_DONE},
          {2, UM_INSTALL_FAIL_DOWN_VERSION},
          {3, UM_INSTALL_FAIL_READ_VERSION},
          {4, UM_INSTALL_FAIL_CREATE_DIR},
          {5, UM_INSTALL_FAIL_DOWN_INI},
          {6, UM_INSTALL_FAIL_GET_FILESIZE},
          {7, UM_INSTALL_FAIL_ANALYSE_INFO},
          {8, UM_INSTALL_FAIL_DOWN_PACKAGE},
          {9, UM_INSTALL_FAIL_UNZIP_PACKAGE}}},
    };
    return tables;
}

const WorkerMessages* FindWorkerMessages(int kind) {
    for (const WorkerMessages& t : WorkerTables()) {
        if (t.kind == kind) return &t;
    }
    return nullptr;
}

// The tick of the last speed relay; process-wide, touched only by the user-interface thread.
uint32_t g_lastRateTick = 0;

// Attempts per series of the download step, and series per call.
constexpr int kAttemptsPerSeries = 3;
constexpr int kSeries = 2;

}  // namespace

ProcedureManager& ProcedureManager::Instance() {
    static ProcedureManager instance;
    return instance;
}

ProcedureManager::ProcedureManager() { CreateProcedures(); }

ProcedureManager::~ProcedureManager() { Shutdown(); }

void ProcedureManager::CreateProcedures() {
    auto repair = std::make_unique<ProcedureGameRepair>();
    auto markedRepair = std::make_unique<ProcedureGameRepair>();
    markedRepair->SetMarkedOnly(true);
    m_procedures[PROCEDURE_SELF_PATCH] = std::make_unique<ProcedureSelfPatch>();
    m_procedures[PROCEDURE_GAME_REPAIR] = std::move(repair);
    m_procedures[PROCEDURE_MARKED_REPAIR] = std::move(markedRepair);
    // The downloader exists only once libcurl's global initialisation has succeeded.
    m_bCurlGlobal = CurlGlobalInit();
    if (m_bCurlGlobal) {
        m_pDownloader = m_downloaderFactory ? m_downloaderFactory()
                                            : std::make_unique<CAutoDownload_Curl>();
    }
}

void ProcedureManager::RegisterProcedure(int kind, std::unique_ptr<ProcedureBase> procedure) {
    m_procedures[kind] = std::move(procedure);
}

ProcedureBase* ProcedureManager::GetProcedure(int kind) {
    auto it = m_procedures.find(kind);
    return it == m_procedures.end() ? nullptr : it->second.get();
}

void ProcedureManager::SetMessageBox(MessageBoxFn fn) { m_messageBox = std::move(fn); }

void ProcedureManager::SetDownloaderFactory(DownloaderFactory factory) {
    m_downloaderFactory = std::move(factory);
    if (m_bCurlGlobal && m_downloaderFactory) m_pDownloader = m_downloaderFactory();
}

void ProcedureManager::Init(platform::WindowHandle dialogWindow) {
    if (m_procedures.empty()) CreateProcedures();
    m_bShuttingDown = false;
    m_hDialogWnd = dialogWindow;
    m_stopEvent = std::make_unique<platform::ManualResetEvent>(false);
    for (auto& [kind, procedure] : m_procedures) {
        procedure->Init(dialogWindow, PROCEDURE_SETTINGS_PATH, m_stopEvent.get());
    }
    m_hRelayWnd = platform::CreateWindow(RELAY_WINDOW_CLASS, &ProcedureManager::RelayWindowProc);
    platform::SetWindowUserData(m_hRelayWnd, reinterpret_cast<intptr_t>(this));
}

int ProcedureManager::ShowMessageBox(std::u16string_view text, std::u16string_view caption) {
    if (!m_messageBox) return 2;
    return m_messageBox(text, caption, m_hDialogWnd);
}

void ProcedureManager::ReapWorkers(bool waitAll) {
    for (auto it = m_finishingWorkers.begin(); it != m_finishingWorkers.end();) {
        if (waitAll) {
            // The worker may be waiting on a send to this thread's windows: keep serving them.
            // While shutting down, a transfer it starts meanwhile is stopped as well.
            while (!(*it)->HasEnded()) {
                if (m_bShuttingDown && m_pDownloader) m_pDownloader->Stop();
                platform::PumpMessages(10);
            }
        }
        if ((*it)->HasEnded()) {
            (*it)->Join();
            it = m_finishingWorkers.erase(it);
        } else {
            ++it;
        }
    }
}

bool ProcedureManager::RefuseNewWorker(bool refuseUnlessEnded) {
    if (m_workerThread && !m_workerThread->HasEnded() && (refuseUnlessEnded || !m_bWorkerFinishing)) {
        WriteLog("FILE=%s,LINE=%d ,another procedure is still running, start refused", kSourceFile, __LINE__);
        return true;
    }
    return false;
}

bool ProcedureManager::PrepareNewWorker(bool refuseUnlessEnded) {
    ReapWorkers(false);
    if (RefuseNewWorker(refuseUnlessEnded)) return false;
    if (m_workerThread && !m_workerThread->HasEnded()) {
        // The previous worker is inside its final send; it ends by itself.
        m_finishingWorkers.push_back(std::move(m_workerThread));
    }
    m_workerThread.reset();
    m_stopEvent->Reset();
    return true;
}

bool ProcedureManager::StartWorker(int kind) {
    m_bWorkerFinishing = false;
    auto thread = std::make_unique<platform::Thread>();
    if (!thread->Start([this, kind] { WorkerBody(kind); })) {
        WriteLog("FILE=%s,LINE=%d ,CreateThread Error,  errorcode =%d  ", kSourceFile, __LINE__, errno);
        return false;
    }
    m_workerThread = std::move(thread);
    return true;
}

bool ProcedureManager::BeginSelfUpdate() {
    if (!m_stopEvent || !PrepareNewWorker(true)) return false;
    return StartWorker(PROCEDURE_SELF_PATCH);
}

bool ProcedureManager::BeginGamePatch(std::string baseUrl) {
    ProcedureBase* procedure = GetProcedure(PROCEDURE_GAME_PATCH);
    if (procedure == nullptr || !m_stopEvent || !PrepareNewWorker(false)) return false;
    procedure->SetUrl(std::move(baseUrl));
    return StartWorker(PROCEDURE_GAME_PATCH);
}

bool ProcedureManager::BeginInstall(std::string baseUrl) {
    ProcedureBase* procedure = GetProcedure(PROCEDURE_GAME_INSTALL);
    if (procedure == nullptr || !m_stopEvent || !PrepareNewWorker(false)) return false;
    procedure->SetUrl(std::move(baseUrl));
    return StartWorker(PROCEDURE_GAME_INSTALL);
}

bool ProcedureManager::BeginRepair(std::string baseUrl) {
    ProcedureBase* procedure = GetProcedure(PROCEDURE_GAME_REPAIR);
    if (procedure == nullptr || !m_stopEvent) return false;
    // A refused start must not first close the user's game.
    if (RefuseNewWorker(false)) return false;
    if (std::optional<platform::Process> game = FindProcessByName(GAME_PROCESS_NAME)) {
        int answer = ShowMessageBox(u"클라이언트가 실행 중입니다.\r\n클라이언트를 종료하시겠습니까?", u"안내");
        if (answer != 1) return false;
        if (!game->Terminate(0)) {
            WriteLog("FILE=%s,LINE=%d ,TerminateProcess Error,  errorcode =%d  ", kSourceFile, __LINE__,
                     errno);
            return false;
        }
    }
    if (!PrepareNewWorker(false)) return false;
    procedure->SetUrl(std::move(baseUrl));
    if (!StartWorker(PROCEDURE_GAME_REPAIR)) return false;
    if (m_hDialogWnd) platform::SendMessage(m_hDialogWnd, UM_REPAIR_STARTED, 0, 0);
    return true;
}

void ProcedureManager::WorkerBody(int kind) {
    const WorkerMessages* table = FindWorkerMessages(kind);
    if (table == nullptr) return;
    if (m_hDialogWnd) platform::SendMessage(m_hDialogWnd, table->startMessage, 0, 0);
    if (kind == PROCEDURE_SELF_PATCH && ReadDebugSetting() == 1) {
        m_bWorkerFinishing = true;
        platform::SendMessage(m_hDialogWnd, UM_SELF_UPDATE_NO_NEED, 0, 0);
        WriteLog("debug");
        return;
    }
    int result = m_procedures.at(kind)->Run();
    m_bWorkerFinishing = true;
    for (const ResultMessage& entry : table->results) {
        if (entry.result == result) {
            if (m_hDialogWnd) platform::SendMessage(m_hDialogWnd, entry.message, 0, 0);
            break;
        }
    }
}

bool ProcedureManager::DownloadFile(const std::string& url, const std::string& localPath, int tag) {
    if (url.empty()) return false;
    if (m_bShuttingDown) return false;
    if (!m_pDownloader) {
        WriteLog("FILE=%s,LINE=%d ,no downloader: %s <-- %s ", kSourceFile, __LINE__, localPath.c_str(),
                 url.c_str());
        return false;
    }
    CreateFileDir("temp_d", false);
    uint64_t freeBytes = 0;
    if (platform::FreeSpace(localPath, freeBytes) && freeBytes < MIN_FREE_BYTES) {
        ShowMessageBox(u"디스크 공간이 부족합니다.", u"안내");
        return false;
    }
    const std::string logged = MakeLoggedAddress(url, platform::GetTickCount());
    const std::string sent = PercentEncode(logged);
    for (int series = 0; series < kSeries; ++series) {
        for (int attempt = 0; attempt < kAttemptsPerSeries; ++attempt) {
            if (m_bShuttingDown) break;
            WriteLog("start file download: %s %s <-- %s ", m_bUseCurlLabel ? "Curl" : "Ant",
                     localPath.c_str(), logged.c_str());
            if (!m_pDownloader->Prepare(sent.c_str(), localPath.c_str(), m_hRelayWnd, tag)) continue;
            m_pDownloader->Run();
            m_pDownloader->Wait(true);
            if (DownloadStateClass(m_pDownloader->GetState()) == DLC_DONE) {
                WriteLog("start file download success : %d %s <-- %s ", tag, localPath.c_str(),
                         logged.c_str());
                m_pDownloader->Reset();
                return true;
            }
            m_pDownloader->Reset();
        }
        m_bUseCurlLabel = !m_bUseCurlLabel;
    }
    WriteLog("start file download fail: %d %s <-- %s ResponseCode =%d, State = %d", tag, localPath.c_str(),
             sent.c_str(), m_pDownloader->GetResponseCode(), static_cast<int>(m_pDownloader->GetState()));
    return false;
}

std::optional<platform::Process> ProcedureManager::FindProcessByName(const std::string& name) {
    std::vector<platform::ProcessEntry> entries;
    if (!platform::SnapshotProcesses(entries)) return std::nullopt;
    for (const platform::ProcessEntry& entry : entries) {
        if (entry.exeName.compare(0, name.size(), name) != 0) continue;
        platform::Process process;
        if (process.Open(entry.pid)) return process;
    }
    return std::nullopt;
}

platform::LResult ProcedureManager::RelayWindowProc(platform::WindowHandle window, uint32_t message,
                                                    platform::WParam wParam, platform::LParam lParam) {
    auto* self = reinterpret_cast<ProcedureManager*>(platform::GetWindowUserData(window));
    if (self == nullptr) return platform::DefaultWindowProc(window, message, wParam, lParam);
    if (message == DL_STATE_CHANGED) return 1;
    if (message != DL_PROGRESS) return platform::DefaultWindowProc(window, message, wParam, lParam);

    auto* downloader = reinterpret_cast<CAutoDownload*>(lParam);
    int64_t total = 0;
    int64_t received = 0;
    if (downloader == nullptr || !downloader->GetProgress(total, received)) return 1;
    // Counts travel whole: the parameters are 64 bits wide, so files over 4 GiB report right.
    if (self->m_hDialogWnd) {
        platform::SendMessage(self->m_hDialogWnd, UM_DOWNLOAD_PROGRESS, static_cast<platform::WParam>(received),
                              total);
    }
    uint32_t now = platform::GetTickCount();
    if (now - g_lastRateTick > SPEED_RELAY_INTERVAL_MS) {
        int speed = downloader->GetSpeed();
        if (self->m_hDialogWnd) {
            std::string text = FormatSize(speed);
            platform::SendMessage(self->m_hDialogWnd, UM_DOWNLOAD_SPEED, static_cast<platform::WParam>(speed),
                                  reinterpret_cast<platform::LParam>(text.c_str()));
        }
        g_lastRateTick = now;
    }
    return 1;
}

void ProcedureManager::Shutdown() {
    m_bShuttingDown = true;
    if (m_stopEvent) m_stopEvent->Set();
    if (m_pDownloader) m_pDownloader->Stop();
    if (m_workerThread) m_finishingWorkers.push_back(std::move(m_workerThread));
    ReapWorkers(true);
    if (m_hRelayWnd) {
        platform::DestroyWindow(m_hRelayWnd);
        m_hRelayWnd = {};
    }
    m_procedures.clear();
    m_pDownloader.reset();
    if (m_bCurlGlobal) {
        CurlGlobalCleanup();
        m_bCurlGlobal = false;
    }
    m_stopEvent.reset();
    m_hDialogWnd = {};
}
