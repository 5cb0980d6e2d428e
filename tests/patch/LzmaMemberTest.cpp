#include <filesystem>

#include "patch/QzPackageUnpacker.h"
#include "tests/patch/PackageTestData.h"
#include "tools/publish/lib/LzmaChunkWriter.h"

using packagetest::MixedData;
using testsupport::ReadFile;
using testsupport::WriteFile;
using testsupport::WriteFileMakingDirs;

namespace {

constexpr uint32_t kChunk = 4096;

std::string Encode(const std::string& data, uint32_t chunkSize = kChunk) {
    LzmaChunkOptions options;
    options.level = 1;
    options.chunkSize = chunkSize;
    std::string member;
    std::string error;
    EXPECT_TRUE(EncodeLzmaMember(data, options, member, &error)) << error;
    return member;
}

void PutLE32(std::string& bytes, size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[offset + i] = char((value >> (8 * i)) & 0xFF);
    }
}

uint32_t GetLE32(const std::string& bytes, size_t offset) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = value << 8 | uint8_t(bytes[offset + i]);
    }
    return value;
}

class LzmaMemberTest : public packagetest::WorkDirTest {
protected:
    LzmaMemberTest() : m_unpacker(m_dir.Path() + "/work\\") {}

    // Places a member where DoUnLzma looks for it.
    void PlaceMember(const std::string& memberPath, const std::string& bytes) {
        WriteFileMakingDirs(PathOf("work/Unzip/" + memberPath), bytes);
    }
    std::string Member(const std::string& memberPath) const {
        return ReadFile(PathOf("work/Unzip/" + memberPath));
    }

    QzPackageUnpacker m_unpacker;
};

TEST_F(LzmaMemberTest, CheckIsLzmaLooksAtTheFirstFourOfTwelveBytes) {
    struct Case {
        const char* what;
        std::string bytes;
        bool lzma;
        const char* logged;
    } cases[] = {
        {"chunk header", Encode("hello"), true, nullptr},
        {"twelve bytes", std::string("LZMA\0\0\0\0\0\0\0\0", 12), true, nullptr},
        {"eleven bytes", std::string("LZMA\0\0\0\0\0\0\0", 11), false, "Analysis Error, file read error  Path ="},
        {"other magic", "LZMX and more bytes", false, nullptr},
        {"tagged file", std::string("QZXD\0VCDIFF data", 16), false, nullptr},
        {"empty", "", false, "Analysis Error, file read error  Path ="},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(PathOf("Launch.log"));
        WriteFile(PathOf("m.bin"), c.bytes);
        EXPECT_EQ(QzPackageUnpacker::CheckIsLzma(PathOf("m.bin")), c.lzma);
        EXPECT_NE(Log().find("Start CheckIsLzma"), std::string::npos);
        if (c.logged != nullptr) {
            EXPECT_NE(Log().find(c.logged), std::string::npos) << Log();
        }
    }
    EXPECT_FALSE(QzPackageUnpacker::CheckIsLzma(PathOf("missing.bin")));
    EXPECT_NE(Log().find("Analysis Error, CheckIsLzma error  Path =" + PathOf("missing.bin")),
              std::string::npos);
}

