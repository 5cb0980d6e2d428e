#include "tools/serve/FaultDirective.h"

#include <charconv>
#include <cstdlib>

namespace davserve {

namespace {

enum class ArgRule { None, Optional, Required };

bool ParseCount(const std::string& text, uint64_t& value) {
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

bool ParseSeconds(const std::string& text, double& value) {
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0' && value >= 0 && value < 86400;
}

using ArgParser = bool (*)(const std::string& arg, Fault& fault);

struct KindEntry {
    const char* name;
    FaultKind kind;
    ArgRule rule;
    ArgParser parse;  // called with the argument ("" when it is absent and optional)
    const char* argHelp;
};

const KindEntry kKinds[] = {
    {"redirect", FaultKind::Redirect, ArgRule::Required,
     [](const std::string& a, Fault& f) { f.text = a; return true; }, "a location"},
    {"nolength", FaultKind::NoLength, ArgRule::Optional,
     [](const std::string& a, Fault& f) {
         f.chunked = a.empty() || a == "chunked";
         return a.empty() || a == "chunked" || a == "close";
     },
     "\"chunked\" or \"close\""},
    {"truncate", FaultKind::Truncate, ArgRule::Required,
     [](const std::string& a, Fault& f) { return ParseCount(a, f.count); }, "a byte count"},
    {"close", FaultKind::Close, ArgRule::Required,
     [](const std::string& a, Fault& f) { return ParseCount(a, f.count); }, "a byte count"},
    {"stall", FaultKind::Stall, ArgRule::Optional,
     [](const std::string& a, Fault& f) { return a.empty() || ParseCount(a, f.count); },
     "a byte count"},
    {"trickle", FaultKind::Trickle, ArgRule::Required,
     [](const std::string& a, Fault& f) { return ParseSeconds(a, f.seconds) && f.seconds > 0; },
     "a positive number of seconds"},
    {"delay", FaultKind::Delay, ArgRule::Required,
     [](const std::string& a, Fault& f) { return ParseSeconds(a, f.seconds); },
     "a number of seconds"},
    {"flip", FaultKind::Flip, ArgRule::Required,
     [](const std::string& a, Fault& f) {
         size_t start = 0;
         while (start <= a.size()) {
             size_t comma = a.find(',', start);
             if (comma == std::string::npos) comma = a.size();
             uint64_t offset = 0;
             if (!ParseCount(a.substr(start, comma - start), offset)) return false;
             f.offsets.push_back(offset);
             start = comma + 1;
         }
         return true;
     },
     "byte offsets separated by commas"},
    {"body", FaultKind::Body, ArgRule::Required,
     [](const std::string& a, Fault& f) { f.text = a; return true; }, "a text"},
};

bool ParseStatusKind(const std::string& name, Fault& fault) {
    uint64_t status = 0;
    if (name.size() != 3 || !ParseCount(name, status) || status < 400 || status > 599)
        return false;
    fault.kind = FaultKind::Status;
    fault.status = static_cast<int>(status);
    return true;
}

// Splits a trailing ":times=K" off text.
bool SplitTimes(std::string& text, uint64_t& times, std::string& error) {
    static const std::string marker = ":times=";
    size_t at = text.rfind(marker);
    if (at == std::string::npos) return true;
    std::string count = text.substr(at + marker.size());
    if (!ParseCount(count, times) || times == 0) {
        error = "times= needs a positive count, not \"" + count + "\"";
        return false;
    }
    text.erase(at);
    return true;
}

}  // namespace

bool FaultDirective::Matches(const std::string& requestPath) const {
    if (prefix) return requestPath.compare(0, path.size(), path) == 0;
    return requestPath == path;
}

bool ParseFault(const std::string& text, Fault& fault, std::string& error) {
    size_t colon = text.find(':');
    std::string name = text.substr(0, colon);
    bool hasArg = colon != std::string::npos;
    std::string arg = hasArg ? text.substr(colon + 1) : std::string();
    fault = Fault();
    fault.name = name;
    if (ParseStatusKind(name, fault)) {
        if (hasArg) {
            error = "status " + name + " takes no argument";
            return false;
        }
        return true;
    }
    for (const KindEntry& entry : kKinds) {
        if (name != entry.name) continue;
        fault.kind = entry.kind;
        if (entry.rule == ArgRule::Required && (!hasArg || arg.empty())) {
            error = name + " needs " + entry.argHelp;
            return false;
        }
        if (!entry.parse(arg, fault)) {
            error = name + " needs " + entry.argHelp + ", not \"" + arg + "\"";
            return false;
        }
        return true;
    }
    error = "unknown fault \"" + name + "\"";
    return false;
}

bool ParseFaultDirective(const std::string& text, FaultDirective& directive, std::string& error) {
    std::string firstError;
    for (size_t eq = text.find('='); eq != std::string::npos; eq = text.find('=', eq + 1)) {
        std::string path = text.substr(0, eq);
        std::string rest = text.substr(eq + 1);
        if (path.empty() || path[0] != '/') break;
        FaultDirective candidate;
        std::string reason;
        if (!SplitTimes(rest, candidate.times, reason) ||
            !ParseFault(rest, candidate.fault, reason)) {
            if (firstError.empty()) firstError = reason;
            continue;
        }
        candidate.prefix = path.back() == '*';
        if (candidate.prefix) path.pop_back();
        candidate.path = path;
        directive = std::move(candidate);
        return true;
    }
    if (!firstError.empty())
        error = "\"" + text + "\": " + firstError;
    else
        error = "\"" + text + "\" is not PATH=KIND[:ARG][:times=K] with PATH starting with \"/\"";
    return false;
}

}  // namespace davserve
