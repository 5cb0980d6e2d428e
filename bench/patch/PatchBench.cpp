// Package unpacking and delta benchmark, against the command-line tools on the same inputs:
//  1. LZMA members through DoUnLzma against "xz --format=lzma -d": one member of 64 MiB
//     (by default) as a single chunk, whose raw stream is byte for byte the one xz decodes,
//     and the same data as 4 MiB chunks against one xz run per chunk;
//  2. ApplyDelta of a 256 MiB file (by default) against "xdelta3 -d", on a delta made by the
//     standard "xdelta3 -e" command.
// Each side runs in a process of its own under /usr/bin/time -v, so the figures are whole
// process wall-clock times and peak resident memory. Target: throughput ratio at least 0.9.
// Usage: bench_patch [--lzma-mib N] [--delta-mib N] [--rounds N] [--preset P] [--dir D] [--keep]

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "patch/PackageFormat.h"
#include "patch/QzPackageUnpacker.h"
#include "patch/QzPatcher_xdelta.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

struct Options {
    uint64_t lzmaMiB = 64;
    uint64_t deltaMiB = 256;
    int rounds = 3;
    int preset = 6;
    std::string dir;
    bool keep = false;
};

struct Measure {
    double seconds = 0;
    long peakKiB = 0;
    bool ok = false;
};

// Runs argv under /usr/bin/time -v with stdout to stdoutPath; wall-clock time and peak RSS.
Measure Timed(const std::vector<std::string>& argv, const std::string& stdoutPath = "/dev/null") {
    std::vector<std::string> full = {"/usr/bin/time", "-v"};
    full.insert(full.end(), argv.begin(), argv.end());
    std::vector<char*> args;
    for (std::string& a : full) args.push_back(a.data());
    args.push_back(nullptr);
    const std::string stderrPath = "time.err";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, stderrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    Measure m;
    pid_t pid = 0;
    const auto start = Clock::now();
    const int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return m;
    int status = 0;
    waitpid(pid, &status, 0);
    m.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    m.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    std::ifstream err(stderrPath);
    std::string line;
    while (std::getline(err, line)) {
        const auto pos = line.find("Maximum resident set size (kbytes):");
        if (pos != std::string::npos) m.peakKiB = std::atol(line.c_str() + line.find(':') + 1);
    }
    if (!m.ok) std::fprintf(stderr, "failed: %s\n", argv[0].c_str());
    return m;
}

bool Shell(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

uint32_t Next(uint32_t& s) {
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    return s;
}

// Game-like content: runs of text-like records mixed with incompressible stretches.
void WriteMixedFile(const std::string& path, uint64_t bytes, uint32_t seed) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    static const char kWords[] = "texture mesh sound script level actor material bone ";
    std::string block;
    uint32_t s = seed * 2654435761u + 1;
    uint64_t written = 0;
    while (written < bytes) {
        block.clear();
        while (block.size() < (1u << 20)) {
            const uint32_t run = 16 + Next(s) % 1024;
            if (Next(s) % 4 == 0) {
                for (uint32_t i = 0; i < run; ++i) block.push_back(char(Next(s)));
            } else {
                const uint32_t shift = Next(s) % 11;
                for (uint32_t i = 0; i < run; ++i) block.push_back(kWords[(i + shift) % (sizeof kWords - 1)]);
                block += std::to_string(Next(s) % 100000);
            }
        }
        const uint64_t n = std::min<uint64_t>(block.size(), bytes - written);
        out.write(block.data(), std::streamsize(n));
        written += n;
    }
}

// A new version of path: in every 1 MiB a 16 KiB stretch rewritten and a few bytes changed,
// and every 8 MiB 4 KiB inserted.
void WriteEditedFile(const std::string& from, const std::string& to) {
    std::ifstream in(from, std::ios::binary);
    std::ofstream out(to, std::ios::binary | std::ios::trunc);
    std::string block(1u << 20, '\0');
    uint32_t s = 77;
    for (uint64_t n = 0; in.read(block.data(), std::streamsize(block.size())) || in.gcount() > 0; ++n) {
        block.resize(size_t(in.gcount()));
        for (int i = 0; i < 8 && !block.empty(); ++i) block[Next(s) % block.size()] ^= 0x21;
        if (block.size() > 16384) {
            const size_t at = Next(s) % (block.size() - 16384);
            for (size_t i = 0; i < 16384; ++i) block[at + i] = char(Next(s));
        }
        out.write(block.data(), std::streamsize(block.size()));
        if (n % 8 == 7) {
            std::string inserted(4096, '\0');
            for (char& c : inserted) c = char(Next(s));
            out.write(inserted.data(), std::streamsize(inserted.size()));
        }
        block.resize(1u << 20);
    }
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void PutLE32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(char((v >> (8 * i)) & 0xFF));
}

