#include "tools/publish/lib/InstallPageWriter.h"

#include "common/FileDir.h"
#include "platform/Files.h"
#include "tools/publish/lib/EnvelopeWriter.h"
#include "tools/publish/lib/PackageSet.h"

namespace {

bool Fail(std::string* error, const std::string& why) {
    if (error != nullptr) *error = why;
    return false;
}

}  // namespace

bool PublishInstallPage(const std::string& installDir, const std::string& version,
                        const std::vector<TreeFile>& files, const InstallPageOptions& options,
                        std::string* error) {
    const std::string dir = installDir + "\\InstallPage_" + version;
    if (!CreateFileDir(dir, false)) return Fail(error, "cannot create " + dir);
    std::vector<PackageMember> members;
    for (const TreeFile& f : files) {
        members.push_back({f.path, f.file, ZipMethod::Deflate});
    }
    std::vector<WrittenPackage> packages;
    if (!WritePackages(dir, "install_" + version + "_", members, options.packageBytes, packages, error)) {
        return false;
    }
    std::string text = "[PatchVersion]\r\nVersionNew=" + version + "\r\n[Packages]\r\nPackageNum=" +
                       std::to_string(packages.size()) + "\r\n";
    for (size_t p = 0; p < packages.size(); ++p) {
        text += "Package" + std::to_string(p) + "=" + packages[p].name + ",0," +
                std::to_string(packages[p].size) + "," + packages[p].md5 + "\r\n";
    }
    if (options.envelope) {
        std::string wrapped;
        if (!MakeEnvelope(text, wrapped)) return Fail(error, "the install description is too large to wrap");
        text = std::move(wrapped);
    }
    const std::string description = dir + "\\intallinfo_" + version + ".ini";
    if (!platform::WriteWholeFile(description, text)) return Fail(error, "cannot write " + description);
    if (options.writeVersionFile && !platform::WriteWholeFile(installDir + "\\version", version)) {
        return Fail(error, "cannot write the version file");
    }
    return true;
}
