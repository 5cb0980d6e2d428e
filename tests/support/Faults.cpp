#include "tests/support/Faults.h"

#include <cerrno>

namespace testsupport {
namespace {

// One fault at a time is active; its settings live here for the plain function pointers.
struct FaultState {
    FaultOp op = FaultOp::Write;
    int nth = 0;
    int errnoValue = 0;
    bool fromNthOn = false;
    std::atomic<int> calls{0};
    platform::SysOps real{};
    uint64_t freeBytes = 0;
};
FaultState g_fault;

// True when this call of the faulted operation is to fail.
bool ShouldFail() {
    int call = g_fault.calls.fetch_add(1) + 1;
    bool fail = g_fault.fromNthOn ? call >= g_fault.nth : call == g_fault.nth;
    if (fail) errno = g_fault.errnoValue;
    return fail;
}

ssize_t FaultWrite(int fd, const void* buf, size_t n) {
    return ShouldFail() ? -1 : g_fault.real.write(fd, buf, n);
}
int FaultRename(const char* a, const char* b) { return ShouldFail() ? -1 : g_fault.real.rename(a, b); }
int FaultUnlink(const char* p) { return ShouldFail() ? -1 : g_fault.real.unlink(p); }
int FaultOpen(const char* p, int f, mode_t m) { return ShouldFail() ? -1 : g_fault.real.open(p, f, m); }
int FaultFsync(int fd) { return ShouldFail() ? -1 : g_fault.real.fsync(fd); }
int FaultSpawn(const std::vector<std::string>& argv, const std::string& dir, pid_t* pid) {
    return ShouldFail() ? -1 : g_fault.real.spawn(argv, dir, pid);
}
int FaultCreateThread(void* (*fn)(void*), void* arg, unsigned long* handle) {
    return ShouldFail() ? -1 : g_fault.real.createThread(fn, arg, handle);
}
int FixedFreeSpace(const char*, uint64_t* bytes) {
    *bytes = g_fault.freeBytes;
    return 0;
}

}  // namespace

ScopedFault::ScopedFault(FaultOp op, int nth, int errnoValue, bool failFromNthOn)
    : m_saved(platform::Ops()) {
    g_fault.op = op;
    g_fault.nth = nth;
    g_fault.errnoValue = errnoValue;
    g_fault.fromNthOn = failFromNthOn;
    g_fault.calls = 0;
    g_fault.real = m_saved;
    platform::SysOps ops = m_saved;
    switch (op) {
        case FaultOp::Write: ops.write = FaultWrite; break;
        case FaultOp::Rename: ops.rename = FaultRename; break;
        case FaultOp::Unlink: ops.unlink = FaultUnlink; break;
        case FaultOp::Open: ops.open = FaultOpen; break;
        case FaultOp::Fsync: ops.fsync = FaultFsync; break;
        case FaultOp::Spawn: ops.spawn = FaultSpawn; break;
        case FaultOp::CreateThread: ops.createThread = FaultCreateThread; break;
    }
    platform::ReplaceSysOps(ops);
}

ScopedFault::~ScopedFault() { platform::ReplaceSysOps(m_saved); }

int ScopedFault::Calls() const { return g_fault.calls.load(); }

ScopedFreeSpace::ScopedFreeSpace(uint64_t bytes) : m_saved(platform::Ops()) {
    g_fault.freeBytes = bytes;
    platform::SysOps ops = m_saved;
    ops.freeSpace = FixedFreeSpace;
    platform::ReplaceSysOps(ops);
}

ScopedFreeSpace::~ScopedFreeSpace() { platform::ReplaceSysOps(m_saved); }

}  // namespace testsupport
