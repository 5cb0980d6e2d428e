#include "download/QzChecksum_CRC.h"
#include "patch/Envelope.h"
#include "platform/Files.h"
#include "tests/support/Faults.h"
#include "tests/support/TempDir.h"
#include "tools/publish/lib/EnvelopeWriter.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

using testsupport::FaultOp;
using testsupport::ReadFile;
using testsupport::ScopedCurrentDir;
using testsupport::ScopedFault;
using testsupport::TempDir;
using testsupport::WriteFile;

SpecialFileKey Key() {
    SpecialFileKey key;
    MakeCryptKey(key);
    return key;
}

std::string Envelope(const std::string& plain) {
    std::string out;
    EXPECT_TRUE(MakeEnvelope(plain, out));
    return out;
}

// An envelope whose plain header is given whole; the payload follows it.
std::string EnvelopeWithHead(const std::string& plainHead, const std::string& payload) {
    std::string file = plainHead + payload;
    ApplySpecialFileKey(Key(), 0, reinterpret_cast<uint8_t*>(file.data()), file.size());
    return file;
}

std::string PlainHead(const std::string& fromCrcOffset) {
    std::string head(SPECIAL_FILE_HEAD_SIZE, '\0');
    std::memcpy(head.data(), SPECIAL_FILE_MAGIC, SPECIAL_FILE_MAGIC_SIZE);
    head.replace(SPECIAL_FILE_CRC_OFFSET, fromCrcOffset.size(), fromCrcOffset);
    return head;
}

std::string Bytes(size_t n, unsigned seed) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7919 + seed * 31 + i / 253) & 0xFF);
    return s;
}

// Each test runs in its own directory, which also holds the log file.
class SpecialFileTest : public ::testing::Test {
protected:
    std::string Path() const { return m_dir / "GameInfo.ini"; }
    std::string Log() const {
        return std::filesystem::exists(m_dir / "Launch.log") ? ReadFile(m_dir / "Launch.log") : "";
    }

    TempDir m_dir;
    ScopedCurrentDir m_cwd{m_dir.Path()};
};

TEST(SpecialFileKeyTest, MicrosoftRandSequenceModulo255) {
    const SpecialFileKey key = Key();
    // Values of the Microsoft C runtime's rand() seeded with 0x20161222, each mod 255.
    const uint8_t first[] = {78, 197, 96, 9, 113, 226, 91, 115};
    for (size_t i = 0; i < sizeof first; ++i) EXPECT_EQ(key[i], first[i]) << i;
    EXPECT_EQ(key[100], 18);  // the payload's first byte
    EXPECT_EQ(key[127], 11);
    for (uint8_t k : key) EXPECT_NE(k, 255);
}

TEST(SpecialFileKeyTest, CheckHeadNeedsTheWholeMagicWithItsNul) {
    const SpecialFileKey key = Key();
    std::string file = Envelope("[Version]\nVersion=1\n");
    uint8_t head[SPECIAL_FILE_HEAD_SIZE] = {};
    const auto* data = reinterpret_cast<const uint8_t*>(file.data());
    ASSERT_TRUE(CheckSpecialFileHead(data, key, head));
    EXPECT_EQ(std::memcmp(head, SPECIAL_FILE_MAGIC, SPECIAL_FILE_MAGIC_SIZE), 0);
    EXPECT_TRUE(CheckSpecialFileHead(data, key, nullptr));
    EXPECT_FALSE(CheckSpecialFileHead(nullptr, key, head));

    std::string noNul = EnvelopeWithHead(PlainHead("00000000"), "");
    noNul[15] = static_cast<char>('X' ^ key[15]);
    EXPECT_FALSE(CheckSpecialFileHead(reinterpret_cast<const uint8_t*>(noNul.data()), key, head));
}

