// Checksum benchmark:
//  1. DigestFileText of MD5, SHA-1 and CRC-32 over one large file (1 GiB by default) against
//     md5sum, sha1sum and a plain loop of zlib's crc32 over 1 MiB blocks of the same file;
//     throughput ratios (targets: at least 0.9 each). For reference, MD5 through Crypto++'s
//     FileSource with its default pumping.
//  2. CRC-32 text of every file of a tree of 5,000 files of mixed sizes (4 KiB to 2 MiB),
//     in files per second, against the plain zlib loop over the same tree.
// The files are created in a scratch directory under $TMPDIR (default /tmp), read once to
// bring them into the page cache, and deleted at the end (unless --keep). Every figure is
// the best of --rounds runs.
// Usage: bench_checksums [--mib N] [--files N] [--rounds N] [--keep]

#define CRYPTOPP_ENABLE_NAMESPACE_WEAK 1
#include "download/QzChecksum_CRC.h"
#include "download/QzChecksum_MD5.h"
#include "download/QzChecksum_SHA1.h"

#include <cryptopp/files.h>
#include <cryptopp/filters.h>
#include <cryptopp/hex.h>
#include <cryptopp/md5.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

struct Options {
    uint64_t mib = 1024;
    int files = 5000;
    int rounds = 5;
    bool keep = false;
};

// Wall time of one run of body, in seconds; exits when body fails.
double Time(const std::function<bool()>& body) {
    const auto start = Clock::now();
    if (!body()) {
        std::fprintf(stderr, "a run failed\n");
        std::exit(1);
    }
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Pair {
    double ours = 1e30;
    double theirs = 1e30;
};

// Best wall times of rounds runs of each body, the two alternating so that a busy machine
// slows both alike.
Pair Compare(int rounds, const std::function<bool()>& ours, const std::function<bool()>& theirs) {
    Pair best;
    for (int i = 0; i < rounds; ++i) {
        best.ours = std::min(best.ours, Time(ours));
        best.theirs = std::min(best.theirs, Time(theirs));
    }
    return best;
}

// Writes size bytes of pseudo-random content.
bool WriteRandomFile(const std::string& path, uint64_t size, uint64_t seed) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    std::vector<uint64_t> block(1 << 17);  // 1 MiB
    uint64_t x = seed * 0x9E3779B97F4A7C15ull + 1;
    for (uint64_t left = size; left > 0;) {
        for (uint64_t& w : block) {
            x ^= x << 13;
            x ^= x >> 7;
            x ^= x << 17;
            w = x;
        }
        const size_t n = static_cast<size_t>(std::min<uint64_t>(left, block.size() * 8));
        if (std::fwrite(block.data(), 1, n, f) != n) {
            std::fclose(f);
            return false;
        }
        left -= n;
    }
    return std::fclose(f) == 0;
}

// The plain zlib loop: 1 MiB blocks read with read(2) into crc32.
bool ZlibLoop(const std::string& path, uint32_t& crc) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) return false;
    static std::vector<unsigned char> buffer(1 << 20);
    uLong value = crc32(0, nullptr, 0);
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0) {
            ::close(fd);
            return false;
        }
        if (n == 0) break;
        value = crc32_z(value, buffer.data(), static_cast<size_t>(n));
    }
    ::close(fd);
    crc = static_cast<uint32_t>(value);
    return true;
}

// The first word of a command's output, upper-cased (md5sum and sha1sum print the digest).
bool CommandDigest(const std::string& command, std::string& digest) {
    FILE* p = ::popen(command.c_str(), "r");
    if (p == nullptr) return false;
    char line[256] = {};
    const bool got = std::fgets(line, sizeof line, p) != nullptr;
    if (::pclose(p) != 0 || !got) return false;
    digest.assign(line, std::strcspn(line, " \n"));
    for (char& c : digest) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return true;
}

void ReadOnce(const std::string& path) {
    uint32_t crc = 0;
    ZlibLoop(path, crc);
}

void Row(const char* what, const Pair& t, uint64_t bytes, const char* against) {
    const double ours = t.ours;
    const double theirs = t.theirs;
    const double mib = static_cast<double>(bytes) / (1 << 20);
    std::printf("%-8s ours %8.1f MiB/s  %-22s %8.1f MiB/s  ratio %.2f\n", what, mib / ours,
                against, mib / theirs, theirs / ours);
}

}  // namespace

