#include "telemetry/DeviceIdentity.h"

#include "download/QzChecksum_SHA1.h"
#include "platform/HardwareInfo.h"
#include "platform/Registry.h"
#include "platform/Text.h"
#include "telemetry/GameKeyValue.h"
#include "telemetry/TelemetryConstants.h"

#include "telemetry/FormatText.h"

namespace {

// IDENTIFY data: the serial number is words 10 to 19.
constexpr size_t kIdentifySerialFirstWord = 10;
constexpr size_t kIdentifySerialWords = 10;

bool IsAsciiAlnum(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::string FormatMac(const uint8_t* b) {
    return FormatText(BI_MAC_FORMAT, b[0], b[1], b[2], b[3], b[4], b[5]);
}

std::string SerialFromIdentify(const std::string& data) {
    std::string serial;
    for (size_t w = kIdentifySerialFirstWord; w < kIdentifySerialFirstWord + kIdentifySerialWords; ++w) {
        if (2 * w + 1 >= data.size()) break;
        for (char c : {data[2 * w + 1], data[2 * w]})  // high byte, then low byte
            if (c != ' ' && c != '\0') serial += c;
    }
    return TrimSerial(std::move(serial));
}

std::string MakeGuidText() {
    platform::Guid g;
    if (!platform::Hardware().newGuid(&g)) return {};
    return FormatText(BI_GUID_FORMAT, g.data1, g.data2, g.data3, g.data4[0], g.data4[1],
                      g.data4[2], g.data4[3], g.data4[4], g.data4[5], g.data4[6], g.data4[7]);
}

}  // namespace

std::string TrimSerial(std::string text) {
    size_t first = 0;
    while (first < text.size() && !IsAsciiAlnum(text[first])) ++first;
    size_t last = text.size();
    while (last > first && !IsAsciiAlnum(text[last - 1])) --last;
    return text.substr(first, last - first);
}

std::string GetMacText() {
    const platform::HardwareSources& hw = platform::Hardware();
    platform::MacAddress mac{};
    if (hw.networkAdapterAddress(&mac)) return FormatMac(mac.data());
    std::array<uint8_t, 16> uuid{};
    if (hw.timeBasedUuid(&uuid)) return FormatMac(uuid.data() + 10);
    return {};
}

std::string GetDiskSerialText() {
    const platform::HardwareSources& hw = platform::Hardware();
    // A serial is accepted when, trimmed, it starts with a letter or digit: when it is not empty.
    for (const std::string& data : hw.diskIdentifyData()) {
        std::string serial = SerialFromIdentify(data);
        if (!serial.empty()) return serial;
    }
    for (const std::string& published : hw.diskPublishedSerials()) {
        std::string serial = TrimSerial(published);
        if (!serial.empty()) return serial;
    }
    return {};
}

std::string GetHardwareFingerprint() {
    std::string text = GetMacText() + GetDiskSerialText();
    std::string fingerprint;
    // The digest refuses an empty text, which leaves the fingerprint empty.
    QzChecksum_SHA1::Instance().DigestStringText(text, fingerprint);
    return fingerprint;
}

std::u16string MakeDeviceId() {
    std::string fingerprint = GetHardwareFingerprint();
    std::string guid = MakeGuidText();
    return platform::Utf8ToUtf16(FormatText(BI_DEVICE_ID_FORMAT, BI_DEVICE_ID_SEPARATOR,
                                            fingerprint.c_str(), BI_DEVICE_ID_SEPARATOR,
                                            guid.c_str()));
}

std::u16string GetDeviceId() {
    std::u16string id = ReadGameKeyText(BI_DEVICE_ID_VALUE);
    if (!id.empty()) return id;
    id = MakeDeviceId();
    platform::RegistryKey key;
    if (key.Create(platform::RegistryHive::CurrentUser, BI_GAME_KEY))
        key.WriteBinary(BI_DEVICE_ID_VALUE, platform::Utf16ToUtf8(id));
    return id;
}
