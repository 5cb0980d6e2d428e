#pragma once
// A private Xvfb server for window tests and benchmarks: it picks a free display number
// itself and dies with the process that started it, whatever ends that process.

#include <string>
#include <sys/types.h>

namespace testsupport {

// Starts Xvfb with one 1600x900x24 screen; sets displayName (":N") and returns its process
// id, or -1 when it could not be started.
pid_t StartXvfb(std::string& displayName);

// Stops a server started by StartXvfb and waits for it.
void StopXvfb(pid_t pid);

}  // namespace testsupport
