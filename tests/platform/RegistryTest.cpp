#include "platform/Registry.h"

#include "tests/support/Faults.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <algorithm>

namespace {

namespace fs = std::filesystem;
using platform::RegistryHive;
using platform::RegistryKey;
using platform::RegistryValue;
using platform::RegistryValueType;
using testsupport::ReadFile;
using testsupport::ScopedEnv;
using testsupport::TempDir;
using testsupport::WriteFileMakingDirs;

std::vector<std::string> FileNames(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class RegistryTest : public ::testing::Test {
protected:
    std::string Root() const { return m_dir / "registry"; }

    TempDir m_dir;
    ScopedEnv m_env{"DAVURERUVO_REGISTRY", (m_dir / "registry").c_str()};
};

TEST(RegistryRootTest, ComesFromTheEnvironmentInOrder) {
    struct Case {
        const char* registry;
        const char* xdg;
        const char* home;
        const char* expected;
    } cases[] = {
        {"/r/reg/", "/x", "/h", "/r/reg"},
        {nullptr, "/x/data", "/h", "/x/data/DAVureruvo/registry"},
        {"", "/x/data", "/h", "/x/data/DAVureruvo/registry"},
        {nullptr, nullptr, "/home/u", "/home/u/.local/share/DAVureruvo/registry"},
        {nullptr, "", "/home/u/", "/home/u/.local/share/DAVureruvo/registry"},
    };
    for (const Case& c : cases) {
        ScopedEnv r("DAVURERUVO_REGISTRY", c.registry);
        ScopedEnv x("XDG_DATA_HOME", c.xdg);
        ScopedEnv h("HOME", c.home);
        EXPECT_EQ(platform::RegistryRoot(), c.expected) << c.expected;
    }
}

TEST_F(RegistryTest, KeysAreDirectoriesMatchedWithoutRegardToCase) {
    RegistryKey created;
    ASSERT_TRUE(created.Create(RegistryHive::CurrentUser, "SOFTWARE\\tallowind\\Morvane"));
    EXPECT_EQ(created.Directory(), Root() + "/HKEY_CURRENT_USER/SOFTWARE/tallowind/Morvane");
    EXPECT_TRUE(fs::is_directory(created.Directory()));

    for (const char* spelling : {"software\\TALLOWIND\\morvane", "\\Software\\Tallowind\\Morvane\\"}) {
        RegistryKey opened;
        ASSERT_TRUE(opened.Open(RegistryHive::CurrentUser, spelling)) << spelling;
        EXPECT_EQ(opened.Directory(), created.Directory());
        RegistryKey again;
        ASSERT_TRUE(again.Create(RegistryHive::CurrentUser, spelling));
        EXPECT_EQ(again.Directory(), created.Directory());
    }
    EXPECT_EQ(FileNames(Root() + "/HKEY_CURRENT_USER"), std::vector<std::string>{"SOFTWARE"});

    RegistryKey missing;
    EXPECT_FALSE(missing.Open(RegistryHive::CurrentUser, "SOFTWARE\\other"));
    EXPECT_FALSE(missing.IsOpen());
    EXPECT_FALSE(missing.Open(RegistryHive::LocalMachine, "SOFTWARE\\tallowind\\Morvane"));
    EXPECT_FALSE(missing.Create(RegistryHive::CurrentUser, "SOFTWARE\\..\\..\\escape"));
    EXPECT_FALSE(missing.Create(RegistryHive::CurrentUser, "SOFTWARE\\a/b"));
}

TEST_F(RegistryTest, OpeningWithoutCreatingTouchesNothing) {
    RegistryKey key;
    EXPECT_FALSE(key.Open(RegistryHive::CurrentUser, "SOFTWARE"));
    EXPECT_FALSE(fs::exists(Root()));
}

TEST_F(RegistryTest, ValuesAreBinOrSzFilesReadWithTheirType) {
    RegistryKey key;
    ASSERT_TRUE(key.Create(RegistryHive::CurrentUser, "SOFTWARE\\tallowind\\Morvane"));
    const std::string bytes("A\0\x01\xff", 4);
    ASSERT_TRUE(key.WriteBinary("deviceid", bytes));
    ASSERT_TRUE(key.WriteString("label", u"게임 launcher"));

    EXPECT_EQ(ReadFile(key.Directory() + "/deviceid.bin"), bytes);
    EXPECT_EQ(ReadFile(key.Directory() + "/label.sz"), "게임 launcher");

    RegistryValue value;
    ASSERT_TRUE(key.ReadValue("DEVICEID", value));
    EXPECT_EQ(value.type, RegistryValueType::Binary);
    EXPECT_EQ(value.bytes, bytes);
    ASSERT_TRUE(key.ReadValue("Label", value));
    EXPECT_EQ(value.type, RegistryValueType::String);
    EXPECT_EQ(value.text, u"게임 launcher");
    EXPECT_FALSE(key.ReadValue("absent", value));
    EXPECT_FALSE(key.ReadValue("deviceid", value, 3)) << "larger than the limit";

    // A value keeps one type: writing the other type replaces the file, and a second
    // spelling of the name writes to the existing file.
    ASSERT_TRUE(key.WriteString("DeviceID", u"text"));
    ASSERT_TRUE(key.WriteString("LABEL", u"new"));
    EXPECT_EQ(FileNames(key.Directory()), (std::vector<std::string>{"DeviceID.sz", "label.sz"}));
    ASSERT_TRUE(key.ReadValue("label", value));
    EXPECT_EQ(value.text, u"new");
}

TEST_F(RegistryTest, ReadsTreesWrittenByOthers) {
    // The layout is the contract: a tree made by hand is read as the launcher's own.
    const std::string uninstall =
        Root() + "/HKEY_LOCAL_MACHINE/Software/WOW6432Node/Microsoft/Windows/CurrentVersion/Uninstall";
    WriteFileMakingDirs(uninstall + "/{B-2}/DisplayName.sz", "Runtime (x64)");
    WriteFileMakingDirs(uninstall + "/{a-1}/DisplayName.sz", "Other");
    WriteFileMakingDirs(uninstall + "/Plain/DisplayName.sz", "Plain");
    WriteFileMakingDirs(uninstall + "/note.bin", "not a key");

    RegistryKey key;
    ASSERT_TRUE(key.Open(RegistryHive::LocalMachine,
                         "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"));
    std::vector<std::string> names;
    ASSERT_TRUE(key.ListSubkeys(names));
    EXPECT_EQ(names, (std::vector<std::string>{"Plain", "{a-1}", "{B-2}"}));

    RegistryKey entry;
    ASSERT_TRUE(entry.Open(RegistryHive::LocalMachine,
                           "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{b-2}"));
    RegistryValue value;
    ASSERT_TRUE(entry.ReadValue("DisplayName", value));
    EXPECT_EQ(value.text, u"Runtime (x64)");
}

TEST_F(RegistryTest, FailedWriteLeavesTheOldValueAndNoTemporaryFile) {
    struct Case {
        testsupport::FaultOp op;
        int error;
    } cases[] = {
        {testsupport::FaultOp::Rename, EACCES},
        {testsupport::FaultOp::Write, ENOSPC},
        {testsupport::FaultOp::Open, EMFILE},
    };
    RegistryKey key;
    ASSERT_TRUE(key.Create(RegistryHive::CurrentUser, "SOFTWARE\\tallowind\\Morvane"));
    ASSERT_TRUE(key.WriteBinary("deviceid", "old value"));
    for (const Case& c : cases) {
        {
            testsupport::ScopedFault fault(c.op, 1, c.error, true);
            EXPECT_FALSE(key.WriteBinary("deviceid", "new value"));
            EXPECT_FALSE(key.WriteString("deviceid", u"new value"));
        }
        RegistryValue value;
        ASSERT_TRUE(key.ReadValue("deviceid", value));
        EXPECT_EQ(value.type, RegistryValueType::Binary);
        EXPECT_EQ(value.bytes, "old value");
        EXPECT_EQ(FileNames(key.Directory()), std::vector<std::string>{"deviceid.bin"});
    }
}

}  // namespace
