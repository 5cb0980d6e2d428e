#include "patch/QzPackageUnpacker.h"
#include "tests/patch/PackageTestData.h"

using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

const std::string CP("QZCP\0", 5);
const std::string XD("QZXD\0", 5);
const std::string RS("QZRS\0", 5);

using MemberTagsTest = packagetest::WorkDirTest;

TEST_F(MemberTagsTest, LeadingTagsAreRemovedInOrder) {
    struct Case {
        const char* what;
        std::string member;
        std::string content;
        bool delta;
    } cases[] = {
        {"no tag", "plain content", "plain content", false},
        {"copy tag", CP + "content", "content", false},
        {"copy then delta", CP + XD + "content", "content", true},
        {"delta then copy: copy stays", XD + CP + "content", CP + "content", true},
        {"all three", CP + XD + RS + "x", "x", true},
        {"resource tag only", RS, "", false},
        {"delta tag only", XD, "", true},
        {"repeated copy tag stays", CP + CP + "y", CP + "y", false},
        {"tag without its NUL", "QZCPQZXD" + std::string(5, 'z'), "QZCPQZXD" + std::string(5, 'z'), false},
        {"shorter than a tag", "QZCP", "QZCP", false},
        {"empty", "", "", false},
    };
    QzPackageUnpacker unpacker;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        unpacker.m_bUserXdel = !c.delta;  // the call must set or clear it
        WriteFile(PathOf("member"), c.member);
        ASSERT_TRUE(unpacker.DoAnalysisFile(PathOf("member"), PathOf("out\\sub\\file")));
        EXPECT_EQ(ReadFile(PathOf("out/sub/file")), c.content);
        EXPECT_EQ(unpacker.m_bUserXdel, c.delta);
    }
    EXPECT_NE(Log().find("Start DoAnalysisFile"), std::string::npos);
}

TEST_F(MemberTagsTest, TagBytesAtALaterBlockAreContent) {
    std::string member = XD + std::string(QZ_COPY_BLOCK_SIZE - XD.size(), 'c');
    member += CP + "tail";  // the second 10 MiB block begins with tag bytes
    WriteFile(PathOf("member"), member);
    QzPackageUnpacker unpacker;
    ASSERT_TRUE(unpacker.DoAnalysisFile(PathOf("member"), PathOf("out")));
    EXPECT_EQ(ReadFile(PathOf("out")), member.substr(XD.size()));
    EXPECT_TRUE(unpacker.m_bUserXdel);
}

TEST_F(MemberTagsTest, MissingSourceOrEmptyPathsFail) {
    QzPackageUnpacker unpacker;
    WriteFile(PathOf("member"), XD + "delta");
    ASSERT_TRUE(unpacker.DoAnalysisFile(PathOf("member"), PathOf("out")));
    EXPECT_FALSE(unpacker.DoAnalysisFile(PathOf("missing"), PathOf("out")));
    EXPECT_FALSE(unpacker.m_bUserXdel) << "a failed analysis leaves no stale delta flag";
    EXPECT_FALSE(unpacker.DoAnalysisFile("", PathOf("out")));
    EXPECT_FALSE(unpacker.DoAnalysisFile(PathOf("member"), ""));
    EXPECT_FALSE(unpacker.DoAnalysisFile(m_dir.Path(), PathOf("out"))) << "a directory is no member";
}

}  // namespace
