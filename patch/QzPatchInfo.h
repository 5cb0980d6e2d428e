#pragma once
// The patch description "patchinfo_<old>_<new>.ini" and the install description
// "intallinfo_<version>.ini", possibly wrapped in the envelope of patch/Envelope.h. After
// unwrapping, an INI text read with the profile reader (names matched without regard to
// case):
//   [PatchVersion] VersionOld=<text>  VersionNew=<text>
//   [Packages]     PackageNum=<P>  Package<i>=<name>,<file count F>,<size>,<MD5>
//   [Package<i>]   File<k>=<path>,<type>,<reserved>,<result MD5>[,<source MD5>]
// Fields are split at commas with empty pieces dropped. Install descriptions carry no
// Package<i> sections.

#include <cstddef>
#include <string>
#include <vector>

namespace platform {
class ProfileFile;
}

inline constexpr const char* PATCH_INFO_NAME_FORMAT = "patchinfo_%s_%s.ini";
inline constexpr const char* INSTALL_INFO_NAME_FORMAT = "intallinfo_%s.ini";

// What a file entry does to the client. Entries of other types are carried and ignored.
inline constexpr int PFT_ADD = 1;     // the member holds the whole new file
inline constexpr int PFT_UPDATE = 2;  // the member holds a delta or the whole new file
inline constexpr int PFT_DELETE = 3;  // no member

struct PatchFileInfo {
    std::string m_strFilePath;  // relative to the client directory; also the member's path
    int m_nType = 0;            // PFT_ADD, PFT_UPDATE, PFT_DELETE or another value
    int m_nReserved = 0;
    std::string m_md5Check;     // MD5 text of the file once the entry is applied
    std::string m_strSrcMd5;    // MD5 text of the installed file a delta applies to
};

using PatchFileInfoVec = std::vector<PatchFileInfo>;

struct PatchPackageInfo {
    std::string m_strName;      // file name of the package archive
    int m_nFileCount = 0;       // the count F as the package line states it
    int m_nSize = 0;            // bytes
    std::string m_strMd5;
    PatchFileInfoVec m_vecFiles;
};

using PatchPackageInfoVec = std::vector<PatchPackageInfo>;

class QzPatchInfo {
public:
    QzPatchInfo() = default;
    virtual ~QzPatchInfo() = default;

    // Unwraps the patch description at path in place (the file holds plain text afterwards)
    // and reads versions, packages and file entries, appending the packages. 0 on success;
    // -1 when path is empty or the file cannot be unwrapped (nothing read).
    // Package lines are read from Package0 up to PackageNum-1 and the reading stops at the
    // first one that is missing or empty. File<k> keys are read for k below the package's
    // file count, a missing key giving an entry with an empty path and type 0; all packages
    // together take at most one entry per line of the file, so a count beyond what the
    // file can hold costs nothing.
    int InputPatchInfoFile(const std::string& path);

    // The same for an install description, without file entries. -1 when path is empty,
    // otherwise 0 (a file that cannot be unwrapped reads as nothing).
    int InputInstallInfoFile(const std::string& path);

    // Copies of what was read.
    std::string GetVersionOld() const { return m_strVersionOld; }
    std::string GetVersionNew() const { return m_strVersionNew; }
    PatchPackageInfoVec GetPackageInfoVec() const { return m_vecPackageInfo; }

private:
    // Unwraps the file at path in place; false when it cannot be unwrapped.
    static bool Unwrap(const std::string& path);
    // Reads the versions and appends the package lines.
    void ReadPackages(const platform::ProfileFile& file);
    // Reads the file entries of every package, budget entries at most in all.
    void ReadFileEntries(const platform::ProfileFile& file, size_t budget);

    std::string m_strVersionOld;
    std::string m_strVersionNew;
    PatchPackageInfoVec m_vecPackageInfo;
};
