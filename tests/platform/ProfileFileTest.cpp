#include "platform/Profile.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

// Lines that exercise every rule of the profile readers, including the awkward ones: a
// section that appears twice, entries before any header, a header without "]", an empty
// section name, quotes, comments and a line without "=".
const char* kIni =
    "orphan=before any header\r\n"
    "; comment=not an entry\r\n"
    "[Packages]\r\n"
    "  PackageNum =  3 \r\n"
    "Package0=a.zip,1,2,M\r\n"
    "package0=second spelling\r\n"
    "quoted='  q  '\r\n"
    "no equals sign here\r\n"
    "[Package0]\r\n"
    "File0=x,1,0,X\r\n"
    "[Packages]\r\n"
    "Package1=b.zip,0,1,M\r\n"
    "PackageNum=99\r\n"
    "[unclosed\n"
    "k=in unclosed\n"
    "[]\n"
    "k=in empty name\n"
    "[Big]\n"
    "n=99999999999\n"
    "lead=42abc\n";

const struct {
    const char* section;
    const char* key;
} kLookups[] = {
    {"", "orphan"},         {"packages", "packagenum"}, {"PACKAGES", "Package0"},
    {"Packages", "Package1"}, {"Packages", "quoted"},   {"Packages", "no equals sign here"},
    {"package0", "FILE0"},  {"unclosed", "k"},          {"", "k"},
    {"Big", "n"},           {"Big", "lead"},            {"Missing", "k"},
    {" Packages ", " Package0 "},
};

// The one-load reader answers exactly as the per-call readers do.
TEST(ProfileFile, AgreesWithThePerCallReaders) {
    testsupport::TempDir dir;
    const std::string path = dir / "t.ini";
    testsupport::WriteFile(path, kIni);
    const platform::ProfileFile file(path);
    for (const auto& l : kLookups) {
        SCOPED_TRACE(std::string(l.section) + "/" + l.key);
        for (size_t buffer : {size_t{0}, size_t{5}, size_t{520}}) {
            EXPECT_EQ(file.GetString(l.section, l.key, "dflt ", buffer),
                      platform::GetProfileString(l.section, l.key, "dflt ", buffer, path));
        }
        EXPECT_EQ(file.GetInt(l.section, l.key, -7),
                  platform::GetProfileInt(l.section, l.key, -7, path));
    }
    EXPECT_EQ(file.GetString("Packages", "Package0", "", 520), "a.zip,1,2,M");
    EXPECT_EQ(file.GetInt("Packages", "PackageNum", 0), 3);

    const platform::ProfileFile missing(dir / "none.ini");
    EXPECT_EQ(missing.GetString("Packages", "Package0", "d", 520), "d");
    EXPECT_EQ(missing.GetInt("Packages", "PackageNum", 4), 4);
}

}  // namespace