// One chunk from a .lzma file (13-byte header: 5 property bytes, 8-byte size) and its size.
std::string ChunkFromLzmaAlone(const std::string& alone, uint32_t decodedSize) {
    std::string chunk(LZMA_CHUNK_MAGIC, 4);
    PutLE32(chunk, decodedSize);
    PutLE32(chunk, uint32_t(LZMA_CHUNK_HEADER_SIZE + alone.size() - 13));
    chunk.append(alone, 0, LZMA_CHUNK_PROPS_SIZE);
    chunk.append(alone, 13, std::string::npos);
    return chunk;
}

bool SameFiles(const std::string& a, const std::string& b) {
    return Shell("cmp -s '" + a + "' '" + b + "'");
}

struct Best {
    Measure ours, theirs;
};

void Keep(Measure& best, const Measure& m) {
    if (!m.ok) return;
    if (!best.ok || m.seconds < best.seconds) {
        const long peak = std::max(best.peakKiB, m.peakKiB);
        best = m;
        best.peakKiB = peak;
    }
}

void Report(const char* what, uint64_t bytes, const Best& b) {
    const double mib = double(bytes) / (1 << 20);
    std::printf("%-34s ours %7.2f s %8.1f MiB/s peak %7.1f MiB | tool %7.2f s %8.1f MiB/s peak %7.1f MiB | ratio %.2f\n",
                what, b.ours.seconds, mib / b.ours.seconds, b.ours.peakKiB / 1024.0, b.theirs.seconds,
                mib / b.theirs.seconds, b.theirs.peakKiB / 1024.0, b.theirs.seconds / b.ours.seconds);
}

int ChildUnLzma(const std::string& workDir, const std::string& member) {
    QzPackageUnpacker unpacker(workDir);
    return unpacker.DoUnLzma(member) ? 0 : 1;
}

int ChildApply(const std::string& source, const std::string& delta, const std::string& output) {
    return QzPatcher_xdelta::Instance().ApplyDelta(source, delta, output) == 0 ? 0 : 1;
}

