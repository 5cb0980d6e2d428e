#include "telemetry/EventRecord.h"

#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "telemetry/DeviceIdentity.h"
#include "telemetry/FormatText.h"
#include "telemetry/GameKeyValue.h"
#include "telemetry/TelemetryConstants.h"

namespace {

// The analytics identifier file is a short text; anything beyond this is not one.
constexpr uint64_t kMaxIdFileBytes = 1 << 20;

std::u16string EventTime() {
    platform::LocalTime t = platform::GetLocalTime();
    return platform::Utf8ToUtf16(
        FormatText(BI_TIME_FORMAT, t.year, t.month, t.day, t.hour, t.minute, t.second));
}

std::u16string ClickIdentifier() {
    std::u16string click = ReadGameKeyText(BI_CLICK_ID_VALUE);
    if (click.empty()) return BI_NO_CLICK;
    return std::u16string(BI_CLICK_PREFIX) + BI_CLICK_SEPARATOR + click;
}

std::u16string AnalyticsId() {
    std::string data;
    if (!platform::IsRegularFile(BI_ID_FILE) ||
        !platform::ReadWholeFile(BI_ID_FILE, data, kMaxIdFileBytes))
        return {};
    return platform::Utf8ToUtf16(data);
}

}  // namespace

std::u16string BuildEventRecord(std::u16string_view name, std::u16string_view detail) {
    const std::u16string fields[BI_RECORD_FIELDS] = {
        EventTime(),        // 1 event time
        GetDeviceId(),      // 2 device identifier
        u"1000000002",      // 3
        u"0",               // 4
        u"0",               // 5
        u"pc",              // 6
        ClickIdentifier(),  // 7 click identifier
        u"0x0",             // 8
        u"network",         // 9
        u"0",               // 10
        u"1000",            // 11
        u"v1.8",            // 12
        u"",                // 13
        u"",                // 14
        u"",                // 15
        AnalyticsId(),      // 16 analytics id
        std::u16string(name),
        std::u16string(detail),
    };
    std::u16string record;
    for (size_t i = 0; i < BI_RECORD_FIELDS; ++i) {
        if (i > 0) record += BI_FIELD_SEPARATOR;
        record += fields[i];
    }
    return record;
}
