#include "telemetry/BiTimeouts.h"

#include <atomic>

namespace {

constexpr BiTimeouts kDefaults = {2000, 3000, 2000};

std::atomic<uint32_t> g_connectMs{kDefaults.connectMs};
std::atomic<uint32_t> g_totalMs{kDefaults.totalMs};
std::atomic<uint32_t> g_exitGraceMs{kDefaults.exitGraceMs};

}  // namespace

BiTimeouts DefaultBiTimeouts() { return kDefaults; }

BiTimeouts GetBiTimeouts() {
    return {g_connectMs.load(), g_totalMs.load(), g_exitGraceMs.load()};
}

BiTimeouts SetBiTimeouts(const BiTimeouts& timeouts) {
    BiTimeouts previous = GetBiTimeouts();
    g_connectMs.store(timeouts.connectMs);
    g_totalMs.store(timeouts.totalMs);
    g_exitGraceMs.store(timeouts.exitGraceMs);
    return previous;
}
