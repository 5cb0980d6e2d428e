#pragma once
// The command line of dav-serve.

#include <string>
#include <vector>

namespace davserve {

constexpr int kDefaultPort = 8620;
constexpr const char* kDefaultAnalyticsReply = "0";

struct ServeOptions {
    std::string root = ".";             // the directory tree served
    int port = kDefaultPort;            // 0: any free port
    std::string portFile;               // where the chosen port is written ("" none)
    std::string logFile;                // request log ("" standard output)
    std::string analyticsFile;          // analytics records ("" standard output)
    std::string analyticsReply = kDefaultAnalyticsReply;
    std::string directivesFile;         // fault directives, re-read while running ("" none)
    std::vector<std::string> faults;    // fault directives from the command line
    double keepAliveSeconds = 5.0;      // idle time before a kept-alive connection is closed
    bool showHelp = false;
};

// Parses argv into options. False with a one-line reason in error for an unknown option,
// a missing or malformed value, or more than one root directory.
bool ParseServeOptions(int argc, const char* const* argv, ServeOptions& options,
                       std::string& error);

// The text printed by --help.
std::string ServeUsage();

}  // namespace davserve
