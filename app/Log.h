#pragma once
// The launcher's one log writer. Each call formats one message (printf rules, cut to 1023
// characters), echoes it to standard output, and appends one line
// "[DD_hh:mm:ss]: message" ending in CR LF to "Launch.log" in the current directory,
// opening and closing the file for every entry. A file that cannot be opened drops the
// entry silently. Calls from several threads are serialised: no line is lost or mixed.

#include <cstdarg>

void WriteLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
void WriteLogV(const char* format, va_list args);

// The log's file names, relative to the current directory.
inline constexpr const char* LOG_FILE_NAME = "Launch.log";
inline constexpr const char* LOG_BACKUP_FILE_NAME = "Launch.log.bak";
