#include "Procedure/ProcedureSelfPatch.h"

void ProcedureSelfPatch::Init(platform::WindowHandle dialogWindow, const std::string& settingsPath,
                              platform::ManualResetEvent* stopEvent) {
    static const Configuration kConfig = {
        {"\\LauncherVersion\\version", "\\LauncherVersion\\Launcher_"},
        "launcher",
        "launcherUrl",
        true,  // no key: the built-in base
        "temp_launcher\\version",
        "temp_launcher\\GameInfo.ini",
        "temp_launcher\\launcher",
        ".\\",
    };
    InitRepair(dialogWindow, settingsPath, stopEvent, kConfig);
}
