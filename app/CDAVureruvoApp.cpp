#include "app/CDAVureruvoApp.h"

#include "platform/Clock.h"
#include "platform/ProcessInfo.h"
#include "ui/CDAVureruvoDlg.h"

bool CDAVureruvoApp::InitInstance() {
    m_switches = ReadSwitches(platform::GetCommandLine());
    // Written before the rotation, so in a user start the banner ends the previous log.
    WriteStartBanner(m_switches);

    if (!m_switches.runCopy) {
        RotateLog();
        std::string exePath = platform::ExecutablePath();
        if (IsLauncherExecutable(exePath)) {
            if (ReplaceWorkingCopy(LauncherCopySource(exePath), m_timings)) StartWorkingCopy(m_switches.repair);
            return false;  // a user start never shows a window
        }
        platform::Sleep(m_timings.otherNameWaitMs);
    }

    CDAVureruvoDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    return false;
}
