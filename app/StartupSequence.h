#pragma once
// The pieces of the launcher's start-up: the two switches, the log rotation, the name test
// and the working copy. The process the user starts only copies its executable to
// "VXLaunch.bin", starts that copy with "-runbin" and ends, so that a self-update can
// replace "DAVureruvo.exe" while the copy runs.

#include <cstdint>
#include <string>

inline constexpr const char* LAUNCHER_EXE_NAME = "DAVureruvo.exe";
inline constexpr const char* WORKING_COPY_NAME = "VXLaunch.bin";
inline constexpr const char* LAUNCHER_VERSION = "1.0.0";
inline constexpr const char* SWITCH_RUN_COPY = "-runbin";
inline constexpr const char* SWITCH_REPAIR = "-repaire";

// Retries of the working copy's delete and copy, and the pauses of the start-up.
struct StartupTimings {
    int retries = 20;
    uint32_t retryWaitMs = 100;
    uint32_t otherNameWaitMs = 100;
};

struct StartupSwitches {
    bool runCopy = false;  // this process is the working copy
    bool repair = false;   // the user asked for a repair of the game client
};

// A switch counts when its text occurs anywhere in the command line (case-sensitive plain
// substring, program path included).
StartupSwitches ReadSwitches(const std::string& commandLine);

// Writes the banner line of this start to the log.
void WriteStartBanner(const StartupSwitches& switches);

// Deletes "Launch.log.bak" and renames "Launch.log" to it; failures are ignored.
void RotateLog();

// True when the file-name part of exePath is "DAVureruvo.exe" in any letter case.
bool IsLauncherExecutable(const std::string& exePath);

// The file to copy: "DAVureruvo.exe" when it exists here, else the running executable's
// own file name (the same file under another letter case).
std::string LauncherCopySource(const std::string& exePath);

// Removes an old working copy (clearing its read-only attribute; a copy that still runs
// cannot be removed) and copies source to "VXLaunch.bin", each step retried
// timings.retries times after a pause of timings.retryWaitMs. False, after one more pause,
// when a step still fails: the start-up then ends silently.
bool ReplaceWorkingCopy(const std::string& source, const StartupTimings& timings);

// "VXLaunch.bin -runbin", with " -repaire" appended for a repair.
std::string WorkingCopyCommandLine(bool repair);

// Starts the working copy in the current directory; true when it was started.
bool StartWorkingCopy(bool repair);
