#include "tools/publish/lib/PatchWriter.h"

#include <filesystem>
#include <map>

#include "common/FileDir.h"
#include "patch/PackageFormat.h"
#include "platform/Files.h"
#include "tools/publish/lib/EnvelopeWriter.h"
#include "tools/publish/lib/PackageSet.h"

namespace {

bool Fail(std::string* error, const std::string& why) {
    if (error != nullptr) *error = why;
    return false;
}

struct Entry {
    std::string path;
    int type = 0;
    std::string md5;
    std::string sourceMd5;  // deltas only
};

std::string EntryLine(const Entry& e) {
    std::string line = e.path + "," + std::to_string(e.type) + ",0";
    if (!e.md5.empty()) line += "," + e.md5;
    if (!e.sourceMd5.empty()) line += "," + e.sourceMd5;
    return line;
}

}  // namespace

std::string FormatPatchHistory(const std::vector<std::pair<std::string, std::string>>& patches,
                               const std::string& versionNow) {
    std::string text = "[PatchHistory]\r\nPatchNum=" + std::to_string(patches.size()) +
                       "\r\nVersionNow=" + versionNow + "\r\n";
    for (size_t i = 0; i < patches.size(); ++i) {
        text += "[Patch_" + std::to_string(i) + "]\r\nVersionFrom=" + patches[i].first +
                "\r\nVersionTo=" + patches[i].second + "\r\n";
    }
    return text;
}

bool PublishPatch(const std::string& autoPatchDir, const std::string& from, const std::vector<TreeFile>& oldFiles,
                  const std::string& to, const std::vector<TreeFile>& newFiles, const PatchOptions& options,
                  PatchStats* stats, std::string* error) {
    PatchStats counts;
    const std::string dir = autoPatchDir + "\\AutoPatch_" + from + "_" + to;
    const std::string staging = dir + "\\members.tmp";
    if (!CreateFileDir(staging, false)) return Fail(error, "cannot create " + staging);

    std::map<std::string, const TreeFile*> old;
    for (const TreeFile& f : oldFiles) old[f.path] = &f;

    // Members for adds and updates, in path order; deletes after them.
    std::vector<Entry> entries;
    std::vector<PackageMember> members;
    for (const TreeFile& f : newFiles) {
        const auto found = old.find(f.path);
        const TreeFile* before = found == old.end() ? nullptr : found->second;
        if (before != nullptr) old.erase(found);
        if (before != nullptr && before->md5 == f.md5) continue;

        Entry entry{f.path, before == nullptr ? 1 : 2, f.md5, ""};
        const std::string memberFile = staging + "\\m" + std::to_string(members.size());
        bool whole = true;
        if (before != nullptr && options.deltas) {
            int64_t deltaSize = 0;
            if (!WriteDeltaMember(before->file, f.file, memberFile, options.member, deltaSize, error)) return false;
            // A delta no smaller than the file itself gains nothing: send the file.
            whole = deltaSize >= f.size + int64_t(QZ_TAG_SIZE);
            if (!whole) {
                entry.sourceMd5 = before->md5;
                ++counts.deltas;
            }
        }
        if (whole && !WriteWholeMember(f.file, memberFile, options.member, error)) return false;
        if (entry.type == 1) {
            ++counts.adds;
        } else {
            ++counts.updates;
        }
        entries.push_back(entry);
        members.push_back({f.path, memberFile, options.member.lzma ? ZipMethod::Store : ZipMethod::Deflate});
    }
    std::vector<Entry> deletes;
    for (const auto& item : old) {
        deletes.push_back({item.first, 3, "", ""});
        ++counts.deletes;
    }

    const std::string prefix = "patch_" + from + "_" + to + "_";
    std::vector<WrittenPackage> packages;
    if (!WritePackages(dir, prefix, members, options.packageBytes, packages, error)) return false;
    if (packages.empty() && !deletes.empty()) {
        packages.emplace_back();
        if (!WriteEmptyPackage(dir, prefix + "0.zip", packages.back(), error)) return false;
    }
    std::error_code ec;
    std::filesystem::remove_all(platform::NativePath(staging), ec);

    // The description: each package with its entries, the deletes with the last package.
    std::string text = "[PatchVersion]\r\nVersionOld=" + from + "\r\nVersionNew=" + to +
                       "\r\n[Packages]\r\nPackageNum=" + std::to_string(packages.size()) + "\r\n";
    std::vector<std::vector<const Entry*>> perPackage(packages.size());
    for (size_t p = 0; p < packages.size(); ++p) {
        for (size_t m : packages[p].members) perPackage[p].push_back(&entries[m]);
    }
    if (!perPackage.empty()) {
        for (const Entry& e : deletes) perPackage.back().push_back(&e);
    }
    for (size_t p = 0; p < packages.size(); ++p) {
        text += "Package" + std::to_string(p) + "=" + packages[p].name + "," +
                std::to_string(perPackage[p].size()) + "," + std::to_string(packages[p].size) + "," +
                packages[p].md5 + "\r\n";
    }
    for (size_t p = 0; p < packages.size(); ++p) {
        text += "[Package" + std::to_string(p) + "]\r\n";
        for (size_t k = 0; k < perPackage[p].size(); ++k) {
            text += "File" + std::to_string(k) + "=" + EntryLine(*perPackage[p][k]) + "\r\n";
        }
    }
    const std::string description = dir + "\\patchinfo_" + from + "_" + to + ".ini";
    if (options.envelope) {
        std::string wrapped;
        if (!MakeEnvelope(text, wrapped)) return Fail(error, "the description is too large to wrap");
        text = std::move(wrapped);
    }
    if (!platform::WriteWholeFile(description, text)) return Fail(error, "cannot write " + description);
    counts.packages = int(packages.size());
    if (stats != nullptr) *stats = counts;
    return true;
}
