#include "tools/publish/lib/TreePublisher.h"

#include <algorithm>
#include <filesystem>

#include "common/FileDir.h"
#include "download/QzChecksum_MD5.h"
#include "platform/Files.h"
#include "tools/publish/lib/EnvelopeWriter.h"
#include "tools/publish/lib/InstallPageWriter.h"
#include "tools/publish/lib/VersionListWriter.h"

namespace {

constexpr const char* kListName = "GameInfo.ini";

bool Fail(std::string* error, const std::string& why) {
    if (error != nullptr) *error = why;
    return false;
}

// The files of one version: its directory and the list made for it, sorted by path.
bool CollectVersion(const VersionSource& source, bool envelope, const std::string& staging, size_t index,
                    std::vector<TreeFile>& files, std::string* error) {
    std::vector<VersionListEntry> entries;
    if (!ScanTree(source.dir, {kListName}, entries, error)) return false;
    std::string list = FormatVersionList(source.version, entries);
    if (envelope) {
        std::string wrapped;
        if (!MakeEnvelope(list, wrapped)) return Fail(error, "the list of " + source.version + " is too large to wrap");
        list = std::move(wrapped);
    }
    const std::string listFile = staging + "\\GameInfo_" + std::to_string(index) + ".ini";
    if (!platform::WriteWholeFile(listFile, list)) return Fail(error, "cannot write " + listFile);

    files.clear();
    for (const VersionListEntry& e : entries) {
        files.push_back({e.path, source.dir + "\\" + e.path, e.md5, e.size});
    }
    TreeFile listEntry{kListName, listFile, "", int64_t(list.size())};
    if (!QzChecksum_MD5::Instance().DigestFileText(listFile, listEntry.md5)) {
        return Fail(error, "cannot digest " + listFile);
    }
    files.push_back(listEntry);
    std::sort(files.begin(), files.end(), [](const TreeFile& a, const TreeFile& b) { return a.path < b.path; });
    return true;
}

}  // namespace

bool PublishTree(const PublishRequest& request, const std::function<void(const std::string&)>& progress,
                 std::string* error) {
    auto say = [&](const std::string& line) {
        if (progress) progress(line);
    };
    if (request.outDir.empty() || request.game.empty()) return Fail(error, "nothing to publish");
    const std::string& out = request.outDir;
    const VersionSource& newest = request.game.back();
    const std::string staging = out + "\\publish.tmp";
    if (!CreateFileDir(staging, false)) return Fail(error, "cannot create " + staging);
    auto cleanUp = [&] {
        std::error_code ec;
        std::filesystem::remove_all(platform::NativePath(staging), ec);
    };

    std::vector<std::vector<TreeFile>> versions(request.game.size());
    for (size_t i = 0; i < request.game.size(); ++i) {
        if (!CollectVersion(request.game[i], request.envelope, staging, i, versions[i], error)) {
            cleanUp();
            return false;
        }
    }

    say("game version " + newest.version + " for the repair");
    VersionAreaOptions area;
    area.prefix = "Game_";
    area.envelope = request.envelope;
    area.exclude = {kListName};
    if (!PublishVersionArea(newest.dir, out + "\\GameVersion", newest.version, area, error)) {
        cleanUp();
        return false;
    }

    say("install page " + newest.version);
    InstallPageOptions install;
    install.packageBytes = request.patch.packageBytes;
    install.envelope = request.envelopeInstall;
    if (!PublishInstallPage(out + "\\InstallVersion", newest.version, versions.back(), install, error)) {
        cleanUp();
        return false;
    }

    std::vector<std::pair<std::string, std::string>> history;
    for (size_t i = 1; i < request.game.size(); ++i) {
        const std::string& from = request.game[i - 1].version;
        const std::string& to = request.game[i].version;
        PatchOptions options = request.patch;
        options.envelope = request.envelope;
        PatchStats stats;
        if (!PublishPatch(out + "\\AutoPatch", from, versions[i - 1], to, versions[i], options, &stats, error)) {
            cleanUp();
            return false;
        }
        say("patch " + from + " -> " + to + ": " + std::to_string(stats.adds) + " added, " +
            std::to_string(stats.updates) + " updated (" + std::to_string(stats.deltas) + " as deltas), " +
            std::to_string(stats.deletes) + " deleted, " + std::to_string(stats.packages) + " packages");
        history.emplace_back(from, to);
    }
    const std::string historyFile = out + "\\AutoPatch\\AutoPatch.ini";
    if (!CreateFileDir(historyFile, true) ||
        !platform::WriteWholeFile(historyFile, FormatPatchHistory(history, newest.version))) {
        cleanUp();
        return Fail(error, "cannot write " + historyFile);
    }

    if (request.launcher) {
        say("launcher version " + request.launcher->version);
        VersionAreaOptions launcher;
        launcher.prefix = "Launcher_";
        launcher.envelope = request.envelope;
        launcher.exclude = {kListName};
        if (!PublishVersionArea(request.launcher->dir, out + "\\LauncherVersion", request.launcher->version,
                                launcher, error)) {
            cleanUp();
            return false;
        }
    }
    cleanUp();
    return true;
}
