#pragma once
// The launcher's settings file ".\launcher.ini": server base addresses per kind of work,
// the debug switch, and the analytics base. Every read goes to the file afresh; an absent
// key, an empty value or a missing file gives the key's default. Values keep at most
// 259 characters.

#include <string>

inline constexpr const char* SETTINGS_FILE = ".\\launcher.ini";

// One key of the settings file and its default.
struct SettingKey {
    const char* section;
    const char* key;
    const char* defaultValue;  // nullptr: the built-in default base address
};

extern const SettingKey SETTING_UPDATE_URL;    // "update"/"updateUrl"
extern const SettingKey SETTING_REPAIRE_URL;   // "repaire"/"repaireUrl"
extern const SettingKey SETTING_INSTALL_URL;   // "install"/"installUrl"
extern const SettingKey SETTING_GAME_URL;      // "game"/"gameUrl" (default empty)
extern const SettingKey SETTING_LAUNCHER_URL;  // "launcher"/"launcherUrl"
extern const SettingKey SETTING_BI_URL;        // "bi"/"biUrl" (default: built-in analytics base)

std::string ReadSetting(const SettingKey& key);
// "debug"/"debug" as an integer (0 when absent or not a number).
int ReadDebugSetting();

// Built-in values (set at configure time).
const char* DefaultBaseUrl();   // the update server base, path "/VELDMOR"
const char* DefaultBiBaseUrl(); // the analytics service base
