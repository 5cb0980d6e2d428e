#pragma once
// What the server answers: files of the tree for GET and HEAD, the analytics service for
// its posts, every request logged and offered to the fault directives.

#include <string>

#include "tools/serve/AnalyticsStore.h"
#include "tools/serve/DavServer.h"
#include "tools/serve/DirectiveTable.h"
#include "tools/serve/RequestLog.h"

namespace davserve {

struct RouteContext {
    std::string root;  // absolute, without symbolic links
    std::string analyticsReply;
    DirectiveTable* directives = nullptr;
    AnalyticsStore* analytics = nullptr;
    RequestLog* log = nullptr;
};

// Installs the handlers and the request logger on server. The objects context points to
// must outlive the server's run.
void InstallRoutes(DavServer& server, const RouteContext& context);

}  // namespace davserve
