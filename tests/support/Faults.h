#pragma once
// Fault injection through the platform's operation table: a test states which operation
// fails, from which call on, and with which error; everything else behaves normally.

#include "platform/SysOps.h"

#include <atomic>
#include <cstdint>

namespace testsupport {

enum class FaultOp { Write, Rename, Unlink, Open, Spawn, CreateThread, Fsync };

// While alive, the Nth call (1-based) of op and, with failFromNthOn, every later one fails
// with errnoValue. Calls() counts the calls seen so far.
class ScopedFault {
public:
    ScopedFault(FaultOp op, int nth, int errnoValue, bool failFromNthOn = false);
    ~ScopedFault();
    ScopedFault(const ScopedFault&) = delete;
    ScopedFault& operator=(const ScopedFault&) = delete;
    int Calls() const;

private:
    platform::SysOps m_saved;
};

// While alive, the free-space query reports the given byte count for every volume.
class ScopedFreeSpace {
public:
    explicit ScopedFreeSpace(uint64_t bytes);
    ~ScopedFreeSpace();
    ScopedFreeSpace(const ScopedFreeSpace&) = delete;
    ScopedFreeSpace& operator=(const ScopedFreeSpace&) = delete;

private:
    platform::SysOps m_saved;
};

}  // namespace testsupport
