#include "platform/SysOps.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <pthread.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

extern char** environ;

namespace platform {
namespace {

int RealOpen(const char* path, int flags, mode_t mode) {
    int fd;
    do {
        fd = ::open(path, flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

ssize_t RealRead(int fd, void* buf, size_t n) {
    ssize_t r;
    do {
        r = ::read(fd, buf, n);
    } while (r < 0 && errno == EINTR);
    return r;
}

ssize_t RealWrite(int fd, const void* buf, size_t n) {
    ssize_t r;
    do {
        r = ::write(fd, buf, n);
    } while (r < 0 && errno == EINTR);
    return r;
}

int RealFreeSpace(const char* path, uint64_t* bytes) {
    struct statvfs st {};
    if (::statvfs(path, &st) != 0) return -1;
    *bytes = static_cast<uint64_t>(st.f_bavail) * st.f_frsize;
    return 0;
}

int RealSpawn(const std::vector<std::string>& argv, const std::string& workDir, pid_t* pid) {
    if (argv.empty()) {
        errno = EINVAL;
        return -1;
    }
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!workDir.empty()) posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
    int rc = posix_spawn(pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        errno = rc;
        return -1;
    }
    return 0;
}

int RealCreateThread(void* (*fn)(void*), void* arg, unsigned long* handle) {
    pthread_t t;
    int rc = pthread_create(&t, nullptr, fn, arg);
    if (rc != 0) {
        errno = rc;
        return -1;
    }
    *handle = static_cast<unsigned long>(t);
    return 0;
}

const SysOps kReal = {
    RealOpen,  RealRead,   RealWrite,  ::fsync,       ::close,    ::rename,         ::unlink,
    ::mkdir,   ::rmdir,    ::chmod,    RealFreeSpace, RealSpawn,  RealCreateThread,
};

std::atomic<const SysOps*> g_current{&kReal};
SysOps g_replaced;

}  // namespace

const SysOps& RealSysOps() { return kReal; }

const SysOps& Ops() { return *g_current.load(std::memory_order_acquire); }

SysOps ReplaceSysOps(const SysOps& ops) {
    SysOps previous = Ops();
    g_replaced = ops;
    g_current.store(&g_replaced, std::memory_order_release);
    return previous;
}

}  // namespace platform
