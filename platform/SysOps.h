#pragma once
// The one replaceable table through which the platform layer reaches the operating system
// for file and process operations. Tests swap single entries to inject faults ("the third
// write fails with disk full", "every rename fails", "no process can be started") and
// check that nothing is lost. Every entry follows the POSIX convention of its namesake:
// -1 (or false) and errno on failure.

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

namespace platform {

struct SysOps {
    int (*open)(const char* path, int flags, mode_t mode);
    ssize_t (*read)(int fd, void* buf, size_t n);
    ssize_t (*write)(int fd, const void* buf, size_t n);
    int (*fsync)(int fd);
    int (*close)(int fd);
    int (*rename)(const char* from, const char* to);
    int (*unlink)(const char* path);
    int (*mkdir)(const char* path, mode_t mode);
    int (*rmdir)(const char* path);
    int (*chmod)(const char* path, mode_t mode);
    // Free bytes available to the caller on the volume holding path.
    int (*freeSpace)(const char* path, uint64_t* bytes);
    // Starts argv[0] (a path, resolved against the current directory when relative) in
    // workDir (empty: the current one). Stores the process id.
    int (*spawn)(const std::vector<std::string>& argv, const std::string& workDir, pid_t* pid);
    // Creates a thread running fn(arg); stores its handle.
    int (*createThread)(void* (*fn)(void*), void* arg, unsigned long* handle);
};

// The operating system's own operations.
const SysOps& RealSysOps();

// The table in force (the real one unless a test replaced it).
const SysOps& Ops();

// Replaces the table; returns the one it replaced. Only while no other thread uses it.
SysOps ReplaceSysOps(const SysOps& ops);

// Replaces the table for one scope (tests).
class ScopedSysOps {
public:
    explicit ScopedSysOps(const SysOps& ops) : m_saved(ReplaceSysOps(ops)) {}
    ~ScopedSysOps() { ReplaceSysOps(m_saved); }
    ScopedSysOps(const ScopedSysOps&) = delete;
    ScopedSysOps& operator=(const ScopedSysOps&) = delete;

private:
    SysOps m_saved;
};

}  // namespace platform
