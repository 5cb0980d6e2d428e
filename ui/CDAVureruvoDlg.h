#pragma once
// The launcher's main dialog: a skinned 1280 x 720 window with eleven labels, a progress
// bar, the start, close and minimise buttons and six buttons created at run time (five web
// links and the client repair). It runs modally on the user-interface thread; the work in
// progress reaches it as window messages.

#include "platform/Window.h"
#include "ui/DialogModel.h"

#include <cstdint>

class CDAVureruvoDlg : private DialogModelObserver {
public:
    CDAVureruvoDlg();
    virtual ~CDAVureruvoDlg();
    CDAVureruvoDlg(const CDAVureruvoDlg&) = delete;
    CDAVureruvoDlg& operator=(const CDAVureruvoDlg&) = delete;

    // Creates the window on the calling thread (which becomes the user-interface thread),
    // initialises it, runs it modally and destroys it. Returns the result it ended with
    // (IDCANCEL whenever the launcher closes it).
    platform::LResult DoModal();

    // The dialog's window while DoModal runs, else the null handle.
    platform::WindowHandle GetSafeHwnd() const { return m_hWnd; }
    DialogModel& Model() { return m_model; }
    const DialogModel& Model() const { return m_model; }

    // Ends the dialog with the cancel result (user-interface thread).
    void CloseDialog();

    // The repair flag: "-repaire" on the command line, read at initialisation.
    bool RepairRequested() const { return m_bRepair; }

protected:
    // Builds the controls and the window's look; then starts the work.
    virtual bool OnInitDialog();
    // Every message passes here: the work's messages first, then the dialog's own.
    virtual platform::LResult WindowProc(uint32_t message, platform::WParam wParam, platform::LParam lParam);
    // Sees each posted message before it is handled; true consumes it (Escape).
    virtual bool PreTranslateMessage(const platform::Message& msg);
    void OnCommand(uint16_t command);

    void OnCloseCommand();
    void OnMinimize();
    void OnWebLink(uint16_t command);
    void OnRepairCommand();

    // ---- The work in progress (DAVureruvoDlgWork.cpp) ----
    // Starts the work at the end of initialisation (launcher-start event, display reset,
    // procedure manager and the self-update).
    void StartWork();
    // Handles a message of the work; false when the message is not one of them.
    bool OnWorkMessage(uint32_t message, platform::WParam wParam, platform::LParam lParam, platform::LResult& result);
    // Timers of the dialog (the remaining-time timer).
    void OnTimer(uint64_t timerId);
    // True while a procedure or the game start still runs.
    bool IsWorkRunning() const;
    // The start button (the game start).
    void OnStartGame();
    // The user confirmed the client repair.
    void OnRepairConfirmed();

private:
    // DialogModelObserver: forwards what a user would see to the front-end.
    void OnTextChanged(const UiControl& control) override;
    void OnPositionChanged(const UiControl& control) override;
    void OnEnabledChanged(const UiControl& control) override;
    void OnAppearanceChanged() override;

    void BuildControls();
    void PlaceButton(int id, int x, int y, const ButtonSkin& skin);

    platform::WindowHandle m_hWnd;
    DialogModel m_model;
    bool m_bRepair = false;
};
