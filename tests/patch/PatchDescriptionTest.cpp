#include "patch/QzPatchInfo.h"
#include "platform/Profile.h"
#include "tests/support/TempDir.h"
#include "tools/publish/lib/EnvelopeWriter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using testsupport::ReadFile;
using testsupport::ScopedCurrentDir;
using testsupport::TempDir;
using testsupport::WriteFile;

class PatchDescriptionTest : public ::testing::Test {
protected:
    std::string Write(const std::string& text, bool enveloped) const {
        std::string content = text;
        if (enveloped) {
            EXPECT_TRUE(MakeEnvelope(text, content));
        }
        WriteFile(Path(), content);
        return Path();
    }
    std::string Path() const { return m_dir / "patchinfo_1.0_1.1.ini"; }

    TempDir m_dir;
    ScopedCurrentDir m_cwd{m_dir.Path()};
};

// Packages as "name|count|size|md5" and entries as "  path|type|reserved|md5|src".
std::vector<std::string> Rows(const QzPatchInfo& info) {
    std::vector<std::string> rows;
    for (const PatchPackageInfo& p : info.GetPackageInfoVec()) {
        rows.push_back(p.m_strName + "|" + std::to_string(p.m_nFileCount) + "|" +
                       std::to_string(p.m_nSize) + "|" + p.m_strMd5);
        for (const PatchFileInfo& f : p.m_vecFiles) {
            rows.push_back("  " + f.m_strFilePath + "|" + std::to_string(f.m_nType) + "|" +
                           std::to_string(f.m_nReserved) + "|" + f.m_md5Check + "|" +
                           f.m_strSrcMd5);
        }
    }
    return rows;
}

const std::string kVersions = "[PatchVersion]\r\nVersionOld=1.0\r\nVersionNew=1.1\r\n";

struct DescriptionCase {
    const char* what;
    std::string text;
    std::vector<std::string> patchRows;    // InputPatchInfoFile
    std::vector<std::string> installRows;  // InputInstallInfoFile: packages only
};

const DescriptionCase kCases[] = {
    {"a full patch",
     kVersions +
         "[Packages]\r\nPackageNum=2\r\nPackage0=p0.zip,3,1200,MD5P0\r\nPackage1=p1.zip,0,77,MD5P1\r\n"
         "[Package0]\r\nFile0=bin\\game.exe,2,0,NEW0,OLD0\r\nFile1=data\\new.pak,1,0,NEW1\r\n"
         "File2=old.txt,3,0\r\n",
     {"p0.zip|3|1200|MD5P0", "  bin\\game.exe|2|0|NEW0|OLD0", "  data\\new.pak|1|0|NEW1|",
      "  old.txt|3|0||", "p1.zip|0|77|MD5P1"},
     {"p0.zip|3|1200|MD5P0", "p1.zip|0|77|MD5P1"}},
    {"entries of unknown types and a missing key stay in the sequence",
     kVersions +
         "[Packages]\r\nPackageNum=1\r\nPackage0=p.zip,4,1,M\r\n"
         "[Package0]\r\nFile0=a,0,0,X\r\nFile1=b,4,0,Y\r\nFile3=d,1,9,Z\r\n",
     {"p.zip|4|1|M", "  a|0|0|X|", "  b|4|0|Y|", "  |0|0||", "  d|1|9|Z|"},
     {"p.zip|4|1|M"}},
    {"names in another case; empty fields move the rest up",
     "[PATCHVERSION]\r\nversionold=1.0\r\nVERSIONNEW=1.1\r\n"
     "[PACKAGES]\r\nPACKAGENUM=1\r\npackage0=p.zip,,1,2,M\r\n[package0]\r\nfile0=a,,1,0,X\r\n",
     {"p.zip|1|2|M", "  a|1|0|X|"},
     {"p.zip|1|2|M"}},
    {"short package lines leave fields empty",
     kVersions + "[Packages]\r\nPackageNum=2\r\nPackage0=only.zip\r\nPackage1=two.zip,1\r\n"
                 "[Package1]\r\nFile0=x,1\r\n",
     {"only.zip|0|0|", "two.zip|1|0|", "  x|1|0||"},
     {"only.zip|0|0|", "two.zip|1|0|"}},
    {"a package count beyond the lines present stops at the first missing line",
     kVersions + "[Packages]\r\nPackageNum=2147483647\r\nPackage0=a.zip,0,1,M\r\n"
                 "Package2=c.zip,0,1,M\r\n",
     {"a.zip|0|1|M"},
     {"a.zip|0|1|M"}},
    {"an empty package line ends the list",
     kVersions + "[Packages]\r\nPackageNum=3\r\nPackage0=a.zip,0,1,M\r\nPackage1=\r\n"
                 "Package2=c.zip,0,1,M\r\n",
     {"a.zip|0|1|M"},
     {"a.zip|0|1|M"}},
    {"file counts beyond what the file can hold are cut to its lines",
     kVersions + "[Packages]\r\nPackageNum=2\r\nPackage0=a.zip,2147483647,1,M\r\n"
                 "Package1=b.zip,2147483647,1,M\r\n[Package0]\r\nFile0=x,1,0,X\r\n",
     // 9 lines: package 0 takes all nine entries, package 1 none.
     {"a.zip|2147483647|1|M", "  x|1|0|X|", "  |0|0||", "  |0|0||", "  |0|0||", "  |0|0||",
      "  |0|0||", "  |0|0||", "  |0|0||", "  |0|0||", "b.zip|2147483647|1|M"},
     {"a.zip|2147483647|1|M", "b.zip|2147483647|1|M"}},
    {"negative counts", kVersions + "[Packages]\r\nPackageNum=-1\r\nPackage0=a.zip,0,1,M\r\n", {}, {}},
    {"garbage", std::string("\x7f\x01[[[==\xff\n\x00\x00", 11), {}, {}},
};

