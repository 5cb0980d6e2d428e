#pragma once
// Standard output and error, shared by the log echo and the headless front-end. Each call
// writes whole lines under one lock and flushes, so lines from several threads never mix.

#include <string_view>

namespace platform {

void WriteStdoutLine(std::string_view line);
// Writes text to standard error as it is (no line end added), flushed.
void WriteStderr(std::string_view text);
bool StderrIsTerminal();

}  // namespace platform
