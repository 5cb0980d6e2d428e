#include "tools/publish/lib/PackageSet.h"

#include <filesystem>
#include <fstream>

#include "download/QzChecksum_MD5.h"
#include "platform/Files.h"

namespace fs = std::filesystem;

namespace {

bool Fail(std::string* error, const std::string& why) {
    if (error != nullptr) *error = why;
    return false;
}

bool Describe(const std::string& path, WrittenPackage& package, std::string* error) {
    package.size = platform::FileSize(path);
    if (package.size < 0 || !QzChecksum_MD5::Instance().DigestFileText(path, package.md5)) {
        return Fail(error, "cannot digest " + path);
    }
    return true;
}

}  // namespace

bool WritePackages(const std::string& dir, const std::string& namePrefix,
                   const std::vector<PackageMember>& members, uint64_t maxBytes,
                   std::vector<WrittenPackage>& packages, std::string* error) {
    packages.clear();
    size_t next = 0;
    while (next < members.size()) {
        WrittenPackage package;
        package.name = namePrefix + std::to_string(packages.size()) + ".zip";
        const std::string path = dir + "\\" + package.name;
        ZipPackageWriter writer;
        if (!writer.Open(path)) return Fail(error, writer.Error());
        uint64_t bytes = 0;
        while (next < members.size() && (package.members.empty() || bytes < maxBytes)) {
            const PackageMember& m = members[next];
            if (!writer.AddFile(m.name, m.sourcePath, m.method)) return Fail(error, writer.Error());
            const int64_t size = platform::FileSize(m.sourcePath);
            bytes += size > 0 ? uint64_t(size) : 0;
            package.members.push_back(next++);
        }
        if (!writer.Close()) return Fail(error, writer.Error());
        if (!Describe(path, package, error)) return false;
        packages.push_back(std::move(package));
    }
    return true;
}

bool WriteEmptyPackage(const std::string& dir, const std::string& name, WrittenPackage& package,
                       std::string* error) {
    const std::string path = dir + "\\" + name;
    ZipPackageWriter writer;
    if (!writer.Open(path) || !writer.AddDirectory("deleted/") || !writer.Close()) {
        return Fail(error, writer.Error());
    }
    package = WrittenPackage{};
    package.name = name;
    return Describe(path, package, error);
}
