#include "tests/support/UpdateServer.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <netinet/in.h>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace testsupport {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kPollInterval = std::chrono::milliseconds(5);

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        if (!line.empty()) lines.push_back(line);
    return lines;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string PercentDecode(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
            HexDigit(text[i + 2]) >= 0) {
            out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// The string value of "key" in a one-line JSON object written by the server, unescaped.
std::string JsonField(const std::string& line, const std::string& key) {
    std::string marker = "\"" + key + "\":\"";
    size_t at = line.find(marker);
    if (at == std::string::npos) return std::string();
    std::string out;
    for (size_t i = at + marker.size(); i < line.size() && line[i] != '"'; ++i) {
        if (line[i] != '\\' || i + 1 >= line.size()) {
            out += line[i];
            continue;
        }
        char c = line[++i];
        switch (c) {
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'u': {
            uint32_t cp = static_cast<uint32_t>(std::stoul(line.substr(i + 1, 4), nullptr, 16));
            i += 4;
            if (cp >= 0xD800 && cp < 0xDC00 && line.compare(i + 1, 2, "\\u") == 0) {
                uint32_t low = static_cast<uint32_t>(std::stoul(line.substr(i + 3, 4), nullptr, 16));
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                i += 6;
            }
            AppendUtf8(out, cp);
            break;
        }
        default: out += c; break;  // \" \\ \/
        }
    }
    return out;
}

std::string Base64Decode(const std::string& text) {
    static const std::string kAlphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    uint32_t bits = 0;
    int count = 0;
    for (char c : text) {
        size_t value = kAlphabet.find(c);
        if (value == std::string::npos) continue;  // padding
        bits = (bits << 6) | static_cast<uint32_t>(value);
        count += 6;
        if (count >= 8) {
            count -= 8;
            out += static_cast<char>((bits >> count) & 0xFF);
        }
    }
    return out;
}

bool WaitForExit(pid_t pid, int timeoutMs, int& status) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (true) {
        pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) return true;
        if (done < 0 && errno != EINTR) return true;
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(kPollInterval);
    }
}

}  // namespace

UpdateServer::UpdateServer(const std::string& root, UpdateServerOptions options) {
    if (!Start(root, options)) {
        const char* binDir = std::getenv("DAV_BIN_DIR");
        ADD_FAILURE() << (binDir ? binDir : "$DAV_BIN_DIR") << "/dav-serve did not start serving "
                      << root << ": " << ErrorOutput();
        Stop();
        m_port = 0;
    }
}

UpdateServer::~UpdateServer() {
    Stop();
    // In sanitizer builds the server is instrumented too; its reports fail the test.
    std::string errors = ErrorOutput();
    if (errors.find("Sanitizer") != std::string::npos ||
        errors.find("runtime error:") != std::string::npos)
        ADD_FAILURE() << "dav-serve reported:\n" << errors;
}

bool UpdateServer::Start(const std::string& root, const UpdateServerOptions& options) {
    const char* binDir = std::getenv("DAV_BIN_DIR");
    if (!binDir) {
        WriteFile(m_work / "stderr.txt", "DAV_BIN_DIR is not set");
        return false;
    }
    std::vector<std::string> args = {std::string(binDir) + "/dav-serve",
                                      "--port", "0",
                                      "--port-file", m_work / "port",
                                      "--log", m_work / "requests.log",
                                      "--analytics", m_work / "analytics.jsonl",
                                      "--directives", m_work / "directives",
                                      "--analytics-reply", options.analyticsReply};
    for (const auto& fault : options.faults) {
        args.push_back("--fault");
        args.push_back(fault);
    }
    args.insert(args.end(), options.extraArguments.begin(), options.extraArguments.end());
    args.push_back(root);
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);

    std::string out = m_work / "stdout.txt";
    std::string err = m_work / "stderr.txt";
    pid_t pid = ::fork();
    if (pid == 0) {
        // Only async-signal-safe calls between fork and exec. The server ends with this
        // process even when a test dies without running destructors.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        int outFd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        int errFd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (outFd < 0 || errFd < 0 || ::dup2(outFd, 1) < 0 || ::dup2(errFd, 2) < 0) ::_exit(127);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    if (pid < 0) {
        WriteFile(err, "cannot start " + args[0]);
        return false;
    }
    m_pid = pid;

    auto deadline = Clock::now() + std::chrono::milliseconds(kStartStopTimeoutMs);
    while (Clock::now() < deadline) {
        std::string port = ReadFile(m_work / "port");
        if (!port.empty()) {
            m_port = std::atoi(port.c_str());
            return m_port > 0;
        }
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            return false;
        }
        std::this_thread::sleep_for(kPollInterval);
    }
    return false;
}