TEST_F(LzmaMemberTest, DecodesChunkedMembersInPlace) {
    const struct {
        const char* what;
        size_t size;
    } cases[] = {
        {"empty file, one empty chunk", 0},
        {"one byte", 1},
        {"one chunk less a byte", kChunk - 1},
        {"exactly one chunk", kChunk},
        {"two chunks and a bit", 2 * kChunk + 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string data = MixedData(c.size, uint32_t(c.size));
        const std::string member = Encode(data);
        ASSERT_EQ(member.substr(0, 4), "LZMA");
        PlaceMember("dir/file.dat", member);
        ASSERT_TRUE(m_unpacker.DoUnLzma("dir\\file.dat"));
        EXPECT_EQ(Member("dir/file.dat"), data);
        EXPECT_FALSE(Exists("work/Unzip/Temp/dir/file.dat"));
    }
}

TEST_F(LzmaMemberTest, MembersAreTheConcatenationOfIndependentChunks) {
    // Two members encoded with different chunk sizes and levels, laid back to back.
    const std::string first = MixedData(3000, 7);
    const std::string second = MixedData(9000, 8);
    PlaceMember("joined.bin", Encode(first, 1000) + Encode(second, 8192));
    ASSERT_TRUE(m_unpacker.DoUnLzma("joined.bin"));
    EXPECT_EQ(Member("joined.bin"), first + second);
}

TEST_F(LzmaMemberTest, BadChunksFailTheMember) {
    const std::string good = Encode(MixedData(2 * kChunk, 9));
    const size_t second = GetLE32(good, 8);  // offset of the second chunk
    ASSERT_LT(second, good.size());

    struct Case {
        const char* what;
        std::string bytes;
    };
    std::vector<Case> cases;
    auto mutate = [&](const char* what, auto change) {
        std::string bytes = good;
        change(bytes);
        cases.push_back({what, bytes});
    };
    mutate("wrong magic in the second chunk", [&](std::string& b) { b[second] = 'X'; });
    mutate("length below 17", [&](std::string& b) { PutLE32(b, 8, 16); });
    mutate("length zero", [&](std::string& b) { PutLE32(b, 8, 0); });
    mutate("length beyond the member", [&](std::string& b) { PutLE32(b, second + 8, uint32_t(b.size() - second + 1)); });
    mutate("length 4 GiB - 1", [&](std::string& b) { PutLE32(b, 8, 0xFFFFFFFFu); });
    mutate("absurd decoded size", [&](std::string& b) { PutLE32(b, 4, 0xFFFFFFF0u); });
    mutate("decoded size just above the bound",
           [&](std::string& b) { PutLE32(b, 4, LZMA_CHUNK_MAX_DECODED_SIZE + 1); });
    mutate("decoded size far above the stream", [&](std::string& b) { PutLE32(b, 4, 64u << 20); });
    mutate("decoded size too small for the length", [&](std::string& b) { PutLE32(b, 4, 0); });
    mutate("unsupported properties", [&](std::string& b) { b[12] = char(0xFF); });
    mutate("last byte cut", [&](std::string& b) { b.pop_back(); });
    mutate("short header at the end", [&](std::string& b) { b += "LZMA"; });
    mutate("trailing garbage", [&](std::string& b) { b += std::string(40, 'g'); });
    cases.push_back({"too short for a header", "LZMA\x01"});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PlaceMember("bad.bin", c.bytes);
        EXPECT_FALSE(m_unpacker.DoUnLzma("bad.bin"));
    }
    // The buffer kept from earlier chunks still decodes good members afterwards.
    PlaceMember("good.bin", good);
    EXPECT_TRUE(m_unpacker.DoUnLzma("good.bin"));
}

TEST_F(LzmaMemberTest, EmptyPathOrMissingMemberFails) {
    EXPECT_FALSE(m_unpacker.DoUnLzma(""));
    EXPECT_NE(Log().find("Analysis Error,DoUnLzma error  Path ="), std::string::npos);
    EXPECT_FALSE(m_unpacker.DoUnLzma("missing.bin"));
    EXPECT_NE(Log().find("Start DoUnLzma"), std::string::npos);
}

TEST_F(LzmaMemberTest, UnLzmaBlockDecodesOneChunk) {
    const std::string data = MixedData(3000, 11);
    const std::string chunk = Encode(data);
    const uint8_t* decoded = nullptr;
    size_t length = 0;
    ASSERT_TRUE(m_unpacker.UnLzmaBlock(reinterpret_cast<const uint8_t*>(chunk.data()), chunk.size(),
                                       decoded, length));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(decoded), length), data);
    EXPECT_FALSE(m_unpacker.UnLzmaBlock(reinterpret_cast<const uint8_t*>(chunk.data()), 16, decoded, length));
}

}  // namespace
