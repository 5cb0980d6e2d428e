#pragma once
// Raw facts about the machine that the device identity is made from: a network adapter's
// address, a time-based UUID, disks' identify data and serial numbers, and fresh GUIDs.
// Every source reports "nothing" instead of failing. The sources form one replaceable table
// so tests can stand in any machine (no network adapter, no disk serial, a disk whose
// identify data says this or that).

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

using MacAddress = std::array<uint8_t, 6>;

// A GUID in its usual parts; for a UUID from libuuid data1..data3 are its first eight bytes
// read big-endian, so formatting the parts gives the UUID's usual text.
struct Guid {
    uint32_t data1 = 0;
    uint16_t data2 = 0;
    uint16_t data3 = 0;
    std::array<uint8_t, 8> data4{};
};

struct HardwareSources {
    // The address of the first network interface in name order that is not a loopback
    // interface and has a six-byte address other than all zeros (/sys/class/net).
    bool (*networkAdapterAddress)(MacAddress* address);
    // A fresh time-based UUID (its last six bytes, the node, name an adapter of the machine
    // or are random when there is none). False when none could be made.
    bool (*timeBasedUuid)(std::array<uint8_t, 16>* uuid);
    // For each disk in name order that answers the ATA IDENTIFY DEVICE command through the
    // kernel's drive-command ioctl (this needs raw I/O rights), its 512 bytes of identify
    // data as the drive sent them (16-bit words, least significant byte first).
    std::vector<std::string> (*diskIdentifyData)();
    // For each disk in name order that publishes a serial number (sysfs "serial" of the
    // disk or of its device, else udev's ID_SERIAL_SHORT), that text as published.
    std::vector<std::string> (*diskPublishedSerials)();
    // A new random GUID. False when none could be made.
    bool (*newGuid)(Guid* guid);
};

// The machine's own sources.
const HardwareSources& RealHardwareSources();

// The table in force (the real one unless a test replaced it).
const HardwareSources& Hardware();

// Replaces the table; returns the one it replaced. Only while no other thread uses it.
HardwareSources ReplaceHardwareSources(const HardwareSources& sources);

// Replaces the table for one scope (tests).
class ScopedHardwareSources {
public:
    explicit ScopedHardwareSources(const HardwareSources& sources)
        : m_saved(ReplaceHardwareSources(sources)) {}
    ~ScopedHardwareSources() { ReplaceHardwareSources(m_saved); }
    ScopedHardwareSources(const ScopedHardwareSources&) = delete;
    ScopedHardwareSources& operator=(const ScopedHardwareSources&) = delete;

private:
    HardwareSources m_saved;
};

}  // namespace platform
