#pragma once
// The device identifier every analytics record carries: "UNITYPC", code 2, a hardware
// fingerprint, code 2, a GUID text. It is made once and kept in the current user's registry
// under the game's key, so it stays the same across launcher starts. Every part degrades to
// empty text instead of failing.

#include <string>

// The stored identifier, read anew on every call; when it is missing or empty a new one is
// made (MakeDeviceId) and stored as binary UTF-8 bytes (a failed write is ignored). Any
// thread may call it; two threads that both find no identifier each store one, the later
// write winning.
std::u16string GetDeviceId();

// A new identifier "UNITYPC" + code 2 + GetHardwareFingerprint() + code 2 + a fresh GUID text
// (36 lower-case characters, empty when no GUID could be made). 85 characters when every
// part exists, 45 without a fingerprint.
std::u16string MakeDeviceId();

// The SHA-1, as 40 lower-case hexadecimal digits, of the UTF-8 text of the MAC text followed
// by the disk serial text; empty when both are empty.
std::string GetHardwareFingerprint();

// The MAC text "XX-XX-XX-XX-XX-XX" (upper case) of the first network adapter, else of the
// node of a time-based UUID; empty when neither is known.
std::string GetMacText();

// The serial number of the first disk that reports one: IDENTIFY data first (words 10 to
// 19, each high byte then low byte, blanks and NULs dropped), then the serials the system
// publishes, each trimmed of every leading and trailing character that is not an ASCII
// letter or digit. Empty when no disk reports one.
std::string GetDiskSerialText();

// Removes every leading and trailing character that is not an ASCII letter or digit.
std::string TrimSerial(std::string text);