bool UpdateServer::Stop() {
    if (m_pid <= 0) return false;
    ::kill(m_pid, SIGTERM);
    int status = 0;
    bool ended = WaitForExit(m_pid, kStartStopTimeoutMs, status);
    if (!ended) {
        ::kill(m_pid, SIGKILL);
        WaitForExit(m_pid, kStartStopTimeoutMs, status);
    }
    m_pid = -1;
    return ended && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string UpdateServer::BaseUrl() const {
    return "http://127.0.0.1:" + std::to_string(m_port);
}

std::string UpdateServer::Url(const std::string& path) const { return BaseUrl() + path; }

void UpdateServer::SetFaults(const std::vector<std::string>& directives) {
    // The generation line makes every call new content, so the server starts its counts
    // afresh; the rename makes the server see the whole list or none of it.
    std::string text = "# set " + std::to_string(++m_faultGeneration) + "\n";
    for (const auto& directive : directives) text += directive + "\n";
    std::string temporary = m_work / "directives.tmp";
    WriteFile(temporary, text);
    std::rename(temporary.c_str(), (m_work / "directives").c_str());
}

std::vector<std::string> UpdateServer::RequestLogLines() const {
    return SplitLines(ReadFile(m_work / "requests.log"));
}

std::vector<ServedRequest> UpdateServer::Requests() const {
    std::vector<ServedRequest> requests;
    for (const auto& line : RequestLogLines()) {
        std::istringstream in(line);
        ServedRequest request;
        in >> request.method >> request.target >> request.status >> request.bodyBytes >>
            request.fault;
        if (request.fault == "-") request.fault.clear();
        request.path = PercentDecode(request.target.substr(0, request.target.find('?')));
        requests.push_back(request);
    }
    return requests;
}

std::vector<ServedRequest> UpdateServer::WaitForRequests(size_t count, int timeoutMs) const {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (true) {
        auto requests = Requests();
        if (requests.size() >= count || Clock::now() >= deadline) return requests;
        std::this_thread::sleep_for(kPollInterval);
    }
}

std::vector<AnalyticsRecord> UpdateServer::AnalyticsRecords() const {
    std::vector<AnalyticsRecord> records;
    for (const auto& line : SplitLines(ReadFile(m_work / "analytics.jsonl"))) {
        AnalyticsRecord record;
        record.body = Base64Decode(JsonField(line, "body_base64"));
        record.appkey = JsonField(line, "appkey");
        record.type = JsonField(line, "type");
        record.log = JsonField(line, "log");
        record.complete = line.find("\"complete\":true") != std::string::npos;
        records.push_back(record);
    }
    return records;
}

std::string UpdateServer::Output() const { return ReadFile(m_work / "stdout.txt"); }

std::string UpdateServer::ErrorOutput() const { return ReadFile(m_work / "stderr.txt"); }

RefusedPort::RefusedPort() {
    m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof(addr);
    if (m_fd < 0 || ::bind(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 ||
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        ADD_FAILURE() << "cannot reserve a port on 127.0.0.1";
        return;
    }
    m_port = ntohs(addr.sin_port);
}

RefusedPort::~RefusedPort() {
    if (m_fd >= 0) ::close(m_fd);
}

std::string RefusedPort::BaseUrl() const {
    return "http://127.0.0.1:" + std::to_string(m_port);
}

}  // namespace testsupport
