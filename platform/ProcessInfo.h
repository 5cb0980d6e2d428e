#pragma once
// Facts about this process: its command line as the system reports it, and its executable.

#include <string>

namespace platform {

// Records the command line at start-up: argv joined by single blanks, program path first.
void SetCommandLine(int argc, const char* const* argv);
const std::string& GetCommandLine();

// The full path of the running executable.
std::string ExecutablePath();

}  // namespace platform
