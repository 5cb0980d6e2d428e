// Downloader benchmark over loopback, against the update server and against nginx:
//  1. one large file (1 GiB by default): the curl downloader against "curl -s -o" on the
//     same URL; throughput ratio (target at least 0.9) and the downloader's peak memory
//     above the program's baseline (target under 32 MiB);
//  2. many small files (1,000 of 4 KiB) fetched one after another by one downloader,
//     against one curl process fetching the same URLs over one connection.
// Usage: bench_download [--mib N] [--files N] [--rounds N] [--keep]
// Needs dav-serve beside this program and nginx on the PATH (or /usr/sbin/nginx).

#include "download/AutoDownload_Curl.h"
#include "download/CurlGlobal.h"
#include "download/DownloadState.h"
#include "platform/Thread.h"
#include "platform/Window.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <netinet/in.h>
#include <random>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A child process, killed (SIGTERM, then SIGKILL) when the object goes.
class Child {
public:
    bool Start(const std::vector<std::string>& argv, const std::string& stdoutPath = "/dev/null") {
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int rc = posix_spawnp(&m_pid, args[0], &actions, nullptr, args.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0) m_pid = -1;
        return rc == 0;
    }
    // Waits for the end; the exit status (-1 when killed or not started).
    int Wait() {
        if (m_pid <= 0) return -1;
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    ~Child() {
        if (m_pid <= 0) return;
        kill(m_pid, SIGTERM);
        for (int i = 0; i < 50; ++i) {
            if (waitpid(m_pid, nullptr, WNOHANG) == m_pid) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }

private:
    pid_t m_pid = -1;
};

// Runs a command to its end; its wall time in seconds, or a negative value on failure.
double TimeCommand(const std::vector<std::string>& argv) {
    Child child;
    auto start = Clock::now();
    if (!child.Start(argv)) return -1;
    int rc = child.Wait();
    double seconds = SecondsSince(start);
    return rc == 0 ? seconds : -1;
}

int FreePort() {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    close(fd);
    return ntohs(addr.sin_port);
}

bool PortAnswers(int port) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool ok = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    close(fd);
    return ok;
}

bool WaitForPort(int port) {
    for (int i = 0; i < 200; ++i) {
        if (PortAnswers(port)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return false;
}

// Kilobytes of a "VmRSS:"-style line of /proc/self/status.
long StatusKiB(const char* key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    size_t n = std::strlen(key);
    while (std::getline(in, line))
        if (line.compare(0, n, key) == 0) return std::strtol(line.c_str() + n, nullptr, 10);
    return -1;
}

void ResetPeakRss() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

void WriteRandomFile(const std::string& path, uint64_t bytes, uint64_t seed) {
    std::ofstream out(path, std::ios::binary);
    std::mt19937_64 rng(seed);
    std::vector<uint64_t> block(1 << 17);
    for (uint64_t written = 0; written < bytes;) {
        for (uint64_t& v : block) v = rng();
        uint64_t n = std::min<uint64_t>(bytes - written, block.size() * sizeof(uint64_t));
        out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(n));
        written += n;
    }
}

// The notify window of a real run: a hidden window on a user-interface thread of its own
// that reads progress and rate at every notification, as the relay window does.
class RelayThread {
public:
    RelayThread() {
        m_thread.Start([this] {
            m_window = platform::CreateWindow("BENCH_RELAY", [this](platform::WindowHandle, uint32_t message,
                                                                  platform::WParam, platform::LParam lParam) {
                if (message == DL_PROGRESS) {
                    auto* dl = reinterpret_cast<CAutoDownload*>(lParam);
                    int64_t total = 0, received = 0;
                    if (dl->GetProgress(total, received)) m_lastSpeed = dl->GetSpeed();
                    ++m_progressMessages;
                }
                return platform::LResult{1};
            });
            m_ready.Set();
            while (!m_quit.load()) platform::PumpMessages(50);
            platform::DestroyWindow(m_window);
        });
        m_ready.Wait(UINT32_MAX);
    }
    ~RelayThread() {
        m_quit.store(true);
        platform::WakeOwnerThread(m_window);
        m_thread.Join();
    }
    platform::WindowHandle Window() const { return m_window; }
    uint64_t ProgressMessages() const { return m_progressMessages.load(); }

private:
    platform::Thread m_thread;
    platform::WindowHandle m_window;
    platform::ManualResetEvent m_ready;
    std::atomic<bool> m_quit{false};
    std::atomic<uint64_t> m_progressMessages{0};
    int m_lastSpeed = 0;
};

bool Download(CAutoDownload& dl, const std::string& url, const std::string& dest, platform::WindowHandle window) {
    if (!dl.Prepare(url.c_str(), dest.c_str(), window, 3)) return false;
    dl.Run();
    dl.Wait(true);
    bool ok = DownloadStateClass(dl.GetState()) == DLC_DONE;
    dl.Reset();
    return ok;
}

struct Server {
    std::string name;
    std::string base;  // "http://127.0.0.1:PORT"
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

struct Options {
    uint64_t mib = 1024;
    int files = 1000;
    int rounds = 3;
    bool keep = false;
};

bool g_failed = false;

uint64_t SizeOf(const std::string& path) {
    std::error_code error;
    uint64_t size = fs::file_size(path, error);
    return error ? 0 : size;
}

void Check(bool ok, const std::string& what) {
    if (!ok) {
        std::printf("FAILED: %s\n", what.c_str());
        g_failed = true;
    }
}

void BenchLargeFile(const Server& server, const Options& opt, RelayThread& relay) {
    const std::string url = server.base + "/big.bin";
    const uint64_t bytes = opt.mib << 20;
    std::vector<double> ours, theirs;
    long peakAboveBaseKiB = 0;
    for (int round = 0; round < opt.rounds; ++round) {
        fs::remove("out/big-curl.bin");
        double t = TimeCommand({"curl", "-s", "-o", "out/big-curl.bin", url});
        Check(t > 0 && SizeOf("out/big-curl.bin") == bytes, server.name + ": curl -s -o");
        theirs.push_back(t);
        fs::remove("out/big-curl.bin");

        fs::remove("out/big.bin");
        CAutoDownload_Curl dl;
        long baseline = StatusKiB("VmRSS:");
        ResetPeakRss();
        auto start = Clock::now();
        bool ok = Download(dl, url, "out/big.bin", relay.Window());
        ours.push_back(SecondsSince(start));
        peakAboveBaseKiB = std::max(peakAboveBaseKiB, StatusKiB("VmHWM:") - baseline);
        Check(ok && SizeOf("out/big.bin") == bytes, server.name + ": CAutoDownload_Curl");
        fs::remove("out/big.bin");
    }
    double oursRate = static_cast<double>(bytes) / Median(ours) / (1 << 20);
    double theirRate = static_cast<double>(bytes) / Median(theirs) / (1 << 20);
    double ratio = oursRate / theirRate;
    std::printf("%-9s %5llu MiB  downloader %7.1f MiB/s  curl -s -o %7.1f MiB/s  ratio %.3f %s  peak +%.1f MiB %s\n",
                server.name.c_str(), static_cast<unsigned long long>(opt.mib), oursRate, theirRate, ratio,
                ratio >= 0.9 ? "(ok)" : "(BELOW 0.9)", peakAboveBaseKiB / 1024.0,
                peakAboveBaseKiB < 32 * 1024 ? "(ok)" : "(OVER 32 MiB)");
    std::fflush(stdout);
}

void BenchSmallFiles(const Server& server, const Options& opt, RelayThread& relay) {
    std::vector<double> ours, alone, theirs;
    for (int round = 0; round < opt.rounds; ++round) {
        fs::remove_all("out/small");
        fs::create_directories("out/small");
        {
            std::ofstream config("out/curl-small.cfg");
            for (int i = 0; i < opt.files; ++i) {
                char name[32];
                std::snprintf(name, sizeof name, "f%04d.bin", i);
                config << "url = \"" << server.base << "/small/" << name << "\"\n"
                       << "output = \"out/small/" << name << "\"\n";
            }
        }
        double t = TimeCommand({"curl", "-s", "--config", "out/curl-small.cfg"});
        Check(t > 0, server.name + ": curl --config");
        theirs.push_back(t);

        // With the relay window, as in the launcher, and without one (the downloader alone).
        for (bool withRelay : {true, false}) {
            fs::remove_all("out/small");
            fs::create_directories("out/small");
            CAutoDownload_Curl dl;
            int done = 0;
            platform::WindowHandle window = withRelay ? relay.Window() : platform::WindowHandle{};
            auto start = Clock::now();
            for (int i = 0; i < opt.files; ++i) {
                char name[32];
                std::snprintf(name, sizeof name, "f%04d.bin", i);
                done += Download(dl, server.base + "/small/" + name, std::string("out/small/") + name, window);
            }
            (withRelay ? ours : alone).push_back(SecondsSince(start));
            Check(done == opt.files, server.name + ": small files by the downloader");
        }
    }
    double oursRate = opt.files / Median(ours);
    double aloneRate = opt.files / Median(alone);
    double theirRate = opt.files / Median(theirs);
    std::printf("%-9s %5d x 4 KiB  downloader %6.0f files/s (ratio %.2f), without notify window %6.0f files/s "
                "(ratio %.2f); curl, one process and connection %6.0f files/s\n",
                server.name.c_str(), opt.files, oursRate, oursRate / theirRate, aloneRate, aloneRate / theirRate,
                theirRate);
    std::fflush(stdout);
}

std::string WriteNginxConfig(const std::string& dir, const std::string& root, int port) {
    const std::string path = dir + "/nginx.conf";
    std::ofstream conf(path);
    conf << "worker_processes 1;\n"
         << "daemon off;\n"
         << "master_process on;\n"
         << "user root;\n"
         << "pid " << dir << "/nginx.pid;\n"
         << "error_log " << dir << "/nginx-error.log;\n"
         << "events { worker_connections 64; }\n"
         << "http {\n"
         << "  access_log off;\n"
         << "  sendfile on;\n"
         << "  keepalive_requests 100000;\n"
         << "  client_body_temp_path " << dir << "/client_body;\n"
         << "  proxy_temp_path " << dir << "/proxy;\n"
         << "  fastcgi_temp_path " << dir << "/fastcgi;\n"
         << "  uwsgi_temp_path " << dir << "/uwsgi;\n"
         << "  scgi_temp_path " << dir << "/scgi;\n"
         << "  types { application/octet-stream bin; }\n"
         << "  server {\n"
         << "    listen 127.0.0.1:" << port << ";\n"
         << "    root " << root << ";\n"
         << "  }\n"
         << "}\n";
    return path;
}

std::string FindNginx() {
    for (const char* candidate : {"/usr/sbin/nginx", "/usr/local/sbin/nginx", "/usr/bin/nginx"})
        if (access(candidate, X_OK) == 0) return candidate;
    return "nginx";
}

}  // namespace

int main(int argc, char** argv) {
    Options opt;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--mib" && i + 1 < argc) opt.mib = std::strtoull(argv[++i], nullptr, 10);
        else if (a == "--files" && i + 1 < argc) opt.files = std::atoi(argv[++i]);
        else if (a == "--rounds" && i + 1 < argc) opt.rounds = std::max(1, std::atoi(argv[++i]));
        else if (a == "--keep") opt.keep = true;
        else {
            std::printf("usage: %s [--mib N] [--files N] [--rounds N] [--keep]\n", argv[0]);
            return 2;
        }
    }

    const fs::path binDir = fs::canonical("/proc/self/exe").parent_path();
    const std::string serve = (binDir / "dav-serve").string();
    char pattern[] = "/tmp/dav-bench-download-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return 1;
    const std::string work = pattern;
    const std::string root = work + "/root";
    fs::create_directories(root + "/small");
    fs::create_directories(work + "/run/out");
    fs::create_directories(work + "/run/temp_d");
    fs::permissions(work, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec);

    std::printf("writing %llu MiB and %d small files under %s\n", static_cast<unsigned long long>(opt.mib), opt.files,
                root.c_str());
    std::fflush(stdout);
    WriteRandomFile(root + "/big.bin", opt.mib << 20, 1);
    for (int i = 0; i < opt.files; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "f%04d.bin", i);
        WriteRandomFile(root + "/small/" + name, 4096, 100 + i);
    }
    if (chdir((work + "/run").c_str()) != 0) return 1;

