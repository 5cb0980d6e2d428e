// The main dialog's side of the work in progress: starting the procedures, their messages,
// the remaining-time timer and the game start. Until the procedures are connected nothing
// runs, so the start button stays disabled and the dialog waits for the user.

#include "ui/CDAVureruvoDlg.h"

void CDAVureruvoDlg::StartWork() {}

bool CDAVureruvoDlg::OnWorkMessage(uint32_t, platform::WParam, platform::LParam, platform::LResult&) { return false; }

void CDAVureruvoDlg::OnTimer(uint64_t) {}

bool CDAVureruvoDlg::IsWorkRunning() const { return false; }

void CDAVureruvoDlg::OnStartGame() {}

void CDAVureruvoDlg::OnRepairConfirmed() {}
