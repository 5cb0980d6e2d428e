#include "Procedure/ProcedureBase.h"

#include "Procedure/ProcedureManager.h"
#include "app/Settings.h"

std::string ProcedureBase::FallbackBase() {
    return std::string(DefaultBaseUrl()) + "/" + FALLBACK_BASE_SEGMENT;
}

platform::LResult ProcedureBase::SendToDialog(uint32_t message, platform::WParam wParam,
                                              platform::LParam lParam) {
    if (!m_hDialogWnd) return 0;
    return platform::SendMessage(m_hDialogWnd, message, wParam, lParam);
}

platform::LResult ProcedureBase::SendAlways(uint32_t message, platform::WParam wParam,
                                            platform::LParam lParam) {
    return platform::SendMessage(m_hDialogWnd, message, wParam, lParam);
}

bool ProcedureBase::IsStopSignalled() const {
    return m_pStopEvent != nullptr && m_pStopEvent->IsSet();
}

bool ProcedureBase::FetchFromBases(const std::array<ServerBase, 3>& bases,
                                   const std::function<std::string(const ServerBase&)>& address,
                                   const std::string& localPath) {
    for (const ServerBase& base : bases) {
        if (ProcedureManager::Instance().DownloadFile(address(base), localPath, GetType())) {
            return true;
        }
    }
    return false;
}