    // Both servers log to files in the work directory; nothing outside it is touched.
    int servePort = FreePort();
    Child serveProcess;
    Check(serveProcess.Start({serve, "--port", std::to_string(servePort), "--log", work + "/serve-requests.log", root},
                             work + "/serve-stdout.log") &&
              WaitForPort(servePort),
          "dav-serve start (" + serve + ")");

    int nginxPort = FreePort();
    fs::create_directories(work + "/nginx");
    const std::string conf = WriteNginxConfig(work + "/nginx", root, nginxPort);
    Child nginxProcess;
    Check(nginxProcess.Start({FindNginx(), "-p", work + "/nginx", "-c", conf, "-e", work + "/nginx/nginx-error.log"},
                             work + "/nginx/stdout.log") &&
              WaitForPort(nginxPort),
          "nginx start");
    if (g_failed) return 1;

    CurlGlobalInit();
    {
        RelayThread relay;
        const Server servers[] = {{"dav-serve", "http://127.0.0.1:" + std::to_string(servePort)},
                                  {"nginx", "http://127.0.0.1:" + std::to_string(nginxPort)}};
        for (const Server& server : servers) BenchLargeFile(server, opt, relay);
        for (const Server& server : servers) BenchSmallFiles(server, opt, relay);
        std::printf("progress notifications handled by the relay thread: %llu\n",
                    static_cast<unsigned long long>(relay.ProgressMessages()));
    }
    CurlGlobalCleanup();

    if (chdir("/") != 0) return 1;
    if (!opt.keep) fs::remove_all(work);
    return g_failed ? 1 : 0;
}
