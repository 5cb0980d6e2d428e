#include "patch/QzPatchInfo.h"

#include "common/TextHelpers.h"
#include "patch/DescriptionFields.h"
#include "patch/Envelope.h"
#include "platform/Files.h"
#include "platform/Profile.h"

#include <algorithm>
#include <string>

namespace {

constexpr const char* SECTION_PATCH_VERSION = "PatchVersion";
constexpr const char* KEY_VERSION_OLD = "VersionOld";
constexpr const char* KEY_VERSION_NEW = "VersionNew";
constexpr const char* SECTION_PACKAGES = "Packages";
constexpr const char* KEY_PACKAGE_NUM = "PackageNum";
// Each value is read into a buffer of this size: at most 519 characters.
constexpr size_t VALUE_BUFFER_SIZE = 520;

std::string Indexed(const char* name, int index) { return name + std::to_string(index); }

std::string ReadValue(const platform::ProfileFile& file, const std::string& section,
                      const std::string& key) {
    return file.GetString(section, key, "", VALUE_BUFFER_SIZE);
}

// The number of lines of the file: no file can hold more entries than that.
size_t LineCount(const std::string& path) {
    std::string text;
    if (!platform::ReadWholeFile(path, text, SPECIAL_FILE_MAX_SIZE)) return 0;
    const size_t ends = static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
    return ends + (!text.empty() && text.back() != '\n' ? 1 : 0);
}

}  // namespace

bool QzPatchInfo::Unwrap(const std::string& path) {
    SpecialFileKey key;
    MakeCryptKey(key);
    return DecryptSpecialFile(key, path);
}

void QzPatchInfo::ReadPackages(const platform::ProfileFile& file) {
    m_strVersionOld = ReadValue(file, SECTION_PATCH_VERSION, KEY_VERSION_OLD);
    m_strVersionNew = ReadValue(file, SECTION_PATCH_VERSION, KEY_VERSION_NEW);
    const int count = file.GetInt(SECTION_PACKAGES, KEY_PACKAGE_NUM, 0);
    for (int i = 0; i < count; ++i) {
        const std::vector<std::string> fields =
            SplitAtCommas(ReadValue(file, SECTION_PACKAGES, Indexed("Package", i)));
        if (fields.empty()) break;  // no package line: the count overstates the list
        PatchPackageInfo package;
        package.m_strName = fields[0];
        if (fields.size() > 1) package.m_nFileCount = AtoiField(fields[1]);
        if (fields.size() > 2) package.m_nSize = AtoiField(fields[2]);
        if (fields.size() > 3) package.m_strMd5 = fields[3];
        m_vecPackageInfo.push_back(std::move(package));
    }
}

void QzPatchInfo::ReadFileEntries(const platform::ProfileFile& file, size_t budget) {
    for (size_t j = 0; j < m_vecPackageInfo.size(); ++j) {
        PatchPackageInfo& package = m_vecPackageInfo[j];
        const std::string section = Indexed("Package", static_cast<int>(j));
        const size_t count =
            std::min(static_cast<size_t>(std::max(package.m_nFileCount, 0)), budget);
        budget -= count;
        package.m_vecFiles.reserve(package.m_vecFiles.size() + count);
        for (size_t k = 0; k < count; ++k) {
            const std::vector<std::string> fields =
                SplitAtCommas(ReadValue(file, section, Indexed("File", static_cast<int>(k))));
            PatchFileInfo entry;
            if (fields.size() > 0) entry.m_strFilePath = fields[0];
            if (fields.size() > 1) entry.m_nType = AtoiField(fields[1]);
            if (fields.size() > 2) entry.m_nReserved = AtoiField(fields[2]);
            if (fields.size() > 3) entry.m_md5Check = fields[3];
            if (fields.size() > 4) entry.m_strSrcMd5 = fields[4];
            package.m_vecFiles.push_back(std::move(entry));
        }
    }
}

int QzPatchInfo::InputPatchInfoFile(const std::string& path) {
    if (path.empty()) return -1;
    if (!Unwrap(path)) return -1;
    const platform::ProfileFile file(path);
    ReadPackages(file);
    ReadFileEntries(file, LineCount(path));
    return 0;
}

int QzPatchInfo::InputInstallInfoFile(const std::string& path) {
    if (path.empty()) return -1;
    if (!Unwrap(path)) return 0;
    ReadPackages(platform::ProfileFile(path));
    return 0;
}
