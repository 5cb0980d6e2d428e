#pragma once
// The time limits of analytics reports, in one place so tests can shorten them.
// An unreachable or silent analytics service must not hold the window: each attempt gives
// up after the connect limit (no connection) or the total limit (no complete answer), so a
// blocking report of five attempts ends within five total limits.

#include <cstdint>

struct BiTimeouts {
    uint32_t connectMs;  // establishing the connection, per attempt
    uint32_t totalMs;    // the whole exchange, per attempt
    // How long the end of the process waits for reports still running on their own threads
    // before it cuts them short.
    uint32_t exitGraceMs;
};

// The defaults: connect 2000 ms, total 3000 ms, exit grace 2000 ms.
BiTimeouts DefaultBiTimeouts();

// The limits in force; any thread may read them.
BiTimeouts GetBiTimeouts();

// Replaces the limits (tests); returns the ones replaced.
BiTimeouts SetBiTimeouts(const BiTimeouts& timeouts);
