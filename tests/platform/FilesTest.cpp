#include "platform/Files.h"
#include "platform/Text.h"
#include "platform/Thread.h"
#include "platform/Clock.h"
#include "tests/support/Faults.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>

using namespace platform;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

TEST(Files, BackslashesReachTheSystemAsSlashes) {
    TempDir dir;
    ASSERT_TRUE(CreateDirectory(dir.Path() + "\\sub"));
    ASSERT_TRUE(WriteWholeFile(dir.Path() + "\\sub\\a.txt", "hello"));
    EXPECT_EQ(ReadFile(dir / "sub/a.txt"), "hello");
    EXPECT_EQ(FileSize(dir.Path() + "\\sub\\a.txt"), 5);
    EXPECT_TRUE(IsDirectory(dir.Path() + "\\sub\\"));
    EXPECT_EQ(FileSize(dir.Path() + "\\sub"), -1);
    EXPECT_EQ(FileSize(dir / "missing"), -1);
}

TEST(Files, ReadOnlyIsTheMissingOwnerWriteBit) {
    TempDir dir;
    WriteFile(dir / "f", "x");
    EXPECT_FALSE(IsReadOnly(dir / "f"));
    ASSERT_TRUE(SetReadOnly(dir / "f", true));
    EXPECT_TRUE(IsReadOnly(dir / "f"));
    // Like the system it stands in for, a read-only file is neither deleted nor overwritten.
    EXPECT_FALSE(DeleteFile(dir / "f"));
    WriteFile(dir / "g", "y");
    EXPECT_FALSE(CopyFile(dir / "g", dir / "f", false));
    ASSERT_TRUE(SetNormalAttributes(dir / "f"));
    EXPECT_TRUE(CopyFile(dir / "g", dir / "f", false));
    EXPECT_EQ(ReadFile(dir / "f"), "y");
    EXPECT_TRUE(DeleteFile(dir / "f"));
    EXPECT_FALSE(PathExists(dir / "f"));
    EXPECT_FALSE(SetNormalAttributes(dir / "f"));
}

TEST(Files, MoveRefusesAnExistingDestinationAndCopyCanToo) {
    TempDir dir;
    WriteFile(dir / "a", "A");
    WriteFile(dir / "b", "B");
    EXPECT_FALSE(MoveFile(dir / "a", dir / "b"));
    EXPECT_FALSE(CopyFile(dir / "a", dir / "b", true));
    EXPECT_EQ(ReadFile(dir / "b"), "B");
    EXPECT_TRUE(MoveFile(dir / "a", dir / "c"));
    EXPECT_FALSE(PathExists(dir / "a"));
    EXPECT_FALSE(CopyFile(dir / "missing", dir / "d", false));
}

TEST(Files, ListDirectoryAndFreeSpace) {
    TempDir dir;
    WriteFile(dir / "f", "");
    ASSERT_TRUE(CreateDirectory(dir / "d"));
    EXPECT_TRUE(CreateDirectory(dir / "d"));  // existing directory counts as success
    std::vector<DirEntry> entries;
    ASSERT_TRUE(ListDirectory(dir.Path(), entries));
    ASSERT_EQ(entries.size(), 2u);
    for (const DirEntry& e : entries) EXPECT_EQ(e.isDirectory, e.name == "d");
    EXPECT_FALSE(ListDirectory(dir / "missing", entries));

    uint64_t bytes = 0;
    EXPECT_TRUE(FreeSpace(dir.Path(), bytes));
    EXPECT_GT(bytes, 0u);
    EXPECT_FALSE(FreeSpace(dir / "missing", bytes));
    testsupport::ScopedFreeSpace fixed(1234);
    ASSERT_TRUE(FreeSpace(dir.Path(), bytes));
    EXPECT_EQ(bytes, 1234u);
}

TEST(Files, ReadWholeFileRefusesFilesOverTheLimit) {
    TempDir dir;
    WriteFile(dir / "f", std::string(100, 'x'));
    std::string data;
    EXPECT_TRUE(ReadWholeFile(dir / "f", data, 100));
    EXPECT_EQ(data.size(), 100u);
    EXPECT_FALSE(ReadWholeFile(dir / "f", data, 99));
    EXPECT_FALSE(ReadWholeFile(dir.Path(), data));  // a directory is not a file
}

TEST(Files, InjectedWriteFaultFailsTheWrite) {
    TempDir dir;
    testsupport::ScopedFault fault(testsupport::FaultOp::Write, 1, ENOSPC);
    EXPECT_FALSE(WriteWholeFile(dir / "f", "data"));
    EXPECT_EQ(fault.Calls(), 1);
}

TEST(Text, CodePage936RoundTripsThroughUtf16AndUtf8) {
    const std::string gbk = "\xD6\xD0\xCE\xC4 ok";  // "中文 ok"
    EXPECT_EQ(AnsiToUtf16(gbk), u"中文 ok");
    EXPECT_EQ(Utf16ToAnsi(u"中文 ok"), gbk);
    EXPECT_EQ(AnsiToUtf8(gbk), "中文 ok");
    EXPECT_EQ(Utf8ToAnsi("中文 ok"), gbk);
    EXPECT_EQ(Utf16ToUtf8(u"한국어"), "한국어");
    EXPECT_EQ(Utf8ToUtf16("한국어"), u"한국어");
}

TEST(Text, UnconvertibleInputBecomesQuestionMarks) {
    EXPECT_EQ(Utf8ToUtf16("a\xFF" "b"), u"a?b");
    EXPECT_EQ(Utf16ToAnsi(u"a한b"), "a?b");  // Hangul has no code page 936 form
    EXPECT_EQ(AnsiToUtf16(""), u"");
}

TEST(Text, EqualsNoCaseFoldsAsciiOnly) {
    EXPECT_TRUE(EqualsNoCase("DAVureruvo.EXE", "davureruvo.exe"));
    EXPECT_FALSE(EqualsNoCase("abc", "abd"));
    EXPECT_FALSE(EqualsNoCase("abc", "abcd"));
}

TEST(Thread, HasEndedIsAZeroTimeoutTest) {
    ManualResetEvent release;
    Thread thread;
    EXPECT_TRUE(thread.HasEnded());  // never started
    ASSERT_TRUE(thread.Start([&] { release.Wait(10000); }));
    EXPECT_FALSE(thread.HasEnded());
    release.Set();
    thread.Join();
    EXPECT_TRUE(thread.HasEnded());
}

TEST(Thread, StartReportsACreationFailure) {
    testsupport::ScopedFault fault(testsupport::FaultOp::CreateThread, 1, EAGAIN);
    Thread thread;
    bool ran = false;
    EXPECT_FALSE(thread.Start([&] { ran = true; }));
    EXPECT_TRUE(thread.HasEnded());
    EXPECT_FALSE(ran);
}

TEST(Thread, ManualResetEventStaysSetUntilReset) {
    ManualResetEvent event;
    EXPECT_FALSE(event.Wait(1));
    event.Set();
    EXPECT_TRUE(event.Wait(0));
    EXPECT_TRUE(event.Wait(0));
    event.Reset();
    EXPECT_FALSE(event.IsSet());
}

TEST(Clock, TickCountAdvancesInMilliseconds) {
    uint32_t before = GetTickCount();
    Sleep(20);
    uint32_t elapsed = GetTickCount() - before;  // unsigned difference survives the wrap
    EXPECT_GE(elapsed, 19u);
    EXPECT_LT(elapsed, 5000u);
}
