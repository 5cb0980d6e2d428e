#pragma once
// libcurl's global state, used in balanced pairs. libcurl's own initialisation must run
// before any easy handle exists and its clean-up only after the last one is gone; several
// owners (the procedure manager, each curl downloader, the analytics upload) take and give
// back references, and only the first take and the last give-back reach libcurl.
//
// While at least one reference is held, a pool of share objects keeps the connection cache
// and the DNS cache between transfers, so a run of many small files pays for one
// connection. libcurl does not support one connection cache used by two threads at once,
// so a share is lent to one transfer at a time: downloaders used one after another (the
// normal case, one worker) all draw the same share and its open connections; a transfer
// that runs while another is in progress gets a share of its own.

#include <curl/curl.h>

// Takes a reference; the first one runs libcurl's global initialisation with all flags.
// False (no reference taken) when that initialisation fails.
bool CurlGlobalInit();

// Gives back a reference taken by CurlGlobalInit; the last one destroys the pooled shares
// and runs libcurl's global clean-up. Ignored when no reference is held.
void CurlGlobalCleanup();

// The number of references held (tests).
int CurlGlobalRefCount();

// Lends a share object (connection cache and DNS cache, with locking) for one easy handle;
// null when no reference is held or libcurl refuses. Give it back with ReturnCurlShare
// after the easy handle that used it has been cleaned up.
CURLSH* BorrowCurlShare();
void ReturnCurlShare(CURLSH* share);
