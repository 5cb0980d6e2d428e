#include "app/StartupSequence.h"

#include "app/Log.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/Text.h"

namespace {

std::string FileNamePart(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// One attempt at removing the old copy. The system this stands in for cannot delete the
// image of a running process; neither do we, so a running copy is left alone.
bool DeleteWorkingCopyOnce() {
    platform::SetNormalAttributes(WORKING_COPY_NAME);
    if (platform::IsRunningImage(WORKING_COPY_NAME)) return false;
    return platform::DeleteFile(WORKING_COPY_NAME);
}

// Runs attempt once and then up to timings.retries more times with a pause before each;
// after the last failure pauses once more. True as soon as an attempt succeeds.
template <typename Attempt>
bool WithRetries(const StartupTimings& timings, Attempt attempt) {
    if (attempt()) return true;
    for (int retry = 0; retry < timings.retries; ++retry) {
        platform::Sleep(timings.retryWaitMs);
        if (attempt()) return true;
    }
    platform::Sleep(timings.retryWaitMs);
    return false;
}

}  // namespace

StartupSwitches ReadSwitches(const std::string& commandLine) {
    StartupSwitches switches;
    switches.runCopy = commandLine.find(SWITCH_RUN_COPY) != std::string::npos;
    switches.repair = commandLine.find(SWITCH_REPAIR) != std::string::npos;
    return switches;
}

void WriteStartBanner(const StartupSwitches& switches) {
    WriteLog("-----------------------ReZorirero start! version: %s, runbin: %d ---------------------",
             LAUNCHER_VERSION, switches.runCopy ? 1 : 0);
}

void RotateLog() {
    platform::DeleteFile(LOG_BACKUP_FILE_NAME);
    platform::MoveFile(LOG_FILE_NAME, LOG_BACKUP_FILE_NAME);
}

bool IsLauncherExecutable(const std::string& exePath) {
    return platform::EqualsNoCase(FileNamePart(exePath), LAUNCHER_EXE_NAME);
}

std::string LauncherCopySource(const std::string& exePath) {
    if (platform::IsRegularFile(LAUNCHER_EXE_NAME)) return LAUNCHER_EXE_NAME;
    return FileNamePart(exePath);
}

bool ReplaceWorkingCopy(const std::string& source, const StartupTimings& timings) {
    if (platform::PathExists(WORKING_COPY_NAME) && !WithRetries(timings, DeleteWorkingCopyOnce)) return false;
    return WithRetries(timings, [&] { return platform::CopyFile(source, WORKING_COPY_NAME, false); });
}

std::string WorkingCopyCommandLine(bool repair) {
    std::string commandLine = std::string(WORKING_COPY_NAME) + " " + SWITCH_RUN_COPY;
    if (repair) commandLine += std::string(" ") + SWITCH_REPAIR;
    return commandLine;
}

bool StartWorkingCopy(bool repair) {
    platform::Process copy;
    return platform::CreateProcess(WorkingCopyCommandLine(repair), "", copy);
}