// Envelopes made by the producer unwrap to their payload exactly.
TEST_F(SpecialFileTest, ProducedEnvelopesUnwrapToThePayload) {
    const std::string payloads[] = {
        "",
        "x",
        "[Version]\r\nVersion=1.0.3\r\n[FileList]\r\nFileCount=0\r\n",
        Bytes(27, 1),              // ends inside the first key period
        Bytes(128 * 3 + 5, 2),     // several key periods, NULs and high bytes included
    };
    for (const std::string& payload : payloads) {
        SCOPED_TRACE(payload.size());
        WriteFile(Path(), Envelope(payload));
        EXPECT_TRUE(DecryptSpecialFile(Key(), Path()));
        EXPECT_EQ(ReadFile(Path()), payload);
    }
    EXPECT_EQ(Log(), "");
}

// Files without the envelope are taken as plain and left byte for byte.
TEST_F(SpecialFileTest, FilesWithoutEnvelopeStayUntouched) {
    const SpecialFileKey key = Key();
    std::string notNul = EnvelopeWithHead(PlainHead("00000000"), "payload");
    notNul[15] = static_cast<char>('X' ^ key[15]);
    const std::string cases[] = {
        "",
        "[Version]\nVersion=1.0\n",
        Envelope("a payload long enough to give the file more than a hundred bytes in all, "
                 "so that its first 99 bytes are kept")
            .substr(0, 99),  // 99 bytes: too short to hold a header, whatever they hold
        notNul,
        Bytes(4096, 9),  // garbage
        std::string(SPECIAL_FILE_MAGIC) + std::string(200, 'z'),  // magic, but not enciphered
    };
    for (const std::string& content : cases) {
        SCOPED_TRACE(content.size());
        WriteFile(Path(), content);
        EXPECT_TRUE(DecryptSpecialFile(key, Path()));
        EXPECT_EQ(ReadFile(Path()), content);
    }
    EXPECT_EQ(Log(), "");
}

// A header alone becomes an empty file; only the CRC text of nothing matches it.
TEST_F(SpecialFileTest, HeaderOnlyEnvelope) {
    const struct {
        const char* crc;
        bool result;
    } cases[] = {{"00000000", true}, {"2639F4CB", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.crc);
        WriteFile(Path(), EnvelopeWithHead(PlainHead(c.crc), ""));
        EXPECT_EQ(DecryptSpecialFile(Key(), Path()), c.result);
        EXPECT_EQ(ReadFile(Path()), "");
    }
}

// A changed payload leaves the deciphered text on disk, logs both CRC texts and fails.
TEST_F(SpecialFileTest, TamperedPayloadLeavesPlainTextAndLogsBothCrcs) {
    const std::string payload = "[Version]\r\nVersion=2.0.0\r\n";
    std::string file = Envelope(payload);
    file[SPECIAL_FILE_HEAD_SIZE + 19] ^= 0x01;  // '2' becomes '3' once deciphered
    WriteFile(Path(), file);

    EXPECT_FALSE(DecryptSpecialFile(Key(), Path()));
    std::string tampered = payload;
    tampered[19] ^= 0x01;
    EXPECT_EQ(ReadFile(Path()), tampered);

    std::string good;
    std::string bad;
    ASSERT_TRUE(QzChecksum_CRC::Instance().DigestStringText(payload, good));
    ASSERT_TRUE(QzChecksum_CRC::Instance().DigestStringText(tampered, bad));
    EXPECT_NE(Log().find("memcmp Error strCrc = " + bad + " cryptHead =" + good + "\r\n"),
              std::string::npos)
        << Log();
}

// The log shows the header from the CRC on up to its first NUL, never past the header.
TEST_F(SpecialFileTest, MismatchLogStopsAtNulOrHeaderEnd) {
    const struct {
        std::string fromCrc;
        std::string logged;
    } cases[] = {
        {"ABCDEFGH-note", "ABCDEFGH-note"},
        {std::string(76, 'Q'), std::string(76, 'Q')},  // no NUL before the header ends
    };
    for (const auto& c : cases) {
        std::filesystem::remove(m_dir / "Launch.log");
        WriteFile(Path(), EnvelopeWithHead(PlainHead(c.fromCrc), "Z=1\n"));
        EXPECT_FALSE(DecryptSpecialFile(Key(), Path()));
        const std::string log = Log();
        const size_t at = log.find("cryptHead =");
        ASSERT_NE(at, std::string::npos);
        EXPECT_EQ(log.substr(at + 11), c.logged + "\r\n");
    }
}