int main(int argc, char** argv) {
    Options opt;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--mib" && i + 1 < argc) {
            opt.mib = std::strtoull(argv[++i], nullptr, 10);
        } else if (a == "--files" && i + 1 < argc) {
            opt.files = std::atoi(argv[++i]);
        } else if (a == "--rounds" && i + 1 < argc) {
            opt.rounds = std::max(1, std::atoi(argv[++i]));
        } else if (a == "--keep") {
            opt.keep = true;
        } else {
            std::fprintf(stderr, "usage: %s [--mib N] [--files N] [--rounds N] [--keep]\n", argv[0]);
            return 2;
        }
    }
    const char* tmp = std::getenv("TMPDIR");
    const fs::path dir = fs::path(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") /
                         ("dav-bench-checksums-" + std::to_string(::getpid()));
    fs::create_directories(dir / "tree");
    const std::string big = (dir / "big.bin").string();
    const uint64_t bigBytes = opt.mib << 20;

    std::printf("one file of %llu MiB, best of %d rounds\n",
                static_cast<unsigned long long>(opt.mib), opt.rounds);
    if (!WriteRandomFile(big, bigBytes, 1)) {
        std::fprintf(stderr, "cannot write %s\n", big.c_str());
        return 1;
    }
    ReadOnce(big);

    std::string ours;
    std::string theirs;
    // The digests that have a command-line tool to compare with.
    const struct {
        const char* name;
        const QzChecksum& checksum;
        const char* tool;
    } kAgainstTools[] = {{"MD5", QzChecksum_MD5::Instance(), "md5sum"},
                         {"SHA-1", QzChecksum_SHA1::Instance(), "sha1sum"}};
    for (const auto& row : kAgainstTools) {
        Row(row.name,
            Compare(
                opt.rounds,
                [&] {
                    ours.clear();
                    return row.checksum.DigestFileText(big, ours);
                },
                [&] { return CommandDigest(std::string(row.tool) + " '" + big + "'", theirs); }),
            bigBytes, row.tool);
        if (ours != theirs) std::printf("%s DIFFERS: %s %s\n", row.name, ours.c_str(), theirs.c_str());
    }

    uint32_t crcValue = 0;
    Row("CRC-32",
        Compare(
            opt.rounds,
            [&] {
                ours.clear();
                return QzChecksum_CRC::Instance().DigestFileText(big, ours);
            },
            [&] { return ZlibLoop(big, crcValue); }),
        bigBytes, "zlib loop, 1 MiB");
    char expected[9];
    std::snprintf(expected, sizeof expected, "%02X%02X%02X%02X", crcValue & 0xFF,
                  (crcValue >> 8) & 0xFF, (crcValue >> 16) & 0xFF, crcValue >> 24);
    if (ours != expected) std::printf("CRC-32 DIFFERS: %s %s\n", ours.c_str(), expected);

    // For reference: the library's own file source with its default pumping.
    Row("MD5",
        Compare(
            opt.rounds,
            [&] {
                ours.clear();
                return QzChecksum_MD5::Instance().DigestFileText(big, ours);
            },
            [&] {
                std::string text;
                CryptoPP::Weak1::MD5 hash;
                CryptoPP::FileSource(big.c_str(), true,
                                     new CryptoPP::HashFilter(
                                         hash, new CryptoPP::HexEncoder(
                                                   new CryptoPP::StringSink(text))));
                return text.size() == 32;
            }),
        bigBytes, "FileSource default");
    fs::remove(big);

    // A tree of files, sizes log-uniform between 4 KiB and 2 MiB.
    std::mt19937_64 random(42);
    std::uniform_real_distribution<double> exponent(std::log(4096.0), std::log(2097152.0));
    std::vector<std::string> files;
    uint64_t treeBytes = 0;
    for (int i = 0; i < opt.files; ++i) {
        const fs::path sub = dir / "tree" / ("d" + std::to_string(i % 50));
        fs::create_directories(sub);
        const uint64_t size = static_cast<uint64_t>(std::exp(exponent(random)));
        const std::string path = (sub / ("f" + std::to_string(i) + ".dat")).string();
        if (!WriteRandomFile(path, size, 100 + static_cast<uint64_t>(i))) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
        files.push_back(path);
        treeBytes += size;
    }
    for (const std::string& f : files) ReadOnce(f);
    const Pair tree = Compare(
        opt.rounds,
        [&] {
            for (const std::string& f : files) {
                std::string text;
                if (!QzChecksum_CRC::Instance().DigestFileText(f, text)) return false;
            }
            return true;
        },
        [&] {
            for (const std::string& f : files) {
                uint32_t value = 0;
                if (!ZlibLoop(f, value)) return false;
            }
            return true;
        });
    std::printf("tree of %d files, %.1f MiB: CRC-32 text %.0f files/s (%.1f MiB/s); "
                "zlib loop %.0f files/s; ratio %.2f\n",
                opt.files, static_cast<double>(treeBytes) / (1 << 20), opt.files / tree.ours,
                static_cast<double>(treeBytes) / (1 << 20) / tree.ours, opt.files / tree.theirs,
                tree.theirs / tree.ours);

    if (!opt.keep) fs::remove_all(dir);
    return 0;
}
