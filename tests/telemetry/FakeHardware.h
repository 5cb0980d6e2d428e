#pragma once
// A machine made up by a test: while a FakeHardware lives, the hardware sources report what
// its fields say. One at a time.

#include "platform/HardwareInfo.h"

#include <string>
#include <vector>

class FakeHardware {
public:
    FakeHardware();
    ~FakeHardware();
    FakeHardware(const FakeHardware&) = delete;
    FakeHardware& operator=(const FakeHardware&) = delete;

    // The network adapter reports mac.
    void SetMac(const platform::MacAddress& mac) {
        hasMac = true;
        this->mac = mac;
    }
    // Every new GUID is this one.
    void SetGuid(uint32_t d1, uint16_t d2, uint16_t d3, std::array<uint8_t, 8> d4) {
        hasGuid = true;
        guid = {d1, d2, d3, d4};
    }

    bool hasMac = false;
    platform::MacAddress mac{};
    bool hasUuid = true;
    std::array<uint8_t, 16> uuid{};
    std::vector<std::string> identify;   // 512-byte identify blocks
    std::vector<std::string> published;  // published serial texts
    bool hasGuid = false;
    platform::Guid guid;
    int calls = 0;  // hardware queries answered (MAC, UUID, disks); GUIDs are not counted

private:
    platform::HardwareSources m_saved;
};

// 512 bytes of IDENTIFY data whose serial field (words 10 to 19) reads serial, padded with
// NULs to 20 characters; each word holds its first character in the high byte.
std::string IdentifyData(const std::string& serial);