int RunBench(const Options& o, const std::string& self) {
    const std::string dir = o.dir.empty() ? (fs::temp_directory_path() / "dav-bench-patch").string() : o.dir;
    fs::create_directories(dir);
    fs::current_path(dir);  // the launcher's log and the working directories land here
    std::printf("working in %s, best of %d rounds, xz preset %d\n", dir.c_str(), o.rounds, o.preset);

    // 1. LZMA.
    const uint64_t lzmaBytes = o.lzmaMiB << 20;
    const uint32_t kChunk = 4u << 20;
    std::printf("preparing %llu MiB of LZMA data...\n", (unsigned long long)o.lzmaMiB);
    std::fflush(stdout);
    WriteMixedFile("lzma.data", lzmaBytes, 1);
    const std::string preset = "-" + std::to_string(o.preset);
    if (!Shell("xz --format=lzma " + preset + " -T1 -c lzma.data > lzma.whole")) return 1;
    {
        std::ofstream m("member.whole", std::ios::binary | std::ios::trunc);
        m << ChunkFromLzmaAlone(ReadAll("lzma.whole"), uint32_t(lzmaBytes));
    }
    // The same data in 4 MiB pieces, each its own .lzma stream and its own chunk.
    Shell("rm -rf pieces && mkdir pieces && split -b " + std::to_string(kChunk) + " -d -a 4 lzma.data pieces/p");
    std::vector<std::string> pieces;
    for (const auto& e : fs::directory_iterator("pieces")) pieces.push_back(e.path().string());
    std::sort(pieces.begin(), pieces.end());
    {
        std::ofstream m("member.chunked", std::ios::binary | std::ios::trunc);
        for (const std::string& p : pieces) {
            if (!Shell("xz --format=lzma " + preset + " -T1 -c '" + p + "' > '" + p + ".lzma'")) return 1;
            m << ChunkFromLzmaAlone(ReadAll(p + ".lzma"), uint32_t(fs::file_size(p)));
        }
    }
    std::printf("member: one chunk %llu bytes, %zu chunks %llu bytes\n",
                (unsigned long long)fs::file_size("member.whole"), pieces.size(),
                (unsigned long long)fs::file_size("member.chunked"));

    Best whole, chunked;
    for (int r = 0; r < o.rounds; ++r) {
        fs::create_directories("work/Unzip");
        fs::copy_file("member.whole", "work/Unzip/m", fs::copy_options::overwrite_existing);
        Keep(whole.ours, Timed({self, "--child-unlzma", "work/", "m"}));
        if (!SameFiles("work/Unzip/m", "lzma.data")) { std::fprintf(stderr, "DoUnLzma output differs\n"); return 1; }
        Keep(whole.theirs, Timed({"/usr/bin/xz", "--format=lzma", "-d", "-c", "lzma.whole"}, "xz.out"));
        if (!SameFiles("xz.out", "lzma.data")) { std::fprintf(stderr, "xz output differs\n"); return 1; }

        fs::copy_file("member.chunked", "work/Unzip/m", fs::copy_options::overwrite_existing);
        Keep(chunked.ours, Timed({self, "--child-unlzma", "work/", "m"}));
        if (!SameFiles("work/Unzip/m", "lzma.data")) { std::fprintf(stderr, "DoUnLzma output differs\n"); return 1; }
        Measure sum;
        sum.ok = true;
        for (const std::string& p : pieces) {
            const Measure m = Timed({"/usr/bin/xz", "--format=lzma", "-d", "-c", p + ".lzma"}, "xz.out");
            sum.ok = sum.ok && m.ok;
            sum.seconds += m.seconds;
            sum.peakKiB = std::max(sum.peakKiB, m.peakKiB);
        }
        Keep(chunked.theirs, sum);
        fs::remove("xz.out");
    }
    Report("DoUnLzma, one chunk", lzmaBytes, whole);
    Report("DoUnLzma, 4 MiB chunks", lzmaBytes, chunked);
    std::fflush(stdout);

    // 2. Deltas.
    const uint64_t deltaBytes = o.deltaMiB << 20;
    std::printf("preparing %llu MiB source, target and delta...\n", (unsigned long long)o.deltaMiB);
    std::fflush(stdout);
    WriteMixedFile("delta.source", deltaBytes, 2);
    WriteEditedFile("delta.source", "delta.target");
    fs::remove("delta.xd3");
    if (!Shell("xdelta3 -e -s delta.source delta.target delta.xd3")) return 1;
    std::printf("delta: %llu bytes for a %llu-byte target\n", (unsigned long long)fs::file_size("delta.xd3"),
                (unsigned long long)fs::file_size("delta.target"));
    Best apply;
    for (int r = 0; r < o.rounds; ++r) {
        Keep(apply.ours, Timed({self, "--child-apply", "delta.source", "delta.xd3", "ours.out"}));
        if (!SameFiles("ours.out", "delta.target")) { std::fprintf(stderr, "ApplyDelta output differs\n"); return 1; }
        fs::remove("tool.out");
        Keep(apply.theirs, Timed({"/usr/bin/xdelta3", "-d", "-s", "delta.source", "delta.xd3", "tool.out"}));
        if (!SameFiles("tool.out", "delta.target")) { std::fprintf(stderr, "xdelta3 output differs\n"); return 1; }
    }
    Report("ApplyDelta", fs::file_size("delta.target"), apply);

    fs::current_path("/");
    if (!o.keep) fs::remove_all(dir);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 3 && args[0] == "--child-unlzma") return ChildUnLzma(args[1], args[2]);
    if (args.size() == 4 && args[0] == "--child-apply") return ChildApply(args[1], args[2], args[3]);
    Options o;
    for (size_t i = 0; i < args.size(); ++i) {
        const bool hasValue = i + 1 < args.size();
        if (args[i] == "--lzma-mib" && hasValue) o.lzmaMiB = std::stoull(args[++i]);
        else if (args[i] == "--delta-mib" && hasValue) o.deltaMiB = std::stoull(args[++i]);
        else if (args[i] == "--rounds" && hasValue) o.rounds = std::stoi(args[++i]);
        else if (args[i] == "--preset" && hasValue) o.preset = std::stoi(args[++i]);
        else if (args[i] == "--dir" && hasValue) o.dir = args[++i];
        else if (args[i] == "--keep") o.keep = true;
        else {
            std::fprintf(stderr, "usage: bench_patch [--lzma-mib N] [--delta-mib N] [--rounds N] [--preset P] [--dir D] [--keep]\n");
            return 2;
        }
    }
    return RunBench(o, fs::canonical("/proc/self/exe").string());
}
