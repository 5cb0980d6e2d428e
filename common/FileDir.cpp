#include "common/FileDir.h"

#include "platform/Files.h"

#include <algorithm>
#include <vector>

bool CreateFileDir(const std::string& path, bool endsInFileName) {
    if (path.size() < 2) return false;
    std::string dir = path;
    std::replace(dir.begin(), dir.end(), '/', '\\');
    if (!dir.empty() && dir.back() == '\\') dir.pop_back();
    if (endsInFileName) {
        size_t cut = dir.find_last_of('\\');
        // A bare file name lies in the current directory, which exists.
        if (cut == std::string::npos) return true;
        dir.erase(cut);
    }
    if (dir.empty()) return platform::IsDirectory("\\");  // a path directly below the root
    if (platform::IsDirectory(dir)) return true;
    // Create every missing level from the top down.
    for (size_t pos = dir.find('\\', 1); ; pos = dir.find('\\', pos + 1)) {
        std::string level = dir.substr(0, pos);
        if (!level.empty() && level != "." && level != ".." && !platform::IsDirectory(level)) {
            platform::CreateDirectory(level);
        }
        if (pos == std::string::npos) break;
    }
    return platform::IsDirectory(dir);
}

bool DeleteDir(const std::string& path) {
    if (!platform::IsDirectory(path)) return false;
    std::vector<platform::DirEntry> entries;
    if (!platform::ListDirectory(path, entries)) return false;
    std::string base = path;
    if (base.back() != '\\' && base.back() != '/') base += '\\';
    for (const platform::DirEntry& entry : entries) {
        std::string child = base + entry.name;
        if (entry.isDirectory) {
            if (!DeleteDir(child)) return false;
        } else if (!platform::DeleteFile(child)) {
            return false;
        }
    }
    return platform::RemoveDirectory(path);
}

bool FileExists(const std::string& path) { return platform::PathExists(path); }
