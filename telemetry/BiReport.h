#pragma once
// Reporting named analytics events ("LE_...") with a detail text. Fire-and-forget: the
// caller learns nothing of the outcome; each event is tried up to five times, one attempt
// right after the other, and then dropped.

#include <cstdint>
#include <string_view>

// Builds the event's record and sends it on the calling thread, blocking until an attempt
// is accepted or five have failed (each attempt bounded by GetBiTimeouts()).
void ReportEvent(std::u16string_view name, std::u16string_view detail);

// Copies both texts and does what ReportEvent does on a new thread; returns at once. The
// threads are tracked so the process can end cleanly: at exit, or at FinishPendingReports,
// reports still running get a short grace period and are then cut short.
void ReportEventAsync(std::u16string_view name, std::u16string_view detail);

// Waits up to graceMs for every report started by ReportEventAsync to end, then abandons the
// transfers still running (no further attempt starts) and waits until their threads have
// ended, which takes moments. Reports started meanwhile are included. Called at exit with
// the exit grace of GetBiTimeouts(); callers may call it earlier to end at a chosen point.
void FinishPendingReports(uint32_t graceMs);
