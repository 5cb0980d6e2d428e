#pragma once
// Processes: start from a command line, find by executable name, terminate, wait, exit
// code; and the shell's open action. Starts go through the SysOps spawn entry, so tests can
// make them fail.

#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

namespace platform {

// Waits without a time-out.
inline constexpr uint32_t kWaitForever = UINT32_MAX;

// A handle to a process: one this process started, or one opened from a snapshot. Closing
// the handle (destruction) neither stops nor waits for the process.
class Process {
public:
    Process() = default;
    ~Process();
    Process(Process&& other) noexcept;
    Process& operator=(Process&& other) noexcept;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // Opens a handle to a running process by id; false when no such process exists.
    bool Open(pid_t pid);
    bool IsValid() const { return m_pid > 0; }
    pid_t Id() const { return m_pid; }

    // Waits up to timeoutMs (kWaitForever: no limit) for the process to end; true when it
    // has ended. 0 is the zero-timeout "has it ended" test.
    bool Wait(uint32_t timeoutMs);
    // The exit code once the process has ended (false while it runs or when unknown: a
    // process this one did not start reports no code). A process ended by a signal reports
    // 128 + the signal number; one ended by Terminate reports the code given there.
    bool ExitCode(uint32_t& code);
    // Ends the process at once (SIGKILL); exitCode is what ExitCode reports afterwards.
    // False when the process cannot be signalled (gone, or not ours to stop).
    bool Terminate(uint32_t exitCode);
    // Releases the handle (a process we started is reaped in the background when it ends).
    void Close();

private:
    friend bool CreateProcess(const std::string&, const std::string&, Process&);
    friend bool ShellOpen(const std::string&, Process*);
    // Takes over a child this process has just started.
    void AdoptChild(pid_t pid);
    pid_t m_pid = 0;
    bool m_child = false;      // started by us: waitable with waitpid
    bool m_ended = false;
    bool m_haveCode = false;
    bool m_terminated = false;
    uint32_t m_exitCode = 0;
    uint32_t m_terminateCode = 0;
    int m_pidfd = -1;
};

// Splits a command line into arguments: blanks separate them, double quotes group blanks
// into one argument and are removed.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

// Starts the command line's first token (a path relative to the current directory, with
// "\" allowed as separator) with the remaining tokens as arguments, in workDir (empty:
// the current directory), with this process's environment. False when nothing could be
// started (the reason is in errno).
bool CreateProcess(const std::string& commandLine, const std::string& workDir, Process& process);

struct ProcessEntry {
    pid_t pid = 0;
    // The basename of /proc/PID/exe, else the first word of /proc/PID/cmdline.
    std::string exeName;
};

// The running processes in the order the system lists them (ascending id), each with its
// executable file name. Processes without a readable name are left out. False when the
// list cannot be read.
bool SnapshotProcesses(std::vector<ProcessEntry>& entries);

// True when a running process executes the file at path (the same file, whatever name it
// was started under). The system this stands in for refuses to delete or overwrite such a
// file; callers use this to keep that rule where it matters.
bool IsRunningImage(const std::string& path);

// The shell's open action: a URL (scheme "://", or "www." / "mailto:") goes to xdg-open;
// an executable file is run directly in the current directory; anything else is handed to
// xdg-open as a document. True when the helper or program was started. With started given,
// the started process (the program, or the xdg-open helper) is handed over there, to be
// waited for; otherwise it is reaped in the background.
bool ShellOpen(const std::string& target, Process* started = nullptr);

// The directory of PATH holding name followed by "/" + name, else empty.
std::string FindInPath(const std::string& name);

}  // namespace platform
