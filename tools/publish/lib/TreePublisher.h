#pragma once
// Builds a whole update-server tree from client directories, one per game version (oldest
// first) and optionally the launcher's own files:
//   <out>\GameVersion\...        the newest version's list and files, for the repair
//   <out>\InstallVersion\...     the newest version's install page and packages
//   <out>\AutoPatch\...          the patch history and a patch for every pair of
//                                consecutive versions
//   <out>\LauncherVersion\...    the launcher's list and files, for its self-update
// Each version's "GameInfo.ini" is made from its directory (a "GameInfo.ini" already in the
// directory is left out); it travels with the install packages and the patches.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tools/publish/lib/PatchWriter.h"

struct VersionSource {
    std::string version;
    std::string dir;
};

struct PublishRequest {
    std::string outDir;                       // the base directory of the server tree
    std::vector<VersionSource> game;          // oldest first; at least one
    std::optional<VersionSource> launcher;
    bool envelope = false;                    // wrap lists and patch descriptions
    bool envelopeInstall = false;             // wrap the install description too
    PatchOptions patch;                       // members, deltas, package size
};

// Builds the tree. progress (when set) receives one line per step. False, with a reason in
// error, on any failure.
bool PublishTree(const PublishRequest& request, const std::function<void(const std::string&)>& progress,
                 std::string* error = nullptr);
