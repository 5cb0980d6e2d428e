#include "platform/Profile.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

using platform::GetProfileInt;
using platform::GetProfileString;

namespace {

const char* kIni =
    "; a comment line\r\n"
    "[Update]\r\n"
    "  UpdateUrl  =  http://host/VELDMOR  \r\n"
    "empty=\r\n"
    "quoted=\"  spaced  \"\r\n"
    "dup=first\r\n"
    "dup=second\r\n"
    "[ debug ]\n"
    "debug=1\n"
    "word=abc\n"
    "lead=42abc\n"
    "big=99999999999\n"
    "[other]\n"
    "updateUrl=wrong section\n";

struct StringCase {
    const char* section;
    const char* key;
    const char* defaultValue;
    size_t buffer;
    const char* expected;
};

const StringCase kStringCases[] = {
    {"update", "updateurl", "d", 260, "http://host/VELDMOR"},  // names without regard to case
    {"UPDATE", "UPDATEURL", "d", 10, "http://ho"},             // cut to buffer - 1
    {"update", "empty", "d", 260, ""},                         // present but empty
    {"update", "quoted", "d", 260, "  spaced  "},              // one pair of quotes removed
    {"update", "dup", "d", 260, "first"},                      // first entry wins
    {"update", "missing", "def  ", 260, "def"},                // default, trailing blanks cut
    {"missing", "updateUrl", "def", 260, "def"},
    {"debug", "debug", "", 260, "1"},                          // blanks inside brackets trimmed
    {"other", "updateUrl", "", 260, "wrong section"},
};

}  // namespace

TEST(Profile, StringReadsBehaveLikeTheSystemReader) {
    testsupport::TempDir dir;
    testsupport::WriteFile(dir / "t.ini", kIni);
    for (const StringCase& c : kStringCases) {
        EXPECT_EQ(GetProfileString(c.section, c.key, c.defaultValue, c.buffer, dir / "t.ini"),
                  c.expected)
            << c.section << "/" << c.key;
    }
    EXPECT_EQ(GetProfileString("update", "updateUrl", "def", 260, dir / "none.ini"), "def");
}

TEST(Profile, IntegersAreLeadingDigits) {
    testsupport::TempDir dir;
    testsupport::WriteFile(dir / "t.ini", kIni);
    const struct {
        const char* key;
        int expected;
    } cases[] = {{"debug", 1}, {"word", 0}, {"lead", 42}, {"big", 2147483647}, {"missing", 7}};
    for (const auto& c : cases) {
        EXPECT_EQ(GetProfileInt("debug", c.key, 7, dir / "t.ini"), c.expected) << c.key;
    }
    EXPECT_EQ(GetProfileInt("update", "empty", 7, dir / "t.ini"), 7);
    EXPECT_EQ(GetProfileInt("debug", "debug", 7, dir / "none.ini"), 7);
}

TEST(Profile, BinaryAndOverlongFilesGiveDefaults) {
    testsupport::TempDir dir;
    std::string binary(300000, '\0');
    for (size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>(i * 7919 % 251);
    testsupport::WriteFile(dir / "bin.ini", binary);
    EXPECT_EQ(GetProfileString("update", "updateUrl", "def", 260, dir / "bin.ini"), "def");
    // A line far over the kept length neither crashes nor hides the lines after it.
    testsupport::WriteFile(dir / "long.ini",
                           "[s]\nk=" + std::string(1 << 20, 'v') + "\nother=ok\n");
    EXPECT_EQ(GetProfileString("s", "other", "def", 260, dir / "long.ini"), "ok");
    EXPECT_EQ(GetProfileString("s", "k", "def", 260, dir / "long.ini"), std::string(259, 'v'));
}
