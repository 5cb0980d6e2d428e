#include "patch/QzVersionRepairInfo.h"
#include "platform/Files.h"
#include "tests/support/TempDir.h"
#include "tools/publish/lib/EnvelopeWriter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using testsupport::ReadFile;
using testsupport::ScopedCurrentDir;
using testsupport::TempDir;
using testsupport::WriteFile;

// Each test gets its own temporary directory for the working copy and its own current
// directory for the log.
class VersionListTest : public ::testing::Test {
protected:
    VersionListTest() {
        const char* old = std::getenv("TMPDIR");
        m_hadTmp = old != nullptr;
        if (m_hadTmp) m_oldTmp = old;
        setenv("TMPDIR", m_tmp.Path().c_str(), 1);
    }
    ~VersionListTest() override {
        if (m_hadTmp) {
            setenv("TMPDIR", m_oldTmp.c_str(), 1);
        } else {
            unsetenv("TMPDIR");
        }
    }
    std::string WorkCopy() const { return m_tmp / UNCYPT_WORK_NAME; }
    std::string List(const std::string& text) const {
        WriteFile(m_dir / "GameInfo.ini", text);
        return m_dir / "GameInfo.ini";
    }
    std::string EnvelopedList(const std::string& text) const {
        std::string wrapped;
        EXPECT_TRUE(MakeEnvelope(text, wrapped));
        return List(wrapped);
    }

    TempDir m_dir;
    TempDir m_tmp;
    ScopedCurrentDir m_cwd{m_dir.Path()};
    bool m_hadTmp = false;
    std::string m_oldTmp;
};

// Entries as "path|md5|crc|size|flag" for compact comparison.
std::vector<std::string> Rows(const QzVersionRepairInfo& info) {
    std::vector<std::string> rows;
    for (const RepairFileInfo& f : info.GetRepairFileInfoVec()) {
        rows.push_back(f.m_strFilePath + "|" + f.m_strMd5 + "|" + f.m_strCrc + "|" +
                       std::to_string(f.m_nFileSize) + "|" + std::to_string(f.m_nCheckFlag));
    }
    return rows;
}

struct ListCase {
    const char* what;
    std::string text;
    std::string version;
    std::vector<std::string> rows;
};

TEST_F(VersionListTest, FullReaderEntries) {
    const std::string head = "[Version]\r\nVersion=1.0.7\r\n[FileList]\r\n";
    const ListCase cases[] = {
        {"well formed",
         head + "FileCount=2\r\nFile0=client\\a.dat,MD5A,CRCA,10,1\r\nFile1=b.txt,MD5B,CRCB,0,0\r\n",
         "1.0.7",
         {"client\\a.dat|MD5A|CRCA|10|1", "b.txt|MD5B|CRCB|0|0"}},
        {"a missing index is skipped, later ones still read",
         head + "FileCount=3\r\nFile0=a,M,C,1,0\r\nFile2=c,M,C,3,0\r\n",
         "1.0.7",
         {"a|M|C|1|0", "c|M|C|3|0"}},
        {"four or six fields skipped; an empty field moves the rest up",
         head + "FileCount=3\r\nFile0=a,M,C,1\r\nFile1=b,M,C,1,0,x\r\nFile2=c,M,,C,2,1\r\n",
         "1.0.7",
         {"c|M|C|2|1"}},
        {"indexes at or above the count are ignored",
         head + "FileCount=1\r\nFile0=a,M,C,1,0\r\nFile1=b,M,C,1,0\r\n",
         "1.0.7",
         {"a|M|C|1|0"}},
        {"zero count", head + "FileCount=0\r\nFile0=a,M,C,1,0\r\n", "1.0.7", {}},
        {"negative count", head + "FileCount=-4\r\nFile0=a,M,C,1,0\r\n", "1.0.7", {}},
        {"missing count", head + "File0=a,M,C,1,0\r\n", "1.0.7", {}},
        {"count is not a number", head + "FileCount=many\r\nFile0=a,M,C,1,0\r\n", "1.0.7", {}},
        {"size and flag read as leading digits",
         head + "FileCount=1\r\nFile0=a,M,C,123abc,7x\r\n",
         "1.0.7",
         {"a|M|C|123|7"}},
        {"entries in index order whatever the line order; the first of a key wins",
         head + "FileCount=3\r\nFile2=c,M,C,3,0\r\nFile0=a,M,C,1,0\r\nFile0=z,M,C,9,0\r\n"
                "File1=b,M,C,2,0\r\n",
         "1.0.7",
         {"a|M|C|1|0", "b|M|C|2|0", "c|M|C|3|0"}},
        {"keys with leading zeros or another case are not entry keys",
         head + "FileCount=2\r\nFile01=x,M,C,1,0\r\nfile1=y,M,C,1,0\r\nFile1=b,M,C,2,0\r\n",
         "1.0.7",
         {"b|M|C|2|0"}},
        {"names match exactly: another case reads as missing",
         "[version]\r\nVersion=9\r\n[filelist]\r\nFileCount=1\r\nFile0=a,M,C,1,0\r\n",
         "",
         {}},
        {"a comment marker ends the value",
         "[Version]\r\nVersion=2.1#beta\r\n[FileList]\r\nFileCount=1\r\nFile0=a,M,C,1,0 # x\r\n",
         "2.1",
         {"a|M|C|1|0"}},
        {"a line that fails to parse ends the file; what came before stays",
         head + "FileCount=3\r\nFile0=a,M,C,1,0\r\nnot an entry\r\nFile1=b,M,C,2,0\r\n",
         "1.0.7",
         {"a|M|C|1|0"}},
        {"a count far beyond the lines present",
         head + "FileCount=2147483647\r\nFile0=a,M,C,1,0\r\nFile5=f,M,C,6,0\r\n",
         "1.0.7",
         {"a|M|C|1|0", "f|M|C|6|0"}},
        {"garbage", std::string("\x01\x02\xff\xfe=\x00\n[", 9), "", {}},
        {"empty file", "", "", {}},
    };
    for (const ListCase& c : cases) {
        SCOPED_TRACE(c.what);
        for (bool enveloped : {false, true}) {
            SCOPED_TRACE(enveloped ? "enveloped" : "plain");
            const std::string source = enveloped ? EnvelopedList(c.text) : List(c.text);
            const std::string before = ReadFile(source);
            QzVersionRepairInfo info;
            ASSERT_TRUE(info.InputVerRepairInfoFile(source));
            EXPECT_EQ(info.GetVersion(), c.version);
            EXPECT_EQ(Rows(info), c.rows);
            EXPECT_EQ(ReadFile(source), before) << "the source is never rewritten";
            EXPECT_FALSE(std::filesystem::exists(WorkCopy()));
        }
    }
}

