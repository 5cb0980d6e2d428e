#pragma once
// Fixed values of the device identity and of the analytics protocol, each written once.

#include <cstddef>

// The game's key under the current user's root, holding the device identifier and the
// click identifier.
inline constexpr const char* BI_GAME_KEY = "SOFTWARE\\tallowind\\Morvane";
inline constexpr const char* BI_DEVICE_ID_VALUE = "deviceid_h1602965840";
inline constexpr const char* BI_CLICK_ID_VALUE = "gclidshort";
// Stored values are read into a buffer of this many bytes; a larger value reads as empty.
inline constexpr size_t BI_VALUE_BUFFER_BYTES = 256;

// Device identifier: "UNITYPC" + code 2 + fingerprint + code 2 + GUID text.
inline constexpr const char* BI_DEVICE_ID_FORMAT = "UNITYPC%c%s%c%s";
inline constexpr char BI_DEVICE_ID_SEPARATOR = '\x02';
inline constexpr const char* BI_GUID_FORMAT = "%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x";
inline constexpr const char* BI_MAC_FORMAT = "%2.2X-%2.2X-%2.2X-%2.2X-%2.2X-%2.2X";

// Event record: 18 fields joined by code 1.
inline constexpr char16_t BI_FIELD_SEPARATOR = u'\x01';
inline constexpr size_t BI_RECORD_FIELDS = 18;
inline constexpr const char* BI_TIME_FORMAT = "%04d-%02d-%02d %02d:%02d:%02d";
inline constexpr const char16_t* BI_CLICK_PREFIX = u"gclid";
inline constexpr char16_t BI_CLICK_SEPARATOR = u'\x02';
inline constexpr const char16_t* BI_NO_CLICK = u"pc";
// The analytics identifier file in the current directory.
inline constexpr const char* BI_ID_FILE = "vxbiID";

// The request.
inline constexpr const char* BI_UPLOAD_PATH_FORMAT = "%s/vx-bi-log-service/UploadHttpServlet";
inline constexpr const char* BI_CONTENT_TYPE_HEADER = "Content-Type: application/x-www-form-urlencoded";
inline constexpr const char* BI_BODY_FORMAT = "appkey=%s&type=%s&log=%s";
inline constexpr const char* BI_APP_KEY = "5290317462905";
inline constexpr const char* BI_EVENT_TYPE = "adevent";
inline constexpr const char* BI_REQUEST_METHOD = "POST";
inline constexpr int BI_MAX_ATTEMPTS = 5;
// A response counts as accepted when it contains this character anywhere.
inline constexpr char BI_ACCEPTED_MARK = '0';
