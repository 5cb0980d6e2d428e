#pragma once
// The downloaders' state codes and the notifications they send to their notify window.
// A state's high 16 bits give its class; callers test only the class.

#include <cstdint>

// Classes of a state code.
inline constexpr uint32_t DLC_NOT_RUNNING = 0;
inline constexpr uint32_t DLC_RUNNING = 1;
inline constexpr uint32_t DLC_DONE = 2;
inline constexpr uint32_t DLC_FAILED = 3;

// State codes.
inline constexpr uint32_t DLS_IDLE = 0x00000;            // constructed, stopped or reset
inline constexpr uint32_t DLS_PREPARED = 0x00001;        // ready to run
inline constexpr uint32_t DLS_PREPARE_FAILED = 0x00002;  // preparation failed
inline constexpr uint32_t DLS_RUNNING = 0x10000;         // transfer running
inline constexpr uint32_t DLS_DONE = 0x20000;            // the destination file is in place
inline constexpr uint32_t DLS_FAILED = 0x30000;          // transport error, abort, or status other than 200
inline constexpr uint32_t DLS_PLACE_FAILED = 0x30003;    // the downloaded file could not be put in place
inline constexpr uint32_t DLS_SIZE_MISMATCH = 0x30004;   // downloaded size differs from the announced length

// The class of a state code (its high 16 bits).
constexpr uint32_t DownloadStateClass(uint32_t state) { return state >> 16; }

// Notifications sent synchronously to the notify window: wParam = the caller's tag,
// lParam = the downloader (CAutoDownload*).
inline constexpr uint32_t DL_STATE_CHANGED = 0x3401;
inline constexpr uint32_t DL_PROGRESS = 0x3402;

// What GetKind() answers; kind 2 needs libcurl's global clean-up.
inline constexpr int DL_KIND_CURL = 2;

// The HTTP status of a transfer that succeeded.
inline constexpr int DL_HTTP_OK = 200;
