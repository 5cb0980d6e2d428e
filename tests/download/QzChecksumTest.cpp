#include "download/QzChecksum_CRC.h"
#include "download/QzChecksum_MD5.h"
#include "download/QzChecksum_SHA1.h"
#include "platform/SysOps.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

using testsupport::TempDir;
using testsupport::WriteFile;

struct Algo {
    const char* name;
    const QzChecksum& sum;
    uint32_t digestSize;
};

const Algo kAlgos[] = {
    {"CRC", QzChecksum_CRC::Instance(), CRC_DIGEST_SIZE},
    {"MD5", QzChecksum_MD5::Instance(), MD5_DIGEST_SIZE},
    {"SHA1", QzChecksum_SHA1::Instance(), SHA1_DIGEST_SIZE},
};

// Known digests in upper-case text form; the CRC bytes stand least significant first.
struct Known {
    const QzChecksum& sum;
    std::string content;
    std::string text;
};

const std::string kBigContent = [] {
    // Spans several read blocks and ends inside one, so block boundaries matter.
    std::string s(QzChecksumHashed::FILE_BLOCK_SIZE * 2 + 12345, '\0');
    for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<char>((i * 131 + i / 7) & 0xFF);
    return s;
}();

const Known kKnown[] = {
    {QzChecksum_CRC::Instance(), "", "00000000"},
    {QzChecksum_CRC::Instance(), "123456789", "2639F4CB"},
    {QzChecksum_CRC::Instance(), "abc", "C2412435"},
    {QzChecksum_MD5::Instance(), "", "D41D8CD98F00B204E9800998ECF8427E"},
    {QzChecksum_MD5::Instance(), "123456789", "25F9E794323B453885F5181F1B624D0B"},
    {QzChecksum_MD5::Instance(), "abc", "900150983CD24FB0D6963F7D28E17F72"},
    {QzChecksum_SHA1::Instance(), "", "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709"},
    {QzChecksum_SHA1::Instance(), "123456789", "F7C3BC1D808E04732ADF679965CCC34CA7AE3441"},
    {QzChecksum_SHA1::Instance(), "abc", "A9993E364706816ABA3E25717850C26C9CD0D89D"},
};

TEST(QzChecksum, KindsAndSharedInstances) {
    EXPECT_EQ(QzChecksum_CRC::Instance().GetKind(), 1);
    EXPECT_EQ(QzChecksum_MD5::Instance().GetKind(), 3);
    EXPECT_EQ(QzChecksum_SHA1::Instance().GetKind(), 3);
    EXPECT_EQ(&QzChecksum_MD5::Instance(), &QzChecksum_MD5::Instance());
}

// Every way into a digest agrees on the known values: file, buffer and string, as text and
// as bytes.
TEST(QzChecksum, KnownDigestsThroughEveryOperation) {
    TempDir dir;
    for (const Known& k : kKnown) {
        SCOPED_TRACE(k.text);
        const std::string path = dir / "f.bin";
        WriteFile(path, k.content);

        std::string text;
        ASSERT_TRUE(k.sum.DigestFileText(path, text));
        EXPECT_EQ(text, k.text);

        std::vector<uint8_t> digest(k.text.size() / 2, 0xAA);
        ASSERT_TRUE(k.sum.DigestFile(path, digest.data()));
        std::string hex;
        for (uint8_t b : digest) {
            char two[3];
            snprintf(two, sizeof two, "%02X", b);
            hex += two;
        }
        EXPECT_EQ(hex, k.text);

        if (k.content.empty()) continue;  // buffer and string operations refuse empty input
        const auto* data = reinterpret_cast<const uint8_t*>(k.content.data());
        const auto size = static_cast<uint32_t>(k.content.size());
        std::string bufferText;
        ASSERT_TRUE(k.sum.DigestBufferText(data, size, bufferText));
        EXPECT_EQ(bufferText, k.text);
        std::vector<uint8_t> bufferDigest(digest.size());
        ASSERT_TRUE(k.sum.DigestBuffer(data, size, bufferDigest.data()));
        EXPECT_EQ(bufferDigest, digest);
        std::vector<uint8_t> stringDigest(digest.size());
        ASSERT_TRUE(k.sum.DigestString(k.content, stringDigest.data()));
        EXPECT_EQ(stringDigest, digest);
    }
}

TEST(QzChecksum, CrcBytesStandLeastSignificantFirst) {
    uint8_t digest[4] = {};
    ASSERT_TRUE(QzChecksum_CRC::Instance().DigestString("123456789", digest));
    EXPECT_EQ(digest[0], 0x26);
    EXPECT_EQ(digest[1], 0x39);
    EXPECT_EQ(digest[2], 0xF4);
    EXPECT_EQ(digest[3], 0xCB);
}

TEST(QzChecksum, StringTextIsUpperCaseExceptSha1) {
    const struct {
        const QzChecksum& sum;
        const char* expected;
    } cases[] = {
        {QzChecksum_CRC::Instance(), "C2412435"},
        {QzChecksum_MD5::Instance(), "900150983CD24FB0D6963F7D28E17F72"},
        {QzChecksum_SHA1::Instance(), "a9993e364706816aba3e25717850c26c9cd0d89d"},
    };
    for (const auto& c : cases) {
        std::string text;
        ASSERT_TRUE(c.sum.DigestStringText("abc", text));
        EXPECT_EQ(text, c.expected);
    }
}

