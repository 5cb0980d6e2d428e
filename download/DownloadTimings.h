#pragma once
// Every time limit of the downloaders, in one place so that tests can shorten them.

#include <cstdint>

struct DownloadTimings {
    // A transfer that moves fewer than lowSpeedLimitBytes per second for lowSpeedTimeSeconds
    // is aborted (a stalled connection).
    long lowSpeedTimeSeconds = 30;
    long lowSpeedLimitBytes = 1;
    // How long a transfer ended by Stop from another thread waits for that thread's
    // notification to be delivered before it announces its own final state.
    uint32_t stopNotifyWaitMs = 5000;
};

// The values in force (the defaults above unless a test changed them).
DownloadTimings GetDownloadTimings();

// Replaces the values for transfers prepared from now on; returns the previous ones.
DownloadTimings SetDownloadTimings(const DownloadTimings& timings);
