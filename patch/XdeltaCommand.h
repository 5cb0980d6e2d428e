#pragma once
// Runs xdelta3's command-line entry point inside the process. The entry point keeps its
// options in global variables, so runs are serialised; its messages are captured instead of
// going to standard error, and the environment variable it would read for extra options is
// ignored, so only the given argument vector decides what a run does. What a failed run
// leaves allocated (its stream, buffers and liblzma coders) is freed after the run.

#include <cstddef>
#include <string>
#include <vector>

struct XdeltaRun {
    int exitCode = 0;      // the entry point's return value: 0 success
    std::string messages;  // what it printed, lines as it wrote them
    size_t releasedBlocks = 0;  // blocks the run left allocated and that were freed after it
};

// Runs xdelta3 with args (args[0] is the program name). Paths in args are passed as given;
// callers map them with platform::NativePath.
XdeltaRun RunXdeltaCommand(const std::vector<std::string>& args);
