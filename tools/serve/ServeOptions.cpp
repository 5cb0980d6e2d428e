#include "tools/serve/ServeOptions.h"

#include <charconv>
#include <cstdlib>

namespace davserve {

namespace {

bool ParsePort(const std::string& text, int& port) {
    int value = -1;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 0 || value > 65535)
        return false;
    port = value;
    return true;
}

bool ParseSeconds(const std::string& text, double& seconds) {
    char* end = nullptr;
    double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !(value > 0)) return false;
    seconds = value;
    return true;
}

}  // namespace

std::string ServeUsage() {
    return R"(Usage: dav-serve [OPTIONS] [ROOT]

Serves the directory tree ROOT (default: the current directory) over HTTP/1.1 on
127.0.0.1, with Content-Length and keep-alive, for GET and HEAD. Request paths are
percent-decoded; a path that climbs out of ROOT ("..") is refused with 403.
Analytics posts to /vx-bi-log-service/UploadHttpServlet are stored one JSON line each.

Options:
  --port N                 listen on port N (default 8620); 0 picks a free port
  --port-file FILE         write the port in use to FILE once the server accepts
  --log FILE               append one line per request to FILE (default: standard output):
                           METHOD TARGET STATUS BODY-BYTES-SENT FAULT   (FAULT "-" if none)
  --analytics FILE         append each analytics post to FILE as one JSON object a line
                           (default: standard output). Fields: time, appkey, type, log,
                           body (text; bytes that are not UTF-8 become U+FFFD) and
                           body_base64 (the exact bytes). appkey is the text between
                           "appkey=" and the first "&type=", type runs to the first
                           "&log=", log is everything after it.
  --analytics-reply TEXT   body of the answer to analytics posts (default "0")
  --fault DIRECTIVE        inject a fault (repeatable); see DIRECTIVES
  --directives FILE        read fault directives from FILE, one a line ("#" starts a
                           comment); the file is checked on every request and re-read
                           when its content changed (the use counts then start afresh)
  --keep-alive SECONDS     close a kept-alive connection idle this long (default 5)
  -h, --help               show this text

DIRECTIVES: PATH=KIND[:ARG][:times=K]
  PATH is the decoded request path without query ("/VELDMOR/AutoPatch/AutoPatch.ini");
  a PATH ending in "*" matches every path that starts with the text before it.
  With times=K the fault applies to the first K matching requests only; later requests
  fall through to the next matching directive, or are served normally. Command-line
  directives are consulted after the ones from the file.
  KIND:
    404, 500, any status 400-599   answer with that status and a short body
    redirect:LOCATION              302 to LOCATION (absolute or relative)
    nolength[:chunked|close]       body without Content-Length, chunked (default) or
                                   ended by closing the connection
    truncate:N                     announce the full length, send N body bytes, close
    close:N                        close the connection after N bytes of the response,
                                   status line and headers included (0: no answer)
    stall[:N]                      send the headers and N body bytes (default 0), then
                                   nothing until the client goes away
    trickle:SECONDS                send the body one byte every SECONDS (e.g. 0.2)
    delay:SECONDS                  wait SECONDS before answering normally
    flip:OFFSET[,OFFSET...]        invert the body bytes at these offsets
    body:TEXT                      answer 200 with TEXT as the body

Examples:
  dav-serve --port 0 --port-file /tmp/port srv/
  dav-serve --fault /VELDMOR/LauncherVersion/version=500:times=2 srv/
  dav-serve --fault '/VELDMOR/big.bin=trickle:0.2' --log requests.log srv/

SIGTERM or SIGINT stops the server cleanly (exit status 0).
)";
}

bool ParseServeOptions(int argc, const char* const* argv, ServeOptions& options,
                       std::string& error) {
    bool haveRoot = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) {
                error = "option " + arg + " needs a value";
                return false;
            }
            out = argv[++i];
            return true;
        };
        std::string text;
        if (arg == "-h" || arg == "--help") {
            options.showHelp = true;
        } else if (arg == "--port") {
            if (!value(text)) return false;
            if (!ParsePort(text, options.port)) {
                error = "--port needs a number from 0 to 65535, not \"" + text + "\"";
                return false;
            }
        } else if (arg == "--port-file") {
            if (!value(options.portFile)) return false;
        } else if (arg == "--log") {
            if (!value(options.logFile)) return false;
        } else if (arg == "--analytics") {
            if (!value(options.analyticsFile)) return false;
        } else if (arg == "--analytics-reply") {
            if (!value(options.analyticsReply)) return false;
        } else if (arg == "--directives") {
            if (!value(options.directivesFile)) return false;
        } else if (arg == "--fault") {
            if (!value(text)) return false;
            options.faults.push_back(text);
        } else if (arg == "--keep-alive") {
            if (!value(text)) return false;
            if (!ParseSeconds(text, options.keepAliveSeconds)) {
                error = "--keep-alive needs a positive number of seconds, not \"" + text + "\"";
                return false;
            }
        } else if (!arg.empty() && arg[0] == '-') {
            error = "unknown option " + arg;
            return false;
        } else if (haveRoot) {
            error = "only one root directory may be given";
            return false;
        } else {
            options.root = arg;
            haveRoot = true;
        }
    }
    return true;
}

}  // namespace davserve
