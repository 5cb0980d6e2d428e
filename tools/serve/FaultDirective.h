#pragma once
// One fault directive: which request paths it matches, what it does to the answer, and
// for how many requests. Text form: PATH=KIND[:ARG][:times=K] (see ServeUsage).

#include <cstdint>
#include <string>
#include <vector>

namespace davserve {

enum class FaultKind {
    Status,    // answer with `status` and a short body
    Redirect,  // 302 to `text`
    NoLength,  // body without Content-Length: chunked, or ended by closing the connection
    Truncate,  // full Content-Length announced, `count` body bytes sent, connection closed
    Close,     // connection closed after `count` bytes of the whole response
    Stall,     // headers and `count` body bytes, then silence until the client leaves
    Trickle,   // one body byte every `seconds`
    Delay,     // wait `seconds`, then answer normally
    Flip,      // body bytes at `offsets` inverted
    Body,      // 200 with `text` as the body
};

struct Fault {
    FaultKind kind = FaultKind::Status;
    std::string name;               // the KIND word as written ("500", "truncate"), for logs
    int status = 0;
    std::string text;
    bool chunked = true;
    uint64_t count = 0;
    double seconds = 0;
    std::vector<uint64_t> offsets;
};

struct FaultDirective {
    std::string path;     // the path, or the prefix when `prefix` is set
    bool prefix = false;  // the PATH ended in "*"
    Fault fault;
    uint64_t times = 0;   // 0: every matching request

    // True when the decoded request path is the one this directive names.
    bool Matches(const std::string& requestPath) const;
};

// Parses PATH=KIND[:ARG][:times=K]. The PATH ends at the first "=" after which a valid
// fault follows, so a path may itself contain "=". False with a reason in error otherwise.
bool ParseFaultDirective(const std::string& text, FaultDirective& directive, std::string& error);

// Parses KIND[:ARG] alone (no path, no times). False with a reason in error.
bool ParseFault(const std::string& text, Fault& fault, std::string& error);

}  // namespace davserve
