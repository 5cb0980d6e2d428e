#include "app/Settings.h"

#include "app/BuiltInValues.h"
#include "platform/Profile.h"

namespace {
// Values are read into a buffer of 260 characters, so a value keeps at most 259.
constexpr size_t kValueBuffer = 260;
}  // namespace

const SettingKey SETTING_UPDATE_URL = {"update", "updateUrl", nullptr};
const SettingKey SETTING_REPAIRE_URL = {"repaire", "repaireUrl", nullptr};
const SettingKey SETTING_INSTALL_URL = {"install", "installUrl", nullptr};
const SettingKey SETTING_GAME_URL = {"game", "gameUrl", ""};
const SettingKey SETTING_LAUNCHER_URL = {"launcher", "launcherUrl", nullptr};
const SettingKey SETTING_BI_URL = {"bi", "biUrl", DAV_BI_BASE_URL};

const char* DefaultBaseUrl() { return DAV_DEFAULT_BASE_URL; }
const char* DefaultBiBaseUrl() { return DAV_BI_BASE_URL; }

std::string ReadSetting(const SettingKey& key) {
    const std::string fallback = key.defaultValue != nullptr ? key.defaultValue : DefaultBaseUrl();
    // An empty value counts as absent, so the default applies to it too.
    std::string value = platform::GetProfileString(key.section, key.key, "", kValueBuffer, SETTINGS_FILE);
    return value.empty() ? fallback : value;
}

int ReadDebugSetting() { return platform::GetProfileInt("debug", "debug", 0, SETTINGS_FILE); }
