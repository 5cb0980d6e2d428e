#include <zip.h>

#include <filesystem>

#include "patch/QzPackageUnpacker.h"
#include "patch/RelativePath.h"
#include "tests/patch/PackageTestData.h"
#include "tools/publish/lib/ZipPackageWriter.h"

using packagetest::MixedData;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

class UnzipPackageTest : public packagetest::WorkDirTest {
protected:
    struct Member {
        std::string name;
        std::string data;
        ZipMethod method = ZipMethod::Deflate;
    };

    std::string WriteArchive(const std::vector<Member>& members, const std::string& name = "pkg.zip") {
        ZipPackageWriter writer;
        EXPECT_TRUE(writer.Open(PathOf(name))) << writer.Error();
        for (const Member& m : members) {
            if (m.name.back() == '/') {
                EXPECT_TRUE(writer.AddDirectory(m.name)) << writer.Error();
            } else {
                EXPECT_TRUE(writer.AddBytes(m.name, m.data, m.method)) << writer.Error();
            }
        }
        EXPECT_TRUE(writer.Close()) << writer.Error();
        return PathOf(name);
    }

    // Every regular file below the test directory except the archives and the log.
    std::vector<std::string> FilesWritten() const {
        std::vector<std::string> files;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(m_dir.Path())) {
            const std::string name = entry.path().filename().string();
            if (entry.is_regular_file() && name != "Launch.log" && entry.path().extension() != ".zip") {
                files.push_back(std::filesystem::relative(entry.path(), m_dir.Path()).string());
            }
        }
        return files;
    }
};

TEST_F(UnzipPackageTest, ExtractsFilesBelowTheDestination) {
    std::string big(QZ_COPY_BLOCK_SIZE + 123, 'b');
    big.replace(0, 4000, MixedData(4000, 1));
    big.replace(big.size() - 4000, 4000, MixedData(4000, 6));  // crosses a block boundary
    const std::string archive = WriteArchive({
        {"data/", ""},
        {"data/a.txt", "alpha", ZipMethod::Deflate},
        {"data\\sub\\b.bin", MixedData(5000, 2), ZipMethod::Store},
        {"big.pak", big, ZipMethod::Store},
        {"empty.txt", "", ZipMethod::Store},
    });
    ASSERT_TRUE(QzPackageUnpacker::UnzipPackage(archive, PathOf("out")));

    EXPECT_EQ(ReadFile(PathOf("out/data/a.txt")), "alpha");
    EXPECT_EQ(ReadFile(PathOf("out/data/sub/b.bin")), MixedData(5000, 2));
    EXPECT_EQ(ReadFile(PathOf("out/big.pak")), big);
    EXPECT_FALSE(Exists("out/empty.txt")) << "a member of size 0 makes no file";
}

TEST_F(UnzipPackageTest, LaterMembersOverwriteEarlierExtractions) {
    std::filesystem::create_directories(PathOf("out"));
    WriteFile(PathOf("out/a.txt"), "a much longer earlier content");
    ASSERT_TRUE(QzPackageUnpacker::UnzipPackage(WriteArchive({{"a.txt", "new"}}), PathOf("out")));
    EXPECT_EQ(ReadFile(PathOf("out/a.txt")), "new");
}

TEST_F(UnzipPackageTest, MemberWithUnsupportedCompressionIsPassedOver) {
    if (!zip_compression_method_supported(ZIP_CM_BZIP2, 1)) {
        GTEST_SKIP() << "libzip without bzip2";
    }
    const std::string archive = WriteArchive({
        {"first.txt", "one"},
        {"packed.txt", MixedData(3000, 3), ZipMethod::Bzip2},
        {"last.txt", "three"},
    });
    ASSERT_TRUE(QzPackageUnpacker::UnzipPackage(archive, PathOf("out")));
    EXPECT_EQ(ReadFile(PathOf("out/first.txt")), "one");
    EXPECT_FALSE(Exists("out/packed.txt"));
    EXPECT_EQ(ReadFile(PathOf("out/last.txt")), "three");
}

TEST_F(UnzipPackageTest, UnsafeMemberNamesRefuseThePackageWithNothingWritten) {
    const std::string absolute = PathOf("abs-evil.txt");
    const std::vector<std::string> names = {
        "../evil.txt",       "..\\evil.txt",      "sub/../../evil.txt", "sub\\..\\..\\evil.txt",
        "sub/..\\..\\evil.txt", absolute,         "\\evil.txt",         "C:\\evil.txt",
        "C:evil.txt",        "..",
    };
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        std::filesystem::remove_all(PathOf("out"));
        const std::string archive = WriteArchive({{"good.txt", "fine"}, {name, "evil"}, {"z.txt", "z"}});
        std::filesystem::remove(PathOf("Launch.log"));
        EXPECT_FALSE(QzPackageUnpacker::UnzipPackage(archive, PathOf("out")));
        EXPECT_NE(Log().find("unsafe member name  Name =" + name), std::string::npos) << Log();
        EXPECT_EQ(FilesWritten(), std::vector<std::string>{});
        EXPECT_FALSE(std::filesystem::exists(absolute));
    }
}

TEST_F(UnzipPackageTest, DamagedOrMissingArchivesFail) {
    const std::string good = ReadFile(WriteArchive({{"a.txt", MixedData(20000, 4)}, {"b.txt", "bee"}}));
    // The uncompressed size in the central directory of the first member, raised by 100, so
    // the member yields fewer bytes than announced.
    std::string shortMember = good;
    const size_t central = shortMember.find(std::string("PK\x01\x02", 4));
    ASSERT_NE(central, std::string::npos);
    shortMember[central + 24] = char(uint8_t(shortMember[central + 24]) + 100);

    struct Case {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"end record cut", good.substr(0, good.size() - 10)},
        {"first half only", good.substr(0, good.size() / 2)},
        {"empty file", ""},
        {"not an archive", MixedData(4000, 5)},
        {"member shorter than its size", shortMember},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile(PathOf("bad.zip"), c.bytes);
        EXPECT_FALSE(QzPackageUnpacker::UnzipPackage(PathOf("bad.zip"), PathOf("out")));
    }
    EXPECT_FALSE(QzPackageUnpacker::UnzipPackage(PathOf("missing.zip"), PathOf("out")));
    EXPECT_FALSE(QzPackageUnpacker::UnzipPackage("", PathOf("out")));
    EXPECT_FALSE(QzPackageUnpacker::UnzipPackage(PathOf("bad.zip"), ""));
}

TEST(RelativePath, OnlyPathsThatStayInsideAreContained) {
    struct Case {
        const char* path;
        bool contained;
    } cases[] = {
        {"a.txt", true},       {"data/a.txt", true},    {"data\\sub\\a.txt", true},
        {"./a.txt", true},     {"..a/b", true},         {"a..b\\c", true},
        {"", false},           {"..", false},           {"../a", false},
        {"..\\a", false},      {"a/../../b", false},    {"a\\..\\b", false},
        {"/etc/passwd", false}, {"\\a", false},         {"C:\\a", false},
        {"C:a", false},        {"a/..", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsContainedRelativePath(c.path), c.contained) << c.path;
    }
}

}  // namespace
