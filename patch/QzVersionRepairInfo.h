#pragma once
// The version file list "GameInfo.ini": the version text of one released tree and, for each
// of its files, path, MD5, CRC-32, size and check flag. The list may come wrapped in the
// envelope of patch/Envelope.h. Format after unwrapping:
//   [Version]  Version=<text>
//   [FileList] FileCount=<N>  File0=<path>,<MD5>,<CRC-32>,<size>,<flag>  ...  File<N-1>=...
// Both readers work on a copy in the temporary directory, so the source file is never
// rewritten; the copy is deleted before they return.

#include "patch/UnCyptWorkCopy.h"

#include <string>
#include <vector>

inline constexpr const char* VERSION_LIST_FILE_NAME = "GameInfo.ini";

struct RepairFileInfo {
    std::string m_strFilePath;  // relative to the root of the tree the list describes
    int m_nFileSize = 0;
    std::string m_strMd5;       // upper-case digest text
    std::string m_strCrc;       // upper-case digest text, bytes least significant first
    int m_nCheckFlag = 0;       // nonzero: checked when only marked files are verified
};

using RepairFileInfoVec = std::vector<RepairFileInfo>;

class QzVersionRepairInfo {
public:
    QzVersionRepairInfo() = default;
    virtual ~QzVersionRepairInfo() = default;

    // Reads version and entries from the list at path; entries are appended to those held.
    // An entry is taken only when its value splits into exactly five non-empty
    // comma-separated fields; others are skipped silently, as are keys File<i> with i
    // outside 0 .. FileCount-1. False only when the envelope cannot be unwrapped (the
    // object then keeps what it held).
    bool InputVerRepairInfoFile(const std::string& path);

    // Reads only the version text, through the profile reader (section and key names
    // matched without regard to case, at most 259 characters). False only when the
    // envelope cannot be unwrapped.
    bool InputVerRepairInfoVersion(const std::string& path);

    // Copies of what was read.
    std::string GetVersion() const { return m_strVersion; }
    RepairFileInfoVec GetRepairFileInfoVec() const { return m_vecRepairFileInfo; }

private:
    std::string m_strVersion;
    RepairFileInfoVec m_vecRepairFileInfo;
};
