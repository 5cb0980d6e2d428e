#include "telemetry/GameKeyValue.h"

#include "platform/Registry.h"
#include "platform/Text.h"
#include "telemetry/TelemetryConstants.h"

std::u16string ReadGameKeyText(std::string_view valueName) {
    platform::RegistryKey key;
    if (!key.Open(platform::RegistryHive::CurrentUser, BI_GAME_KEY)) return {};
    platform::RegistryValue value;
    if (!key.ReadValue(valueName, value)) return {};
    if (value.type == platform::RegistryValueType::Binary) {
        if (value.bytes.size() > BI_VALUE_BUFFER_BYTES) return {};
        return platform::AnsiToUtf16(value.bytes.substr(0, value.bytes.find('\0')));
    }
    if ((value.text.size() + 1) * sizeof(char16_t) > BI_VALUE_BUFFER_BYTES) return {};
    return value.text.substr(0, value.text.find(u'\0'));
}
