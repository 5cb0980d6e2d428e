#pragma once
// Starts a program for tests and benchmarks with a clean front-end environment: the
// launcher's own switches (DAVURERUVO_*) and any display are taken out of this process's
// environment, then extraEnv is added. Standard input is /dev/null; standard output and
// error are appended to outFile.

#include <string>
#include <sys/types.h>
#include <vector>

namespace testsupport {

// argv[0] is a path or a name looked up in PATH; dir empty keeps the current directory.
// Returns the process id, or -1 when it could not be started.
pid_t SpawnProgram(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv,
                   const std::string& dir, const std::string& outFile);

}  // namespace testsupport
