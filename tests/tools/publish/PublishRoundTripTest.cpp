// Publishes two versions of a small client and rebuilds the newer one from the older with
// the launcher's own unpacking steps: unzip, un-LZMA, strip tags, apply deltas.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>

#include "download/QzChecksum_MD5.h"
#include "patch/QzPackageUnpacker.h"
#include "patch/QzPatchInfo.h"
#include "patch/QzPatcher_xdelta.h"
#include "patch/QzVersionRepairInfo.h"
#include "platform/Profile.h"
#include "tests/support/TempDir.h"
#include "tools/publish/lib/TreePublisher.h"

namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFileMakingDirs;

namespace {

uint32_t Next(uint32_t& s) {
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    return s;
}

std::string Bytes(size_t n, uint32_t seed, bool compressible) {
    std::string data(n, '\0');
    uint32_t s = seed * 2654435761u + 1;
    for (size_t i = 0; i < n; ++i) {
        data[i] = compressible ? "game data "[(i + s % 3) % 10] : char(Next(s));
        if (compressible && i % 97 == 0) Next(s);
    }
    return data;
}

// Every file below dir by relative path ("/" separators), with its bytes.
std::map<std::string, std::string> Tree(const std::string& dir) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
        if (e.is_regular_file()) files[fs::relative(e.path(), dir).generic_string()] = ReadFile(e.path());
    }
    return files;
}

std::string Md5(const std::string& path) {
    std::string text;
    EXPECT_TRUE(QzChecksum_MD5::Instance().DigestFileText(path, text)) << path;
    return text;
}

class PublishRoundTrip : public ::testing::Test {
protected:
    void SetUp() override {
        // Version 1.0.0 and 1.0.1 of a client: a changed executable (delta), a replaced
        // archive (whole), a deleted file, a new file, an unchanged empty file.
        const std::string exe = Bytes(150000, 1, true) + Bytes(20000, 2, false);
        std::string exe2 = exe;
        exe2.replace(1000, 300, Bytes(300, 3, false));
        exe2.insert(90000, Bytes(5000, 4, true));
        Write("v1/client/Morvane.exe", exe);
        Write("v1/client/data/a.pak", Bytes(30000, 5, false));
        Write("v1/client/data/gone.txt", "removed in 1.0.1");
        Write("v1/client/empty.dat", "");
        Write("v1/readme.txt", "version one");
        Write("v2/client/Morvane.exe", exe2);
        Write("v2/client/data/a.pak", Bytes(30000, 6, false));
        Write("v2/client/data/new.bin", Bytes(70000, 7, true));
        Write("v2/client/empty.dat", "");
        Write("v2/readme.txt", "version two");
        Write("launcher/DAVureruvo.exe", "launcher bytes");
    }

    void Write(const std::string& name, const std::string& data) { WriteFileMakingDirs(m_dir / name, data); }

    PublishRequest Request() const {
        PublishRequest request;
        request.outDir = m_dir / "www/VELDMOR";
        request.game = {{"1.0.0", m_dir / "v1"}, {"1.0.1", m_dir / "v2"}};
        request.launcher = VersionSource{"2.0", m_dir / "launcher"};
        request.patch.member.lzmaOptions.level = 1;
        request.patch.member.lzmaOptions.chunkSize = 16 * 1024;  // several chunks per member
        request.patch.packageBytes = 60 * 1024;                  // several packages
        return request;
    }

    // Installs from the install page into game, as the install procedure does.
    void Install(const std::string& game) {
        const std::string page = m_dir / "www/VELDMOR/InstallVersion/InstallPage_1.0.0";
        ASSERT_EQ(ReadFile(m_dir / "www/VELDMOR/InstallVersion/version"), "1.0.0");
        QzPatchInfo info;
        ASSERT_EQ(info.InputInstallInfoFile(page + "/intallinfo_1.0.0.ini"), 0);
        ASSERT_FALSE(info.GetPackageInfoVec().empty());
        for (const PatchPackageInfo& p : info.GetPackageInfoVec()) {
            EXPECT_EQ(Md5(page + "/" + p.m_strName), p.m_strMd5);
            ASSERT_TRUE(QzPackageUnpacker::UnzipPackage(page + "/" + p.m_strName, game));
        }
    }

