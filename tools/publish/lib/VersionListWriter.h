#pragma once
// Writes version file lists ("GameInfo.ini") and the version areas of the update server
// that the repair and the launcher's self-update read:
//   <area>\version                      the latest version text
//   <area>\<prefix><version>\GameInfo.ini  the list of that version
//   <area>\<prefix><version>\<path>        every file of the list
// for example area "VELDMOR\GameVersion" with prefix "Game_", or "VELDMOR\LauncherVersion"
// with prefix "Launcher_".

#include <cstdint>
#include <string>
#include <vector>

struct VersionListEntry {
    std::string path;  // relative, with "\" separators
    int64_t size = 0;
    std::string md5;   // upper-case digest texts
    std::string crc;
    int flag = 0;
};

// Every regular file below dir, sorted by path bytes, with size and digests. Files whose
// relative path (with "\" separators) equals one of exclude are left out. False, with a
// reason in error, when a file cannot be read or a path holds "," or "#" (which the list
// format cannot carry).
bool ScanTree(const std::string& dir, const std::vector<std::string>& exclude,
              std::vector<VersionListEntry>& entries, std::string* error = nullptr);

// The text of a version list.
std::string FormatVersionList(const std::string& version, const std::vector<VersionListEntry>& entries);

struct VersionAreaOptions {
    std::string prefix = "Game_";   // directory prefix of each version
    bool envelope = false;          // wrap the list in the envelope
    bool writeVersionFile = true;   // make this the latest version
    std::vector<std::string> exclude;  // client files left out of the list
};

// Publishes clientDir as version into area (created as needed): the version's list and a
// copy of every file, and, when asked, the version file naming it. False, with a reason in
// error, on any failure.
bool PublishVersionArea(const std::string& clientDir, const std::string& area, const std::string& version,
                        const VersionAreaOptions& options, std::string* error = nullptr);
