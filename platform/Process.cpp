#include "platform/Process.h"

#include "platform/Files.h"
#include "platform/SysOps.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <utility>

namespace platform {
namespace {

// Children whose handles were closed before they ended; reaped whenever we look at
// processes again, so they do not linger as zombies.
std::mutex g_orphanMutex;
std::vector<pid_t> g_orphans;

void ReapOrphans() {
    std::lock_guard lock(g_orphanMutex);
    std::erase_if(g_orphans, [](pid_t pid) {
        int status = 0;
        pid_t r = ::waitpid(pid, &status, WNOHANG);
        return r == pid || (r < 0 && errno == ECHILD);
    });
}

int PidfdOpen(pid_t pid) {
#ifdef SYS_pidfd_open
    int fd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (fd >= 0) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    return fd;
#else
    (void)pid;
    errno = ENOSYS;
    return -1;
#endif
}

uint32_t DecodeStatus(int status) {
    if (WIFEXITED(status)) return static_cast<uint32_t>(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) return 128u + static_cast<uint32_t>(WTERMSIG(status));
    return 0;
}

uint64_t NowMs() {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
}

std::string ReadSmallFile(const std::string& path) {
    std::string data;
    ReadWholeFile(path, data, 1 << 20);
    return data;
}

bool IsUrl(const std::string& target) {
    return target.find("://") != std::string::npos || target.rfind("www.", 0) == 0 ||
           target.rfind("mailto:", 0) == 0;
}

}  // namespace

Process::~Process() { Close(); }

Process::Process(Process&& other) noexcept { *this = std::move(other); }

Process& Process::operator=(Process&& other) noexcept {
    if (this != &other) {
        Close();
        m_pid = std::exchange(other.m_pid, 0);
        m_child = other.m_child;
        m_ended = other.m_ended;
        m_haveCode = other.m_haveCode;
        m_terminated = other.m_terminated;
        m_exitCode = other.m_exitCode;
        m_terminateCode = other.m_terminateCode;
        m_pidfd = std::exchange(other.m_pidfd, -1);
    }
    return *this;
}

bool Process::Open(pid_t pid) {
    Close();
    if (pid <= 0) return false;
    int fd = PidfdOpen(pid);
    if (fd < 0) {
        if (errno != ENOSYS || ::kill(pid, 0) != 0) return false;
    }
    m_pid = pid;
    m_pidfd = fd;
    m_child = false;
    return true;
}

void Process::Close() {
    if (m_pid > 0 && m_child && !m_ended) {
        std::lock_guard lock(g_orphanMutex);
        g_orphans.push_back(m_pid);
    }
    if (m_pidfd >= 0) ::close(m_pidfd);
    m_pidfd = -1;
    m_pid = 0;
    m_child = m_ended = m_haveCode = m_terminated = false;
    m_exitCode = m_terminateCode = 0;
}

void Process::AdoptChild(pid_t pid) {
    Close();
    m_pid = pid;
    m_child = true;
    m_pidfd = PidfdOpen(pid);
}

bool Process::Wait(uint32_t timeoutMs) {
    if (m_pid <= 0) return true;
    if (m_ended) return true;
    uint64_t deadline = timeoutMs == kWaitForever ? UINT64_MAX : NowMs() + timeoutMs;
    for (;;) {
        if (m_child) {
            int status = 0;
            pid_t r = ::waitpid(m_pid, &status, WNOHANG);
            if (r == m_pid) {
                m_ended = true;
                m_haveCode = true;
                m_exitCode = m_terminated ? m_terminateCode : DecodeStatus(status);
                return true;
            }
            if (r < 0 && errno != EINTR) {
                m_ended = true;
                return true;
            }
        } else if (m_pidfd < 0) {
            if (::kill(m_pid, 0) != 0 && errno == ESRCH) {
                m_ended = true;
                return true;
            }
        }
        uint64_t now = NowMs();
        if (now >= deadline) return false;
        uint64_t slice = std::min<uint64_t>(deadline - now, 1000);
        if (m_pidfd >= 0) {
            pollfd p{m_pidfd, POLLIN, 0};
            int r = ::poll(&p, 1, static_cast<int>(slice));
            if (r > 0 && !m_child) {
                m_ended = true;
                return true;
            }
        } else {
            ::usleep(static_cast<useconds_t>(std::min<uint64_t>(slice, 10)) * 1000);
        }
    }
}

bool Process::ExitCode(uint32_t& code) {
    if (m_pid <= 0 || !Wait(0) || !m_haveCode) return false;
    code = m_exitCode;
    return true;
}

bool Process::Terminate(uint32_t exitCode) {
    if (m_pid <= 0 || m_ended) return false;
    int rc;
#ifdef SYS_pidfd_send_signal
    if (m_pidfd >= 0)
        rc = static_cast<int>(::syscall(SYS_pidfd_send_signal, m_pidfd, SIGKILL, nullptr, 0));
    else
#endif
        rc = ::kill(m_pid, SIGKILL);
    if (rc != 0) return false;
    m_terminated = true;
    m_terminateCode = exitCode;
    return true;
}

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
    std::vector<std::string> args;
    std::string current;
    bool inToken = false;
    bool quoted = false;
    for (char c : commandLine) {
        if (c == '"') {
            quoted = !quoted;
            inToken = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inToken) args.push_back(current);
            current.clear();
            inToken = false;
        } else {
            current += c;
            inToken = true;
        }
    }
    if (inToken) args.push_back(current);
    return args;
}

