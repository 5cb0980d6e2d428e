#include "download/DownloadTimings.h"

#include <mutex>

namespace {

std::mutex g_mutex;
DownloadTimings g_timings;

}  // namespace

DownloadTimings GetDownloadTimings() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_timings;
}

DownloadTimings SetDownloadTimings(const DownloadTimings& timings) {
    std::lock_guard<std::mutex> lock(g_mutex);
    DownloadTimings previous = g_timings;
    g_timings = timings;
    return previous;
}
