#pragma once
// Brings a directory tree into line with the latest version file list on the server:
// fetches the latest version text and that version's list, deletes files that left the
// list, checks every listed file by size and CRC-32, fetches each one that differs,
// verifies it by MD5, puts it in place, and finally installs the new list beside the tree.
// The game repair and the launcher's self-update are this algorithm with other settings.

#include "Procedure/ProcedureBase.h"
#include "patch/QzVersionRepairInfo.h"

#include <array>
#include <string>

// Results of Run.
inline constexpr int REPAIR_STOPPED = 2;
inline constexpr int REPAIR_FAIL_DOWN_VERSION = 6;
inline constexpr int REPAIR_FAIL_READ_VERSION = 7;
inline constexpr int REPAIR_FAIL_DOWN_GAMEINFO = 8;
inline constexpr int REPAIR_FAIL_CMP_GAMEINFO = 9;
inline constexpr int REPAIR_FAIL_CREATE_DIR = 10;
inline constexpr int REPAIR_FAIL_DOWN_FILE = 11;
inline constexpr int REPAIR_FAIL_REPLACE_FILE = 12;
inline constexpr int REPAIR_FAIL_REPLACE_GAMEINFO = 13;
inline constexpr int REPAIR_NO_NEED = 14;
inline constexpr int REPAIR_SUCCESS = 15;

// A version file of this many bytes or more is refused.
inline constexpr size_t REPAIR_VERSION_FILE_LIMIT = 64;
// Rounds of fetching a file whose MD5 does not match.
inline constexpr int REPAIR_MD5_ROUNDS = 3;

class ProcedureRepair : public ProcedureBase {
public:
    int Run() override;
    // When set, only entries whose flag is non-zero are checked.
    virtual void SetMarkedOnly(bool markedOnly) { m_bMarkedOnly = markedOnly; }

protected:
    // The words that make a base's two addresses from the base text.
    struct AddressWords {
        const char* versionFile;      // e.g. "\GameVersion\version"
        const char* directoryPrefix;  // e.g. "\GameVersion\Game_"
    };
    // The settings of one concrete repair.
    struct Configuration {
        AddressWords words;
        const char* settingsSection;
        const char* settingsKey;
        bool defaultWhenEmpty;  // an empty key gives the default base (else empty text)
        const char* localVersionFile;
        const char* localList;
        const char* downloadDirectory;
        const char* localRoot;
    };

    // Stores the window and the event, reads base 1, sets the fallback bases and the paths.
    void InitRepair(platform::WindowHandle dialogWindow, const std::string& settingsPath,
                    platform::ManualResetEvent* stopEvent, const Configuration& config);
    // Sets base index (0 to 2) from a base text.
    void SetBase(size_t index, const std::string& base);

    // Reads the new list and the installed one, reports both versions, deletes the files
    // that left the list and takes the sorted new entries as the file list.
    bool CompareGameInfo(const std::string& listPath);

private:
    // Result of checking one entry: 0 to go on, else the result that ends Run.
    int CheckEntry(const RepairFileInfo& entry, uint64_t index);

    AddressWords m_words{};
    std::string m_strVersion;
    std::array<ServerBase, 3> m_bases;
    std::string m_strVersionLocal;
    std::string m_strListLocal;
    std::string m_strDownloadDir;
    std::string m_strUpdateVerLocalUnCypt;
    std::string m_strLocalRoot;
    int m_nReplacedCount = 0;
    bool m_bMarkedOnly = false;
    RepairFileInfoVec m_vecFileList;
};
