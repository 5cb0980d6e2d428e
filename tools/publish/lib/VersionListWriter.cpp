#include "tools/publish/lib/VersionListWriter.h"

#include "download/QzChecksum_CRC.h"
#include "download/QzChecksum_MD5.h"
#include "tools/publish/lib/EnvelopeWriter.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

bool Fail(std::string* error, const std::string& why) {
    if (error != nullptr) *error = why;
    return false;
}

std::string WithBackslashes(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

fs::path Native(const std::string& path) {
    std::string p = path;
    std::replace(p.begin(), p.end(), '\\', '/');
    return fs::path(p);
}

bool WriteText(const fs::path& path, const std::string& text) {
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    return static_cast<bool>(out);
}

}  // namespace

bool ScanTree(const std::string& dir, const std::vector<std::string>& exclude,
              std::vector<VersionListEntry>& entries, std::string* error) {
    entries.clear();
    std::error_code ec;
    const fs::path root = Native(dir);
    for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        if (!it->is_regular_file()) continue;
        VersionListEntry entry;
        entry.path = WithBackslashes(fs::relative(it->path(), root).generic_string());
        if (std::find(exclude.begin(), exclude.end(), entry.path) != exclude.end()) continue;
        if (entry.path.find_first_of(",#") != std::string::npos) {
            return Fail(error, "a list path cannot hold \",\" or \"#\": " + entry.path);
        }
        const std::string file = it->path().string();
        entry.size = static_cast<int64_t>(it->file_size());
        if (!QzChecksum_MD5::Instance().DigestFileText(file, entry.md5) ||
                   !QzChecksum_CRC::Instance().DigestFileText(file, entry.crc)) {
            return Fail(error, "cannot read " + file);
        }
        entries.push_back(std::move(entry));
    }
    if (ec) return Fail(error, "cannot list " + dir + ": " + ec.message());
    std::sort(entries.begin(), entries.end(),
              [](const VersionListEntry& a, const VersionListEntry& b) { return a.path < b.path; });
    return true;
}

std::string FormatVersionList(const std::string& version, const std::vector<VersionListEntry>& entries) {
    std::string text = "[Version]\r\nVersion=" + version + "\r\n[FileList]\r\nFileCount=" +
                       std::to_string(entries.size()) + "\r\n";
    for (size_t i = 0; i < entries.size(); ++i) {
        const VersionListEntry& e = entries[i];
        text += "File" + std::to_string(i) + "=" + e.path + "," + e.md5 + "," + e.crc + "," +
                std::to_string(e.size) + "," + std::to_string(e.flag) + "\r\n";
    }
    return text;
}

bool PublishVersionArea(const std::string& clientDir, const std::string& area, const std::string& version,
                        const VersionAreaOptions& options, std::string* error) {
    std::vector<VersionListEntry> entries;
    if (!ScanTree(clientDir, options.exclude, entries, error)) return false;
    const fs::path versionDir = Native(area) / (options.prefix + version);
    std::error_code ec;
    fs::create_directories(versionDir, ec);
    if (ec) return Fail(error, "cannot create " + versionDir.string());
    for (const VersionListEntry& e : entries) {
        const fs::path target = versionDir / Native(e.path);
        fs::create_directories(target.parent_path(), ec);
        fs::copy_file(Native(clientDir) / Native(e.path), target, fs::copy_options::overwrite_existing, ec);
        if (ec) return Fail(error, "cannot copy " + e.path + ": " + ec.message());
    }
    std::string list = FormatVersionList(version, entries);
    if (options.envelope) {
        std::string wrapped;
        if (!MakeEnvelope(list, wrapped)) return Fail(error, "the list is too large to wrap");
        list = std::move(wrapped);
    }
    if (!WriteText(versionDir / "GameInfo.ini", list)) return Fail(error, "cannot write the list");
    if (options.writeVersionFile && !WriteText(Native(area) / "version", version)) {
        return Fail(error, "cannot write the version file");
    }
    return true;
}
