#include "app/Settings.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

using testsupport::ScopedCurrentDir;
using testsupport::TempDir;
using testsupport::WriteFile;

TEST(Settings, MissingFileGivesEveryDefault) {
    TempDir dir;
    ScopedCurrentDir cd(dir.Path());
    for (const SettingKey* key : {&SETTING_UPDATE_URL, &SETTING_REPAIRE_URL, &SETTING_INSTALL_URL,
                                  &SETTING_LAUNCHER_URL}) {
        EXPECT_EQ(ReadSetting(*key), DefaultBaseUrl()) << key->key;
    }
    EXPECT_EQ(ReadSetting(SETTING_GAME_URL), "");
    EXPECT_EQ(ReadSetting(SETTING_BI_URL), DefaultBiBaseUrl());
    EXPECT_EQ(ReadDebugSetting(), 0);
    EXPECT_EQ(std::string(DefaultBaseUrl()).substr(std::string(DefaultBaseUrl()).rfind('/')),
              "/VELDMOR");
}

TEST(Settings, FileValuesEmptyValuesAndTheCut) {
    TempDir dir;
    ScopedCurrentDir cd(dir.Path());
    WriteFile("launcher.ini",
              "[update]\nupdateUrl=\n"
              "[REPAIRE]\nRepaireUrl = http://repair/VELDMOR \n"
              "[install]\ninstallUrl=" + std::string(300, 'i') + "\n"
              "[game]\ngameUrl=http://game\n"
              "[bi]\nbiUrl=http://bi:1\n");
    EXPECT_EQ(ReadSetting(SETTING_UPDATE_URL), DefaultBaseUrl());  // empty counts as absent
    EXPECT_EQ(ReadSetting(SETTING_REPAIRE_URL), "http://repair/VELDMOR");
    EXPECT_EQ(ReadSetting(SETTING_INSTALL_URL), std::string(259, 'i'));
    EXPECT_EQ(ReadSetting(SETTING_GAME_URL), "http://game");
    EXPECT_EQ(ReadSetting(SETTING_BI_URL), "http://bi:1");
    // An edit takes effect at the next read.
    WriteFile("launcher.ini", "[repaire]\nrepaireUrl=http://changed\n");
    EXPECT_EQ(ReadSetting(SETTING_REPAIRE_URL), "http://changed");
}

TEST(Settings, DebugIsAnInteger) {
    TempDir dir;
    ScopedCurrentDir cd(dir.Path());
    const struct {
        const char* value;
        int expected;
    } cases[] = {{"1", 1}, {"2", 2}, {"yes", 0}, {"", 0}, {"1x", 1}};
    for (const auto& c : cases) {
        WriteFile("launcher.ini", std::string("[debug]\ndebug=") + c.value + "\n");
        EXPECT_EQ(ReadDebugSetting(), c.expected) << c.value;
    }
}
