#pragma once
// The repair applied to the launcher's own files: bases under "\LauncherVersion", work
// files under "temp_launcher", the launcher's directory ".\" as root. The running process
// is the working copy, so "DAVureruvo.exe" itself can be replaced.

#include "Procedure/ProcedureRepair.h"

class ProcedureSelfPatch : public ProcedureRepair {
public:
    int GetType() override { return PROCEDURE_SELF_PATCH; }
    void Init(platform::WindowHandle dialogWindow, const std::string& settingsPath,
              platform::ManualResetEvent* stopEvent) override;
    void SetUrl(std::string base) override { SetBase(0, base); }
    virtual void SetSecondUrl(std::string base) { SetBase(1, base); }
    virtual void SetThirdUrl(std::string base) { SetBase(2, base); }
};
