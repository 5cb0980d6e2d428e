#include "download/AutoDownload.h"

#include "download/DownloadState.h"
#include "platform/Clock.h"

CAutoDownload::CAutoDownload() : m_pStatus(std::make_unique<StatusRecord>()) {}

CAutoDownload::~CAutoDownload() = default;

void CAutoDownload::Notify(uint32_t message) {
    platform::WindowHandle window = m_pStatus->notifyWindow.load();
    if (!window) return;
    m_nSendsInFlight.fetch_add(1);
    platform::SendMessage(window, message, static_cast<platform::WParam>(static_cast<uint32_t>(m_pStatus->tag.load())),
                          reinterpret_cast<platform::LParam>(this));
    m_nSendsInFlight.fetch_sub(1);
}

void CAutoDownload::ChangeState(uint32_t newState) {
    uint32_t old = m_pStatus->state.exchange(newState);
    if (old != newState) Notify(DL_STATE_CHANGED);
}

bool CAutoDownload::ChangeStateFrom(uint32_t expected, uint32_t newState) {
    if (!m_pStatus->state.compare_exchange_strong(expected, newState)) return false;
    if (expected != newState) Notify(DL_STATE_CHANGED);
    return true;
}

void CAutoDownload::WaitForOtherNotifications(uint32_t waitMs) {
    uint32_t start = platform::GetTickCount();
    while (m_nSendsInFlight.load() > 0 && platform::GetTickCount() - start < waitMs) {
        platform::PumpMessages(1);
    }
}
