#include "common/CopyIntoPlace.h"
#include "common/FileDir.h"
#include "common/TextHelpers.h"
#include "platform/Files.h"
#include "tests/support/Faults.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

using testsupport::ReadFile;
using testsupport::ScopedCurrentDir;
using testsupport::TempDir;
using testsupport::WriteFile;

TEST(CreateFileDir, CreatesEveryMissingLevel) {
    TempDir dir;
    ScopedCurrentDir cd(dir.Path());
    const struct {
        const char* path;
        bool endsInFileName;
        bool result;
        const char* mustExist;  // directory expected afterwards (nullptr: none)
    } cases[] = {
        {"a\\b\\c", false, true, "a/b/c"},
        {"d/e/f.txt", true, true, "d/e"},          // "/" accepted, the file name dropped
        {"g\\h\\", false, true, "g/h"},             // one trailing separator dropped
        {"TempUpdata\\Unzip\\", false, true, "TempUpdata/Unzip"},
        {"file.txt", true, true, nullptr},           // a bare name lies in the current directory
        {"x", false, false, nullptr},                // shorter than 2 characters
        {"", false, false, nullptr},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CreateFileDir(c.path, c.endsInFileName), c.result) << c.path;
        if (c.mustExist != nullptr) {
            EXPECT_TRUE(std::filesystem::is_directory(c.mustExist)) << c.path;
        }
    }
    EXPECT_FALSE(std::filesystem::exists("d/e/f.txt"));
    // An absolute path works as well.
    EXPECT_TRUE(CreateFileDir(dir.Path() + "/abs/dir/name.bin", true));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "abs/dir"));
}

TEST(CreateFileDir, FailsWhenAFileBlocksTheWay) {
    TempDir dir;
    WriteFile(dir / "blocker", "");
    EXPECT_FALSE(CreateFileDir(dir.Path() + "\\blocker\\sub", false));
}

TEST(DeleteDir, RemovesATreeAndReportsFailures) {
    TempDir dir;
    testsupport::WriteFileMakingDirs(dir / "t/a/b/file", "x");
    testsupport::WriteFileMakingDirs(dir / "t/top", "y");
    EXPECT_TRUE(DeleteDir(dir.Path() + "\\t"));
    EXPECT_FALSE(FileExists(dir / "t"));
    EXPECT_FALSE(DeleteDir(dir / "t"));  // no longer exists

    testsupport::WriteFileMakingDirs(dir / "u/locked", "z");
    platform::SetReadOnly(dir / "u/locked", true);
    EXPECT_FALSE(DeleteDir(dir / "u"));
    EXPECT_TRUE(FileExists(dir / "u/locked"));
}

TEST(TextHelpers, SplitAtCommasDropsEmptyPieces) {
    using V = std::vector<std::string>;
    EXPECT_EQ(SplitAtCommas(""), V{});
    EXPECT_EQ(SplitAtCommas(","), V{});
    EXPECT_EQ(SplitAtCommas("a"), V{"a"});
    EXPECT_EQ(SplitAtCommas(",a,,b ,"), (V{"a", "b "}));
}

TEST(TextHelpers, StripBlanksRemovesEveryBlank) {
    EXPECT_EQ(StripBlanks(" a\tb\r\nc d "), "abcd");
    EXPECT_EQ(StripBlanks(" \t\r\n"), "");
}

TEST(TextHelpers, FormatSizePicksTheUnit) {
    const struct {
        int64_t n;
        const char* text;
    } cases[] = {
        {0, "0"},
        {1023, "1023"},
        {-5000, "-5000"},
        {1024, "1.0K"},
        {1536, "1.5K"},
        {(int64_t{1} << 20) - 1, "1024.0K"},
        {int64_t{1} << 20, "1.0M"},
        {int64_t{3} << 30, "3.0G"},
        {int64_t{5} << 40, "5.0T"},
        {INT64_MAX, "8388608.0T"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatSize(c.n), c.text) << c.n;
}

TEST(CopyIntoPlace, ReplacesTheDestinationWhole) {
    TempDir dir;
    WriteFile(dir / "src", "new contents");
    WriteFile(dir / "dst", "old");
    platform::SetReadOnly(dir / "dst", true);
    ASSERT_TRUE(CopyIntoPlace(dir / "src", dir / "dst"));
    EXPECT_EQ(ReadFile(dir / "dst"), "new contents");
    EXPECT_FALSE(platform::IsReadOnly(dir / "dst"));
    EXPECT_TRUE(FileExists(dir / "src"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2);

    EXPECT_FALSE(CopyIntoPlace(dir / "missing", dir / "dst"));
    EXPECT_EQ(ReadFile(dir / "dst"), "new contents");
}

TEST(CopyIntoPlace, AFailingStepLeavesTheOldDestinationWhole) {
    for (testsupport::FaultOp op : {testsupport::FaultOp::Rename, testsupport::FaultOp::Write,
                                    testsupport::FaultOp::Fsync}) {
        TempDir dir;
        WriteFile(dir / "src", std::string(3 << 20, 'n'));
        WriteFile(dir / "dst", "old");
        {
            testsupport::ScopedFault fault(op, 1, ENOSPC, true);
            EXPECT_FALSE(CopyIntoPlace(dir / "src", dir / "dst"));
        }
        EXPECT_EQ(ReadFile(dir / "dst"), "old");
        // No temporary sibling is left behind.
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2);
    }
}