TEST_F(VersionListTest, VersionOnlyReaderIgnoresCaseAndKeepsHash) {
    const struct {
        std::string text;
        std::string version;
    } cases[] = {
        {"[Version]\r\nVersion=1.0.7\r\n", "1.0.7"},
        {"[VERSION]\r\nversion = 3.2 \r\n", "3.2"},
        {"[Version]\r\nVersion=2.1#beta\r\n", "2.1#beta"},
        {"[Version]\r\nVersion=" + std::string(300, '9') + "\r\n", std::string(259, '9')},
        {"[Other]\r\nVersion=1\r\n", ""},
    };
    for (const auto& c : cases) {
        for (bool enveloped : {false, true}) {
            QzVersionRepairInfo info;
            ASSERT_TRUE(info.InputVerRepairInfoVersion(enveloped ? EnvelopedList(c.text)
                                                                 : List(c.text)));
            EXPECT_EQ(info.GetVersion(), c.version);
            EXPECT_TRUE(info.GetRepairFileInfoVec().empty());
            EXPECT_FALSE(std::filesystem::exists(WorkCopy()));
        }
    }
}

TEST_F(VersionListTest, ReadingAgainAppendsEntries) {
    QzVersionRepairInfo info;
    ASSERT_TRUE(info.InputVerRepairInfoFile(
        List("[Version]\nVersion=1\n[FileList]\nFileCount=1\nFile0=a,M,C,1,0\n")));
    ASSERT_TRUE(info.InputVerRepairInfoFile(
        List("[Version]\nVersion=2\n[FileList]\nFileCount=1\nFile0=b,M,C,2,0\n")));
    EXPECT_EQ(info.GetVersion(), "2");
    EXPECT_EQ(Rows(info), (std::vector<std::string>{"a|M|C|1|0", "b|M|C|2|0"}));
}

// When the envelope cannot be unwrapped both readers fail, keep what the object held and
// leave no working copy, even where an older copy was lying about.
TEST_F(VersionListTest, EnvelopeFailuresKeepTheObjectAndLeaveNoWorkingCopy) {
    std::string tampered;
    ASSERT_TRUE(MakeEnvelope("[Version]\nVersion=5\n", tampered));
    tampered.back() ^= 0x10;
    WriteFile(m_dir / "tampered.ini", tampered);
    const struct {
        const char* what;
        std::string source;
    } cases[] = {
        {"CRC mismatch", m_dir / "tampered.ini"},
        {"missing source", m_dir / "missing.ini"},
        {"source is a directory", m_dir.Path()},
        {"empty path", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QzVersionRepairInfo info;
        ASSERT_TRUE(info.InputVerRepairInfoFile(
            List("[Version]\nVersion=1\n[FileList]\nFileCount=1\nFile0=a,M,C,1,0\n")));
        const std::string& source = c.source;

        WriteFile(WorkCopy(), "[Version]\nVersion=stale\n");
        ASSERT_TRUE(platform::SetReadOnly(WorkCopy(), true));
        EXPECT_FALSE(info.InputVerRepairInfoFile(source));
        EXPECT_FALSE(std::filesystem::exists(WorkCopy()));

        WriteFile(WorkCopy(), "[Version]\nVersion=stale\n");
        EXPECT_FALSE(info.InputVerRepairInfoVersion(source));
        EXPECT_FALSE(std::filesystem::exists(WorkCopy()));

        EXPECT_EQ(info.GetVersion(), "1");
        EXPECT_EQ(Rows(info), (std::vector<std::string>{"a|M|C|1|0"}));
    }
}

// A read-only source gives a read-only copy; it is still unwrapped and removed.
TEST_F(VersionListTest, ReadOnlySourceAndStaleCopy) {
    const std::string source = EnvelopedList("[Version]\nVersion=4\n[FileList]\nFileCount=0\n");
    const std::string before = ReadFile(source);
    ASSERT_TRUE(platform::SetReadOnly(source, true));
    WriteFile(WorkCopy(), "stale");
    ASSERT_TRUE(platform::SetReadOnly(WorkCopy(), true));
    QzVersionRepairInfo info;
    ASSERT_TRUE(info.InputVerRepairInfoFile(source));
    EXPECT_EQ(info.GetVersion(), "4");
    EXPECT_EQ(ReadFile(source), before);
    EXPECT_FALSE(std::filesystem::exists(WorkCopy()));
    ASSERT_TRUE(info.InputVerRepairInfoVersion(source));
    EXPECT_FALSE(std::filesystem::exists(WorkCopy()));
}

}  // namespace