bool CreateProcess(const std::string& commandLine, const std::string& workDir, Process& process) {
    ReapOrphans();
    std::vector<std::string> argv = SplitCommandLine(commandLine);
    if (argv.empty()) {
        errno = EINVAL;
        return false;
    }
    // The program is found relative to our current directory, not the child's.
    std::string program = NativePath(argv[0]);
    if (program[0] != '/') {
        char cwd[PATH_MAX];
        if (::getcwd(cwd, sizeof cwd) == nullptr) return false;
        program = std::string(cwd) + "/" + program;
    }
    std::vector<std::string> spawnArgs = argv;
    spawnArgs[0] = program;
    pid_t pid = 0;
    if (Ops().spawn(spawnArgs, workDir.empty() ? std::string() : NativePath(workDir), &pid) != 0) return false;
    process.AdoptChild(pid);
    return true;
}

bool SnapshotProcesses(std::vector<ProcessEntry>& entries) {
    ReapOrphans();
    entries.clear();
    DIR* dir = ::opendir("/proc");
    if (!dir) return false;
    std::vector<pid_t> pids;
    while (dirent* e = ::readdir(dir)) {
        char* end = nullptr;
        long pid = std::strtol(e->d_name, &end, 10);
        if (pid > 0 && end && *end == '\0') pids.push_back(static_cast<pid_t>(pid));
    }
    ::closedir(dir);
    std::sort(pids.begin(), pids.end());
    for (pid_t pid : pids) {
        std::string base = "/proc/" + std::to_string(pid);
        std::string name;
        char link[PATH_MAX];
        ssize_t n = ::readlink((base + "/exe").c_str(), link, sizeof link - 1);
        if (n > 0) {
            std::string path(link, static_cast<size_t>(n));
            const std::string deleted = " (deleted)";
            if (path.size() > deleted.size() && path.ends_with(deleted)) path.resize(path.size() - deleted.size());
            name = path.substr(path.rfind('/') + 1);
        } else {
            std::string cmdline = ReadSmallFile(base + "/cmdline");
            std::string first = cmdline.substr(0, cmdline.find('\0'));
            first = first.substr(0, first.find(' '));
            name = first.substr(first.rfind('/') == std::string::npos ? 0 : first.rfind('/') + 1);
        }
        if (!name.empty()) entries.push_back(ProcessEntry{pid, name});
    }
    return true;
}

bool IsRunningImage(const std::string& path) {
    struct stat target {};
    if (::stat(NativePath(path).c_str(), &target) != 0) return false;
    DIR* dir = ::opendir("/proc");
    if (!dir) return false;
    bool found = false;
    while (dirent* e = ::readdir(dir)) {
        char* end = nullptr;
        long pid = std::strtol(e->d_name, &end, 10);
        if (pid <= 0 || !end || *end != '\0') continue;
        struct stat image {};
        std::string exe = "/proc/" + std::string(e->d_name) + "/exe";
        if (::stat(exe.c_str(), &image) == 0 && image.st_dev == target.st_dev && image.st_ino == target.st_ino) {
            found = true;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

std::string FindInPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t colon = dirs.find(':', start);
        std::string dir = dirs.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        if (!dir.empty()) {
            std::string candidate = dir + "/" + name;
            if (::access(candidate.c_str(), X_OK) == 0) return candidate;
        }
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    return {};
}

bool ShellOpen(const std::string& target, Process* started) {
    ReapOrphans();
    if (target.empty()) return false;
    std::vector<std::string> argv;
    std::string native = NativePath(target);
    struct stat st {};
    if (!IsUrl(target) && ::stat(native.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(native.c_str(), X_OK) == 0) {
        if (native[0] != '/') {
            char cwd[PATH_MAX];
            if (::getcwd(cwd, sizeof cwd) == nullptr) return false;
            native = std::string(cwd) + "/" + native;
        }
        argv = {native};
    } else {
        std::string opener = FindInPath("xdg-open");
        if (opener.empty()) {
            errno = ENOENT;
            return false;
        }
        argv = {opener, target};
    }
    pid_t pid = 0;
    if (Ops().spawn(argv, std::string(), &pid) != 0) return false;
    Process child;
    child.AdoptChild(pid);
    if (started) *started = std::move(child);  // else closing it hands it to the reaper
    return true;
}

}  // namespace platform
