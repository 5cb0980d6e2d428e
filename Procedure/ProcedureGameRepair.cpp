#include "Procedure/ProcedureGameRepair.h"

void ProcedureGameRepair::Init(platform::WindowHandle dialogWindow, const std::string& settingsPath,
                               platform::ManualResetEvent* stopEvent) {
    static const Configuration kConfig = {
        {"\\GameVersion\\version", "\\GameVersion\\Game_"},
        "game",
        "gameUrl",
        false,  // no key: empty base 1 until the manager sets one
        "temp_game\\version",
        "temp_game\\GameInfo.ini",
        "temp_game\\game",
        "..\\",
    };
    InitRepair(dialogWindow, settingsPath, stopEvent, kConfig);
}
