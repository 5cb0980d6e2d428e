// dav-serve: serves an update-server tree over HTTP on 127.0.0.1, records every request,
// stores analytics posts and injects faults on chosen paths. See --help.

#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <pthread.h>
#include <sys/stat.h>
#include <thread>

#include "tools/serve/AnalyticsStore.h"
#include "tools/serve/DavServer.h"
#include "tools/serve/DirectiveTable.h"
#include "tools/serve/RequestLog.h"
#include "tools/serve/Routes.h"
#include "tools/serve/ServeOptions.h"

namespace {

int Fail(const std::string& message) {
    std::cerr << "dav-serve: " << message << std::endl;
    return 2;
}

// Writes the port beside the file and renames it into place, so a reader never sees half.
bool WritePortFile(const std::string& path, int port) {
    std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << port << "\n";
        if (!out.flush()) return false;
    }
    return std::rename(temporary.c_str(), path.c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace davserve;
    ServeOptions options;
    std::string error;
    if (!ParseServeOptions(argc, argv, options, error))
        return Fail(error + " (see --help)");
    if (options.showHelp) {
        std::cout << ServeUsage();
        return 0;
    }

    char resolved[PATH_MAX];
    struct stat st {};
    if (!::realpath(options.root.c_str(), resolved) || ::stat(resolved, &st) != 0 ||
        !S_ISDIR(st.st_mode))
        return Fail("root " + options.root + " is not a directory");
    std::string root = resolved;

    std::vector<FaultDirective> faults;
    for (const std::string& text : options.faults) {
        FaultDirective directive;
        if (!ParseFaultDirective(text, directive, error)) return Fail("--fault " + error);
        faults.push_back(std::move(directive));
    }
    DirectiveTable directives(std::move(faults), options.directivesFile);
    RequestLog log;
    AnalyticsStore analytics;
    if (!log.Open(options.logFile, error) || !analytics.Open(options.analyticsFile, error))
        return Fail(error);

    // Termination requests are taken by sigwait below, never by a handler in another thread.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    DavServer server(options.keepAliveSeconds);
    RouteContext context;
    context.root = root;
    context.analyticsReply = options.analyticsReply;
    context.directives = &directives;
    context.analytics = &analytics;
    context.log = &log;
    InstallRoutes(server, context);

    int port = server.Bind(options.port);
    if (port <= 0) return Fail("cannot listen on 127.0.0.1:" + std::to_string(options.port));
    if (!options.portFile.empty() && !WritePortFile(options.portFile, port))
        return Fail("cannot write the port file " + options.portFile);
    std::cout << "dav-serve: listening on http://127.0.0.1:" << port << "/ serving " << root
              << std::endl;

    std::thread runner([&server] { server.Run(); });
    int signal = 0;
    sigwait(&stopSignals, &signal);
    server.Stop();
    runner.join();
    std::cout << "dav-serve: stopped" << std::endl;
    return 0;
}
