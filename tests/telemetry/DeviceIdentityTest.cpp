#include "telemetry/DeviceIdentity.h"

#include "platform/HardwareInfo.h"
#include "platform/Registry.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tests/telemetry/FakeHardware.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

namespace {

namespace fs = std::filesystem;
using platform::RegistryHive;
using platform::RegistryKey;
using platform::RegistryValue;
using platform::RegistryValueType;

const std::u16string kSep(1, u'\x02');
const std::string kGuidText = "12345678-9abc-def0-1122-334455667788";
// SHA-1 of "02-FC-00-00-00-01" followed by "S123".
const std::string kFullFingerprint = "9fa3f87738f3e513e964d4476c538f5a4d987ecd";

class DeviceIdentityTest : public ::testing::Test {
protected:
    DeviceIdentityTest() {
        m_fake.SetMac({0x02, 0xfc, 0x00, 0x00, 0x00, 0x01});
        m_fake.published = {"S123\n"};
        m_fake.SetGuid(0x12345678, 0x9abc, 0xdef0, {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88});
    }

    RegistryKey GameKey() {
        RegistryKey key;
        EXPECT_TRUE(key.Create(RegistryHive::CurrentUser, "SOFTWARE\\tallowind\\Morvane"));
        return key;
    }

    testsupport::TempDir m_dir;
    testsupport::ScopedEnv m_env{"DAVURERUVO_REGISTRY", (m_dir / "registry").c_str()};
    FakeHardware m_fake;
};

TEST_F(DeviceIdentityTest, MakesTheIdentifierFromFingerprintAndGuid) {
    EXPECT_EQ(GetHardwareFingerprint(), kFullFingerprint);
    std::u16string id = MakeDeviceId();
    EXPECT_EQ(id, u"UNITYPC" + kSep + u"9fa3f87738f3e513e964d4476c538f5a4d987ecd" + kSep +
                      u"12345678-9abc-def0-1122-334455667788");
    EXPECT_EQ(id.size(), 85u);
}

TEST_F(DeviceIdentityTest, EveryMissingPartLeavesItsPlaceEmpty) {
    m_fake.hasMac = false;
    m_fake.hasUuid = false;
    m_fake.published.clear();
    EXPECT_EQ(GetHardwareFingerprint(), "");
    std::u16string id = MakeDeviceId();
    EXPECT_EQ(id, u"UNITYPC" + kSep + kSep + u"12345678-9abc-def0-1122-334455667788");
    EXPECT_EQ(id.size(), 45u);

    m_fake.hasGuid = false;
    EXPECT_EQ(MakeDeviceId(), u"UNITYPC" + kSep + kSep);
}

TEST_F(DeviceIdentityTest, MacTextFallsBackToTheTimeUuidNode) {
    EXPECT_EQ(GetMacText(), "02-FC-00-00-00-01");
    m_fake.hasMac = false;
    m_fake.uuid[10] = 0xab;
    m_fake.uuid[15] = 0x0c;
    EXPECT_EQ(GetMacText(), "AB-00-00-00-00-0C");
    m_fake.hasUuid = false;
    EXPECT_EQ(GetMacText(), "");
}

TEST_F(DeviceIdentityTest, DiskSerialComesFromTheFirstDiskThatReportsOne) {
    struct Case {
        std::vector<std::string> identifySerials;  // 20-character serial fields
        std::vector<std::string> published;
        std::string expected;
    } cases[] = {
        {{std::string("  WD-ABC123 ") + std::string(8, '\0')}, {"P1"}, "WD-ABC123"},
        {{"-XYZ-"}, {}, "XYZ"},
        {{"WD ABC 123"}, {}, "WDABC123"},  // blanks inside are dropped too
        {{"    ", "--", "2ND"}, {"P1"}, "2ND"},
        {{"    "}, {"  -P-1 -\n", "P2"}, "P-1"},
        {{}, {"", "--", "SER 2"}, "SER 2"},
        {{"  "}, {"--"}, ""},
    };
    for (const Case& c : cases) {
        m_fake.identify.clear();
        for (const std::string& s : c.identifySerials) m_fake.identify.push_back(IdentifyData(s));
        m_fake.published = c.published;
        EXPECT_EQ(GetDiskSerialText(), c.expected) << c.expected;
    }
}

TEST_F(DeviceIdentityTest, FingerprintOfASerialAlone) {
    m_fake.hasMac = false;
    m_fake.hasUuid = false;
    m_fake.identify = {IdentifyData("  WD-ABC123 ")};
    // SHA-1 of "WD-ABC123", lower case.
    EXPECT_EQ(GetHardwareFingerprint(), "952ad833c7743631f96c4ca4e17207cde50dfca2");
}

TEST_F(DeviceIdentityTest, StoredBinaryIdentifierIsReturnedWithoutHardwareQueries) {
    const std::string stored = "UNITYPC\x02" + std::string(40, 'a') + "\x02" + kGuidText;
    RegistryKey key = GameKey();
    ASSERT_TRUE(key.WriteBinary("deviceid_h1602965840", stored));
    m_fake.calls = 0;
    EXPECT_EQ(GetDeviceId(), std::u16string(stored.begin(), stored.end()));
    EXPECT_EQ(m_fake.calls, 0);
    // Bytes after a NUL are not part of the text.
    ASSERT_TRUE(key.WriteBinary("deviceid_h1602965840", std::string("ID\0junk", 7)));
    EXPECT_EQ(GetDeviceId(), u"ID");
}

TEST_F(DeviceIdentityTest, StoredStringIdentifierIsReturnedAndNotRewritten) {
    RegistryKey key = GameKey();
    ASSERT_TRUE(key.WriteString("deviceid_h1602965840", u"legacy-id"));
    EXPECT_EQ(GetDeviceId(), u"legacy-id");
    RegistryValue value;
    ASSERT_TRUE(key.ReadValue("deviceid_h1602965840", value));
    EXPECT_EQ(value.type, RegistryValueType::String);
    EXPECT_EQ(value.text, u"legacy-id");
    EXPECT_FALSE(fs::exists(key.Directory() + "/deviceid_h1602965840.bin"));
}

TEST_F(DeviceIdentityTest, EmptyMissingOrOversizedValueIsReplacedByANewIdentifier) {
    const std::u16string made = u"UNITYPC" + kSep + u"9fa3f87738f3e513e964d4476c538f5a4d987ecd" +
                                kSep + u"12345678-9abc-def0-1122-334455667788";
    struct Case {
        const char* name;
        bool key;  // whether the game's key exists at all
        bool binary;
        std::string stored;
    } cases[] = {
        {"no key", false, true, ""},
        {"empty binary", true, true, ""},
        {"binary of NULs", true, true, std::string(4, '\0')},
        {"empty string", true, false, ""},
        {"binary over 256 bytes", true, true, std::string(257, 'x')},
        {"string over 256 bytes as UTF-16", true, false, std::string(128, 'x')},
    };
    for (const Case& c : cases) {
        std::error_code ec;
        fs::remove_all(m_dir / "registry", ec);
        if (c.key) {
            RegistryKey key = GameKey();
            if (c.binary)
                ASSERT_TRUE(key.WriteBinary("deviceid_h1602965840", c.stored));
            else
                ASSERT_TRUE(key.WriteString("deviceid_h1602965840",
                                            std::u16string(c.stored.begin(), c.stored.end())));
        }
        EXPECT_EQ(GetDeviceId(), made) << c.name;
        RegistryValue value;
        ASSERT_TRUE(GameKey().ReadValue("deviceid_h1602965840", value)) << c.name;
        EXPECT_EQ(value.type, RegistryValueType::Binary) << c.name;
        EXPECT_EQ(value.bytes, std::string(made.begin(), made.end())) << c.name;
        // Once stored, the same identifier comes back without being made again.
        m_fake.calls = 0;
        EXPECT_EQ(GetDeviceId(), made) << c.name;
        EXPECT_EQ(m_fake.calls, 0) << c.name;
    }
}

TEST_F(DeviceIdentityTest, UnwritableRegistryStillGivesAnIdentifier) {
    testsupport::ScopedEnv noRoot("DAVURERUVO_REGISTRY", (m_dir / "file").c_str());
    testsupport::WriteFile(m_dir / "file", "not a directory");
    std::u16string first = GetDeviceId();
    EXPECT_EQ(first.size(), 85u);
}

TEST(DeviceIdentityRealHardwareTest, GivesAWellFormedIdentifier) {
    testsupport::TempDir dir;
    testsupport::ScopedEnv env("DAVURERUVO_REGISTRY", (dir / "registry").c_str());
    std::string fingerprint = GetHardwareFingerprint();
    EXPECT_TRUE(fingerprint.empty() || std::regex_match(fingerprint, std::regex("[0-9a-f]{40}")))
        << fingerprint;
    std::u16string id = GetDeviceId();
    std::string narrow(id.begin(), id.end());
    EXPECT_TRUE(std::regex_match(
        narrow, std::regex("UNITYPC\x02([0-9a-f]{40})?\x02[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-"
                           "[0-9a-f]{4}-[0-9a-f]{12}")))
        << narrow;
    EXPECT_EQ(GetDeviceId(), id);
}

}  // namespace
