#pragma once
// The repair applied to the game client: bases under "\GameVersion", work files under
// "temp_game", the client directory "..\" as root.

#include "Procedure/ProcedureRepair.h"

class ProcedureGameRepair : public ProcedureRepair {
public:
    int GetType() override { return PROCEDURE_GAME_REPAIR; }
    void Init(platform::WindowHandle dialogWindow, const std::string& settingsPath,
              platform::ManualResetEvent* stopEvent) override;
    void SetUrl(std::string base) override { SetBase(0, base); }
    virtual void SetSecondUrl(std::string base) { SetBase(1, base); }
    virtual void SetThirdUrl(std::string base) { SetBase(2, base); }
};
