#include "tools/serve/Routes.h"

#include "tools/serve/FaultInjector.h"
#include "tools/serve/FileTree.h"

namespace davserve {

namespace {

Answer TextAnswer(int status, const std::string& text) {
    Answer answer;
    answer.status = status;
    answer.contentType = "text/plain";
    answer.body = BodySource::FromText(text);
    return answer;
}

Answer FileAnswer(const std::string& root, const std::string& path) {
    int fd = -1;
    uint64_t size = 0;
    switch (OpenServedFile(root, path, fd, size)) {
    case Lookup::Found: {
        Answer answer;
        answer.contentType = ContentTypeFor(path);
        answer.body = BodySource::FromFile(fd, size);
        return answer;
    }
    case Lookup::Forbidden:
        return TextAnswer(403, "Forbidden: the path leaves the served tree\n");
    case Lookup::NotFound:
        break;
    }
    return TextAnswer(404, "Not Found\n");
}

// Answers one request: the fault directives see the decoded path first.
void AnswerWithFaults(const RouteContext& context, const httplib::Request& req, httplib::Response& res,
             const std::string& path, const Answer& answer) {
    ConnectionStream* connection = DavServer::CurrentConnection();
    std::optional<Fault> fault = context.directives->Take(path);
    Respond(answer, fault ? &*fault : nullptr, res, *connection);
    // A range of a whole file is a partial answer; the library sends the range itself.
    if (res.status == 200 && !req.ranges.empty() && res.content_length_ > 0) res.status = 206;
}

}  // namespace

void InstallRoutes(DavServer& server, const RouteContext& context) {
    server.set_pre_routing_handler([context](const httplib::Request& req, httplib::Response& res) {
        if (req.method != "GET" && req.method != "HEAD")
            return httplib::Server::HandlerResponse::Unhandled;
        std::string path;
        if (!DecodeRequestPath(req.target, path)) {
            Respond(TextAnswer(400, "Bad Request: malformed path\n"), nullptr, res,
                    *DavServer::CurrentConnection());
            return httplib::Server::HandlerResponse::Handled;
        }
        AnswerWithFaults(context, req, res, path, FileAnswer(context.root, path));
        return httplib::Server::HandlerResponse::Handled;
    });

    server.Post(kAnalyticsPath, [context](const httplib::Request& req, httplib::Response& res,
                                          const httplib::ContentReader& reader) {
        std::string body;
        reader([&body](const char* data, size_t length) {
            body.append(data, length);
            return true;
        });
        context.analytics->Store(body);
        AnswerWithFaults(context, req, res, kAnalyticsPath, TextAnswer(200, context.analyticsReply));
    });

    RequestLog* log = context.log;
    server.set_logger([log](const httplib::Request& req, const httplib::Response& res) {
        ConnectionStream* connection = DavServer::CurrentConnection();
        log->Write(req.method.empty() ? "-" : req.method, req.target, res.status,
                   connection ? connection->BodyBytesSent() : 0,
                   connection ? connection->FaultName() : std::string());
    });
}

}  // namespace davserve