// A file larger than one read block digests like the same bytes in one buffer.
TEST(QzChecksum, FileAcrossBlockBoundariesMatchesBuffer) {
    TempDir dir;
    WriteFile(dir / "big.bin", kBigContent);
    for (const Algo& a : kAlgos) {
        SCOPED_TRACE(a.name);
        std::string fromFile;
        std::string fromBuffer;
        ASSERT_TRUE(a.sum.DigestFileText(dir / "big.bin", fromFile));
        ASSERT_TRUE(a.sum.DigestBufferText(reinterpret_cast<const uint8_t*>(kBigContent.data()),
                                           static_cast<uint32_t>(kBigContent.size()), fromBuffer));
        EXPECT_EQ(fromFile, fromBuffer);
        EXPECT_EQ(fromFile.size(), a.digestSize * 2);
    }
}

// Outputs append; a failing call leaves them exactly as they were.
TEST(QzChecksum, TextOutputsAppendAndFailuresLeaveThemAlone) {
    TempDir dir;
    WriteFile(dir / "abc.txt", "abc");
    WriteFile(dir / "empty.txt", "");
    std::string text = "old:";
    ASSERT_TRUE(QzChecksum_CRC::Instance().DigestFileText(dir / "abc.txt", text));
    EXPECT_EQ(text, "old:C2412435");

    const uint8_t byte = 1;
    for (const Algo& a : kAlgos) {
        SCOPED_TRACE(a.name);
        std::string out = "keep";
        std::vector<uint8_t> digest(a.digestSize, 0x5A);
        const std::vector<uint8_t> untouched = digest;
        EXPECT_FALSE(a.sum.DigestFileText(dir / "missing.bin", out));
        EXPECT_FALSE(a.sum.DigestFileText("", out));
        EXPECT_FALSE(a.sum.DigestFileText(dir.Path(), out));  // a directory cannot be read
        EXPECT_FALSE(a.sum.DigestFile(dir / "missing.bin", digest.data()));
        EXPECT_FALSE(a.sum.DigestFile(dir / "abc.txt", nullptr));
        EXPECT_FALSE(a.sum.DigestBuffer(nullptr, 1, digest.data()));
        EXPECT_FALSE(a.sum.DigestBuffer(&byte, 0, digest.data()));
        EXPECT_FALSE(a.sum.DigestBuffer(&byte, 1, nullptr));
        EXPECT_FALSE(a.sum.DigestBufferText(nullptr, 1, out));
        EXPECT_FALSE(a.sum.DigestBufferText(&byte, 0, out));
        EXPECT_FALSE(a.sum.DigestString("", digest.data()));
        EXPECT_FALSE(a.sum.DigestString("abc", nullptr));
        EXPECT_FALSE(a.sum.DigestStringText("", out));
        EXPECT_EQ(out, "keep");
        EXPECT_EQ(digest, untouched);
    }
}

// A read error part-way through the file gives false (no exception) and no text.
TEST(QzChecksum, ReadErrorGivesFalse) {
    TempDir dir;
    WriteFile(dir / "big.bin", kBigContent);
    platform::SysOps ops = platform::Ops();
    static int reads;
    reads = 0;
    ops.read = [](int fd, void* buf, size_t n) -> ssize_t {
        if (++reads == 2) {
            errno = EIO;
            return -1;
        }
        return platform::RealSysOps().read(fd, buf, n);
    };
    platform::ScopedSysOps scoped(ops);
    for (const Algo& a : kAlgos) {
        SCOPED_TRACE(a.name);
        reads = 0;
        std::string text;
        EXPECT_FALSE(a.sum.DigestFileText(dir / "big.bin", text));
        EXPECT_EQ(text, "");
    }
}

// The shared instances serve several threads at once.
TEST(QzChecksum, SharedInstancesAcrossThreads) {
    TempDir dir;
    WriteFile(dir / "abc.txt", "abc");
    std::vector<std::string> results(4);
    {
        std::vector<std::thread> threads;
        for (size_t t = 0; t < results.size(); ++t) {
            threads.emplace_back([&, t] {
                for (int i = 0; i < 50; ++i) {
                    std::string text;
                    QzChecksum_SHA1::Instance().DigestStringText("abc", text);
                    QzChecksum_MD5::Instance().DigestFileText(dir / "abc.txt", text);
                    QzChecksum_CRC::Instance().DigestFileText(dir / "abc.txt", text);
                    results[t] = text;
                }
            });
        }
        for (std::thread& th : threads) th.join();
    }
    for (const std::string& r : results) {
        EXPECT_EQ(r, "a9993e364706816aba3e25717850c26c9cd0d89d900150983CD24FB0D6963F7D28E17F72C2412435");
    }
}

TEST(QzChecksum, BackslashPathsReachTheFile) {
    TempDir dir;
    WriteFile(dir / "abc.txt", "abc");
    std::string path = dir.Path() + "\\abc.txt";
    std::string text;
    ASSERT_TRUE(QzChecksum_MD5::Instance().DigestFileText(path, text));
    EXPECT_EQ(text, "900150983CD24FB0D6963F7D28E17F72");
}

}  // namespace
