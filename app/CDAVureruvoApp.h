#pragma once
// The application object: runs the whole start-up of the launcher process.

#include "app/StartupSequence.h"

class CDAVureruvoDlg;

class CDAVureruvoApp {
public:
    explicit CDAVureruvoApp(const StartupTimings& timings = StartupTimings{}) : m_timings(timings) {}

    // A user start (no "-runbin") rotates the log, replaces and starts the working copy and
    // returns; the working copy, or an executable under another name, runs the main dialog
    // modally and returns when it closes. Always false: no message loop follows, the
    // process ends.
    bool InitInstance();

    const StartupSwitches& Switches() const { return m_switches; }

private:
    StartupTimings m_timings;
    StartupSwitches m_switches;
    CDAVureruvoDlg* m_pMainWnd = nullptr;
};
