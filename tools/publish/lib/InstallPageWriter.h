#pragma once
// Writes the install area of the update server:
//   <InstallVersion>\version                                  the version to install
//   <InstallVersion>\InstallPage_<v>\intallinfo_<v>.ini        the install description
//   <InstallVersion>\InstallPage_<v>\<packages>               ZIP packages of the whole tree
// The install extracts the packages as they are into the game directory: members are the
// tree's files under their own paths, without LZMA layer or tags. The description is plain
// by default: the install reads its package list before anything could unwrap it, so an
// enveloped description installs nothing (useful only to test exactly that).

#include <cstdint>
#include <string>
#include <vector>

#include "tools/publish/lib/PatchWriter.h"

struct InstallPageOptions {
    uint64_t packageBytes = 64u << 20;  // members per package, by size
    bool writeVersionFile = true;       // make this the version to install
    bool envelope = false;              // wrap the description in the envelope
};

// Writes the install page of version from files (the whole tree, its "GameInfo.ini"
// included) below installDir. False, with a reason in error, on any failure.
bool PublishInstallPage(const std::string& installDir, const std::string& version,
                        const std::vector<TreeFile>& files, const InstallPageOptions& options,
                        std::string* error = nullptr);