    // Applies the patch from..to to game with the launcher's unpacking steps.
    void ApplyPatch(const std::string& game, const std::string& from, const std::string& to, int& deltas) {
        const std::string dir = m_dir / ("www/VELDMOR/AutoPatch/AutoPatch_" + from + "_" + to);
        const std::string work = m_dir / "TempUpdata/";
        fs::remove_all(work);
        fs::copy_file(dir + "/patchinfo_" + from + "_" + to + ".ini", m_dir / "info.ini",
                      fs::copy_options::overwrite_existing);
        QzPatchInfo info;
        ASSERT_EQ(info.InputPatchInfoFile(m_dir / "info.ini"), 0);
        ASSERT_EQ(info.GetVersionOld(), from);
        ASSERT_EQ(info.GetVersionNew(), to);
        QzPackageUnpacker unpacker(work);
        for (const PatchPackageInfo& p : info.GetPackageInfoVec()) {
            EXPECT_EQ(Md5(dir + "/" + p.m_strName), p.m_strMd5);
            EXPECT_EQ(int64_t(p.m_nSize), int64_t(fs::file_size(dir + "/" + p.m_strName)));
            ASSERT_EQ(p.m_nFileCount, int(p.m_vecFiles.size()));
            ASSERT_TRUE(QzPackageUnpacker::UnzipPackage(dir + "/" + p.m_strName, work + "Unzip"));
        }
        for (const PatchPackageInfo& p : info.GetPackageInfoVec()) {
            for (const PatchFileInfo& f : p.m_vecFiles) {
                SCOPED_TRACE(f.m_strFilePath);
                const std::string installed = game + "\\" + f.m_strFilePath;
                if (f.m_nType == PFT_DELETE) {
                    ASSERT_TRUE(fs::remove(platform_path(installed)));
                    continue;
                }
                const std::string member = work + "Unzip\\" + f.m_strFilePath;
                if (QzPackageUnpacker::CheckIsLzma(member)) {
                    ASSERT_TRUE(unpacker.DoUnLzma(f.m_strFilePath));
                }
                ASSERT_TRUE(unpacker.DoAnalysisFile(member, work + f.m_strFilePath));
                std::string result = work + f.m_strFilePath;
                if (unpacker.m_bUserXdel) {
                    ++deltas;
                    ASSERT_EQ(f.m_nType, PFT_UPDATE);
                    ASSERT_EQ(Md5(platform_path(installed)), f.m_strSrcMd5);
                    ASSERT_EQ(QzPatcher_xdelta::Instance().ApplyDelta(installed, work + f.m_strFilePath, member), 0);
                    result = member;
                }
                ASSERT_EQ(Md5(platform_path(result)), f.m_md5Check);
                fs::create_directories(fs::path(platform_path(installed)).parent_path());
                fs::copy_file(platform_path(result), platform_path(installed), fs::copy_options::overwrite_existing);
            }
        }
    }

    static std::string platform_path(std::string path) {
        for (char& c : path) {
            if (c == '\\') c = '/';
        }
        return path;
    }

    TempDir m_dir;
};