TEST_F(PatchDescriptionTest, ReadersOnPlainAndEnvelopedFiles) {
    for (const DescriptionCase& c : kCases) {
        SCOPED_TRACE(c.what);
        for (bool enveloped : {false, true}) {
            SCOPED_TRACE(enveloped ? "enveloped" : "plain");
            QzPatchInfo patch;
            ASSERT_EQ(patch.InputPatchInfoFile(Write(c.text, enveloped)), 0);
            EXPECT_EQ(Rows(patch), c.patchRows);
            // Unwrapped in place: the file now holds the plain text, byte for byte.
            EXPECT_EQ(ReadFile(Path()), c.text);

            QzPatchInfo install;
            ASSERT_EQ(install.InputInstallInfoFile(Write(c.text, enveloped)), 0);
            EXPECT_EQ(Rows(install), c.installRows);
            EXPECT_EQ(ReadFile(Path()), c.text);
        }
    }
}

TEST_F(PatchDescriptionTest, VersionsAndProfileReadAfterUnwrap) {
    QzPatchInfo info;
    ASSERT_EQ(info.InputPatchInfoFile(Write(kCases[0].text, true)), 0);
    EXPECT_EQ(info.GetVersionOld(), "1.0");
    EXPECT_EQ(info.GetVersionNew(), "1.1");
    // The procedures read the package list from the same file afterwards.
    EXPECT_EQ(platform::GetProfileString("Packages", "Package1", "", 520, Path()),
              "p1.zip,0,77,MD5P1");
}

TEST_F(PatchDescriptionTest, ValuesAreCutTo519Characters) {
    const std::string longName(600, 'n');
    QzPatchInfo info;
    ASSERT_EQ(info.InputInstallInfoFile(
                  Write("[Packages]\nPackageNum=1\nPackage0=" + longName + "\n", false)),
              0);
    ASSERT_EQ(info.GetPackageInfoVec().size(), 1u);
    EXPECT_EQ(info.GetPackageInfoVec()[0].m_strName, std::string(519, 'n'));
}

TEST_F(PatchDescriptionTest, UnreadableDescriptions) {
    std::string tampered;
    ASSERT_TRUE(MakeEnvelope(kCases[0].text, tampered));
    tampered.back() ^= 0x20;
    const struct {
        const char* what;
        std::string path;
        int patchResult;
        int installResult;
    } cases[] = {
        {"empty path", "", -1, -1},
        {"missing file", m_dir / "missing.ini", -1, 0},
        {"CRC mismatch", Path(), -1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile(Path(), tampered);
        QzPatchInfo patch;
        EXPECT_EQ(patch.InputPatchInfoFile(c.path), c.patchResult);
        EXPECT_TRUE(patch.GetPackageInfoVec().empty());
        EXPECT_EQ(patch.GetVersionOld(), "");
        WriteFile(Path(), tampered);
        QzPatchInfo install;
        EXPECT_EQ(install.InputInstallInfoFile(c.path), c.installResult);
        EXPECT_TRUE(install.GetPackageInfoVec().empty());
    }
}

}  // namespace
