// dav-publish: builds an update-server tree from client directories.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/publish/lib/TreePublisher.h"

namespace {

const char kHelp[] =
    "usage: dav-publish --out DIR --game VERSION=DIR [--game VERSION=DIR ...] [options]\n"
    "\n"
    "Builds the update-server tree the launcher reads, below DIR (the server's base\n"
    "directory, for example www/VELDMOR), from one client directory per game version,\n"
    "oldest first:\n"
    "  GameVersion\\version, GameVersion\\Game_<v>\\GameInfo.ini and files\n"
    "      the newest version's file list (size, CRC-32, MD5) and files, for the repair;\n"
    "  InstallVersion\\version, InstallVersion\\InstallPage_<v>\\intallinfo_<v>.ini\n"
    "      and ZIP packages of the newest version, for the install;\n"
    "  AutoPatch\\AutoPatch.ini and AutoPatch\\AutoPatch_<f>_<t>\\patchinfo_<f>_<t>.ini\n"
    "      with ZIP packages, one patch for each pair of consecutive versions: added\n"
    "      files whole, changed files as VCDIFF deltas (QZXD tag) or whole (QZCP tag),\n"
    "      removed files as delete entries; members LZMA-chunked;\n"
    "  LauncherVersion\\version, LauncherVersion\\Launcher_<v>\\GameInfo.ini and files\n"
    "      with --launcher, for the launcher's self-update.\n"
    "Each version's GameInfo.ini is made from its directory; every size, CRC-32 and MD5\n"
    "is filled in.\n"
    "\n"
    "options:\n"
    "  --launcher VERSION=DIR  also publish the launcher's files\n"
    "  --envelope              wrap file lists and patch descriptions in the envelope\n"
    "  --envelope-install      wrap the install description too (the install then finds\n"
    "                          no packages in it)\n"
    "  --lzma-level N          LZMA level of package members, 0-9 (default 5)\n"
    "  --chunk-kib N           decoded bytes per LZMA chunk, in KiB (default 4096)\n"
    "  --dict-kib N            LZMA dictionary size in KiB (default 16384, at most a chunk)\n"
    "  --no-lzma               members without the LZMA layer\n"
    "  --no-deltas             changed files always whole\n"
    "  --package-mib N         start a new package after N MiB of members (default 64)\n"
    "  --help                  this text\n";

bool ParseVersionDir(const std::string& text, VersionSource& source) {
    const size_t eq = text.find('=');
    if (eq == std::string::npos || eq == 0 || eq + 1 == text.size()) return false;
    source.version = text.substr(0, eq);
    source.dir = text.substr(eq + 1);
    return true;
}

bool ParseNumber(const std::string& text, unsigned long long& value) {
    char* end = nullptr;
    value = std::strtoull(text.c_str(), &end, 10);
    return !text.empty() && end != nullptr && *end == '\0';
}

int Usage(const std::string& problem) {
    std::fprintf(stderr, "dav-publish: %s\n%s", problem.c_str(), kHelp);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    PublishRequest request;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        unsigned long long number = 0;
        if (arg == "--help" || arg == "-h") {
            std::fputs(kHelp, stdout);
            return 0;
        } else if (arg == "--out" && hasValue) {
            request.outDir = argv[++i];
        } else if (arg == "--game" && hasValue) {
            VersionSource source;
            if (!ParseVersionDir(argv[++i], source)) return Usage("--game wants VERSION=DIR");
            request.game.push_back(source);
        } else if (arg == "--launcher" && hasValue) {
            VersionSource source;
            if (!ParseVersionDir(argv[++i], source)) return Usage("--launcher wants VERSION=DIR");
            request.launcher = source;
        } else if (arg == "--envelope") {
            request.envelope = true;
        } else if (arg == "--envelope-install") {
            request.envelopeInstall = true;
        } else if (arg == "--no-lzma") {
            request.patch.member.lzma = false;
        } else if (arg == "--no-deltas") {
            request.patch.deltas = false;
        } else if (arg == "--lzma-level" && hasValue && ParseNumber(argv[++i], number) && number <= 9) {
            request.patch.member.lzmaOptions.level = int(number);
        } else if (arg == "--chunk-kib" && hasValue && ParseNumber(argv[++i], number) && number > 0 &&
                   number <= 256 * 1024) {
            request.patch.member.lzmaOptions.chunkSize = uint32_t(number * 1024);
        } else if (arg == "--dict-kib" && hasValue && ParseNumber(argv[++i], number) && number >= 4 &&
                   number <= 1024 * 1024) {
            request.patch.member.lzmaOptions.dictionarySize = uint32_t(number * 1024);
        } else if (arg == "--package-mib" && hasValue && ParseNumber(argv[++i], number) && number > 0) {
            request.patch.packageBytes = number << 20;
        } else {
            return Usage("bad argument: " + arg);
        }
    }
    if (request.outDir.empty()) return Usage("--out is required");
    if (request.game.empty()) return Usage("at least one --game is required");

    std::string error;
    const bool ok = PublishTree(request, [](const std::string& line) { std::printf("%s\n", line.c_str()); }, &error);
    if (!ok) {
        std::fprintf(stderr, "dav-publish: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