TEST_F(PublishRoundTrip, InstallThenPatchRebuildsTheNewVersionByteForByte) {
    const struct {
        const char* what;
        bool lzma;
        bool deltas;
        bool envelope;
    } cases[] = {
        {"LZMA members, deltas, enveloped lists", true, true, true},
        {"plain members, deltas", false, true, false},
        {"LZMA members, whole files only", true, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(m_dir / "www");
        fs::remove_all(m_dir / "game");
        PublishRequest request = Request();
        request.patch.member.lzma = c.lzma;
        request.patch.deltas = c.deltas;
        request.envelope = c.envelope;
        std::string error;
        std::vector<std::string> lines;
        request.game.pop_back();  // first the server with 1.0.0 only, to install from
        ASSERT_TRUE(PublishTree(request, nullptr, &error)) << error;
        const std::string game = m_dir / "game";
        Install(game);
        auto v1 = Tree(m_dir / "v1");
        auto installed = Tree(game);
        ASSERT_EQ(installed.count("GameInfo.ini"), 1u);
        installed.erase("GameInfo.ini");
        v1.erase("client/empty.dat");  // the archive reader skips empty members
        EXPECT_EQ(installed, v1);

        fs::remove_all(m_dir / "www");
        request = Request();
        request.patch.member.lzma = c.lzma;
        request.patch.deltas = c.deltas;
        request.envelope = c.envelope;
        ASSERT_TRUE(PublishTree(request, [&](const std::string& line) { lines.push_back(line); }, &error)) << error;
        const std::string history = m_dir / "www/VELDMOR/AutoPatch/AutoPatch.ini";
        EXPECT_EQ(platform::GetProfileInt("PatchHistory", "PatchNum", -1, history), 1);
        EXPECT_EQ(platform::GetProfileString("PatchHistory", "VersionNow", "", 260, history), "1.0.1");
        EXPECT_EQ(platform::GetProfileString("Patch_0", "VersionFrom", "", 260, history), "1.0.0");
        EXPECT_EQ(platform::GetProfileString("Patch_0", "VersionTo", "", 260, history), "1.0.1");

        fs::create_directories(m_dir / "game/client");
        WriteFileMakingDirs(m_dir / "game/client/empty.dat", "");
        int deltas = 0;
        ApplyPatch(game, "1.0.0", "1.0.1", deltas);
        if (HasFatalFailure()) return;
        EXPECT_EQ(deltas > 0, c.deltas);
        auto rebuilt = Tree(game);
        QzVersionRepairInfo list;
        ASSERT_TRUE(list.InputVerRepairInfoVersion(game + "/GameInfo.ini"));
        EXPECT_EQ(list.GetVersion(), "1.0.1");
        rebuilt.erase("GameInfo.ini");
        EXPECT_EQ(rebuilt, Tree(m_dir / "v2"));
        EXPECT_EQ(ReadFile(m_dir / "www/VELDMOR/GameVersion/version"), "1.0.1");
        EXPECT_EQ(ReadFile(m_dir / "www/VELDMOR/GameVersion/Game_1.0.1/client/data/new.bin"),
                  ReadFile(m_dir / "v2/client/data/new.bin"));
        EXPECT_EQ(ReadFile(m_dir / "www/VELDMOR/LauncherVersion/version"), "2.0");
        EXPECT_TRUE(fs::exists(m_dir / "www/VELDMOR/LauncherVersion/Launcher_2.0/GameInfo.ini"));
        EXPECT_FALSE(fs::exists(m_dir / "www/VELDMOR/publish.tmp"));
        EXPECT_FALSE(lines.empty());
    }
}

TEST(PublishPatch, APatchOfDeletesOnlyHasAnEmptyPackageThatExtracts) {
    TempDir dir;
    WriteFileMakingDirs(dir / "a.txt", "kept");
    WriteFileMakingDirs(dir / "b.txt", "deleted");
    const std::vector<TreeFile> before = {{"a.txt", dir / "a.txt", Md5(dir / "a.txt"), 4},
                                          {"b.txt", dir / "b.txt", Md5(dir / "b.txt"), 7}};
    const std::vector<TreeFile> after = {before[0]};
    PatchStats stats;
    std::string error;
    ASSERT_TRUE(PublishPatch(dir / "AutoPatch", "1", before, "2", after, PatchOptions{}, &stats, &error)) << error;
    EXPECT_EQ(stats.deletes, 1);
    EXPECT_EQ(stats.packages, 1);
    QzPatchInfo info;
    ASSERT_EQ(info.InputPatchInfoFile(dir / "AutoPatch/AutoPatch_1_2/patchinfo_1_2.ini"), 0);
    ASSERT_EQ(info.GetPackageInfoVec().size(), 1u);
    const PatchPackageInfo package = info.GetPackageInfoVec()[0];
    ASSERT_EQ(package.m_vecFiles.size(), 1u);
    EXPECT_EQ(package.m_vecFiles[0].m_strFilePath, "b.txt");
    EXPECT_EQ(package.m_vecFiles[0].m_nType, PFT_DELETE);
    EXPECT_TRUE(QzPackageUnpacker::UnzipPackage(dir / ("AutoPatch/AutoPatch_1_2/" + package.m_strName), dir / "out"));
}

TEST(PublishHistory, ListsEveryPatchInOrder) {
    EXPECT_EQ(FormatPatchHistory({{"1.0", "1.1"}, {"1.1", "1.2"}}, "1.2"),
              "[PatchHistory]\r\nPatchNum=2\r\nVersionNow=1.2\r\n"
              "[Patch_0]\r\nVersionFrom=1.0\r\nVersionTo=1.1\r\n"
              "[Patch_1]\r\nVersionFrom=1.1\r\nVersionTo=1.2\r\n");
}

TEST(PublishCommand, HelpSaysWhatItBuildsAndBadArgumentsFail) {
    const char* bin = std::getenv("DAV_BIN_DIR");
    if (bin == nullptr) GTEST_SKIP() << "DAV_BIN_DIR not set";
    const std::string tool = std::string(bin) + "/dav-publish";
    FILE* pipe = ::popen((tool + " --help").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string text;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
    EXPECT_EQ(::pclose(pipe), 0);
    for (const char* part : {"GameVersion", "InstallVersion", "AutoPatch.ini", "LauncherVersion", "--lzma-level",
                             "--chunk-kib", "--envelope"}) {
        EXPECT_NE(text.find(part), std::string::npos) << part;
    }
    EXPECT_NE(std::system((tool + " --bogus 2>/dev/null").c_str()), 0);
    EXPECT_NE(std::system((tool + " --out /nonexistent/x 2>/dev/null").c_str()), 0);
}

}  // namespace
