#pragma once
// Writes the patch history of the update server:
//   <AutoPatch>\AutoPatch.ini                       the history: every patch, the newest version
//   <AutoPatch>\AutoPatch_<f>_<t>\patchinfo_<f>_<t>.ini  one patch's description
//   <AutoPatch>\AutoPatch_<f>_<t>\<packages>        its ZIP packages
// A patch compares two trees: files only in the new tree are added (type 1), files whose
// MD5 changed are updated (type 2) with a delta against the old file, or the whole file when
// the delta would not be smaller, and files only in the old tree are deleted (type 3).

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tools/publish/lib/MemberWriter.h"

// One file of a published tree.
struct TreeFile {
    std::string path;  // relative, "\" separators; also the member name in packages
    std::string file;  // where its bytes are
    std::string md5;   // upper-case digest text
    int64_t size = 0;
};

struct PatchOptions {
    MemberOptions member;
    bool deltas = true;                  // false: updates always carry the whole file
    bool envelope = false;               // wrap the description in the envelope
    uint64_t packageBytes = 64u << 20;   // members per package, by size
};

struct PatchStats {
    int adds = 0;
    int updates = 0;
    int deltas = 0;  // updates carried as deltas
    int deletes = 0;
    int packages = 0;
};

// Writes the patch from version `from` (files oldFiles) to version `to` (newFiles) below
// autoPatchDir. Both lists sorted by path. False, with a reason in error, on any failure.
bool PublishPatch(const std::string& autoPatchDir, const std::string& from, const std::vector<TreeFile>& oldFiles,
                  const std::string& to, const std::vector<TreeFile>& newFiles, const PatchOptions& options,
                  PatchStats* stats = nullptr, std::string* error = nullptr);

// The text of "AutoPatch.ini" for the given patches (from, to) in order and the newest version.
std::string FormatPatchHistory(const std::vector<std::pair<std::string, std::string>>& patches,
                               const std::string& versionNow);