// A file cut inside its payload unwraps to what is left and fails the CRC check.
TEST_F(SpecialFileTest, TruncatedEnvelopeFailsItsCrc) {
    const std::string payload = Bytes(500, 3);
    WriteFile(Path(), Envelope(payload).substr(0, 300));
    EXPECT_FALSE(DecryptSpecialFile(Key(), Path()));
    EXPECT_EQ(ReadFile(Path()), payload.substr(0, 200));
    EXPECT_NE(Log().find("memcmp Error"), std::string::npos);
}

TEST_F(SpecialFileTest, SizeBound) {
    // One byte below the bound is unwrapped as usual.
    const std::string payload = Bytes(SPECIAL_FILE_MAX_SIZE - 1 - SPECIAL_FILE_HEAD_SIZE, 4);
    WriteFile(Path(), Envelope(payload));
    EXPECT_TRUE(DecryptSpecialFile(Key(), Path()));
    EXPECT_TRUE(ReadFile(Path()) == payload);

    // At the bound the file is refused and left as it was, envelope or not.
    std::string atBound = EnvelopeWithHead(PlainHead("00000000"), "");
    atBound.resize(SPECIAL_FILE_MAX_SIZE, 'a');
    WriteFile(Path(), atBound);
    EXPECT_FALSE(DecryptSpecialFile(Key(), Path()));
    EXPECT_TRUE(ReadFile(Path()) == atBound);

    std::string tooLarge;
    EXPECT_FALSE(MakeEnvelope(std::string(SPECIAL_FILE_MAX_SIZE - SPECIAL_FILE_HEAD_SIZE, 'p'),
                              tooLarge));
    EXPECT_EQ(Log(), "");
}

TEST_F(SpecialFileTest, MissingFileFails) {
    EXPECT_FALSE(DecryptSpecialFile(Key(), m_dir / "missing.ini"));
    EXPECT_FALSE(DecryptSpecialFile(Key(), m_dir.Path()));  // a directory cannot be read
}

// A read-only envelope is made writable and unwrapped.
TEST_F(SpecialFileTest, ReadOnlyEnvelopeIsRewritten) {
    WriteFile(Path(), Envelope("K=V\n"));
    ASSERT_TRUE(platform::SetReadOnly(Path(), true));
    EXPECT_TRUE(DecryptSpecialFile(Key(), Path()));
    EXPECT_EQ(ReadFile(Path()), "K=V\n");
}

// Opens: 1 reads the envelope, 2 rewrites it, 3 reads it back for the CRC.
TEST_F(SpecialFileTest, FailuresAfterTheRead) {
    const struct {
        const char* what;
        FaultOp op;
        int nth;
        bool plainOnDisk;
    } cases[] = {
        {"cannot open for writing", FaultOp::Open, 2, false},
        {"write fails (disk full)", FaultOp::Write, 1, false},
        {"CRC cannot be computed", FaultOp::Open, 3, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string envelope = Envelope("Name=Value\n");
        WriteFile(Path(), envelope);
        {
            ScopedFault fault(c.op, c.nth, c.op == FaultOp::Write ? ENOSPC : EACCES);
            EXPECT_FALSE(DecryptSpecialFile(Key(), Path()));
        }
        if (c.plainOnDisk) {
            EXPECT_EQ(ReadFile(Path()), "Name=Value\n");
        }
        EXPECT_EQ(Log(), "");
    }
}

TEST_F(SpecialFileTest, ProducerWrapsAFileInPlace) {
    WriteFile(Path(), "[Version]\nVersion=7\n");
    ASSERT_TRUE(WrapFileInEnvelope(Path()));
    EXPECT_NE(ReadFile(Path()), "[Version]\nVersion=7\n");
    EXPECT_EQ(ReadFile(Path()).size(), SPECIAL_FILE_HEAD_SIZE + 20);
    EXPECT_TRUE(DecryptSpecialFile(Key(), Path()));
    EXPECT_EQ(ReadFile(Path()), "[Version]\nVersion=7\n");
    EXPECT_FALSE(WrapFileInEnvelope(m_dir / "missing.ini"));
}

}  // namespace
