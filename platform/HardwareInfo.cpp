#include "platform/HardwareInfo.h"

#include "platform/Files.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <fcntl.h>
#include <linux/hdreg.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <uuid/uuid.h>

namespace platform {
namespace {

constexpr const char* kNetDir = "/sys/class/net";
constexpr const char* kBlockDir = "/sys/block";
constexpr const char* kUdevDataDir = "/run/udev/data";
constexpr const char* kLoopbackType = "772";  // ARPHRD_LOOPBACK
constexpr uint8_t kAtaIdentifyDevice = 0xEC;
constexpr size_t kIdentifySize = 512;
constexpr uint64_t kSmallFileLimit = 4096;

// A small sysfs or udev text without its final line end; empty when unreadable.
std::string ReadSmallText(const std::string& path) {
    std::string text;
    if (!ReadWholeFile(path, text, kSmallFileLimit)) return {};
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

std::vector<std::string> SortedEntries(const char* dir) {
    std::vector<DirEntry> entries;
    std::vector<std::string> names;
    if (!ListDirectory(dir, entries)) return names;
    for (DirEntry& e : entries) names.push_back(std::move(e.name));
    std::sort(names.begin(), names.end());
    return names;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "aa:bb:cc:dd:ee:ff" into six bytes.
bool ParseMac(const std::string& text, MacAddress* mac) {
    if (text.size() != 17) return false;
    for (size_t i = 0; i < 6; ++i) {
        int hi = HexValue(text[i * 3]);
        int lo = HexValue(text[i * 3 + 1]);
        if (hi < 0 || lo < 0 || (i < 5 && text[i * 3 + 2] != ':')) return false;
        (*mac)[i] = static_cast<uint8_t>(hi * 16 + lo);
    }
    return true;
}

bool RealNetworkAdapterAddress(MacAddress* address) {
    for (const std::string& name : SortedEntries(kNetDir)) {
        std::string base = std::string(kNetDir) + "/" + name;
        if (ReadSmallText(base + "/type") == kLoopbackType) continue;
        MacAddress mac{};
        if (!ParseMac(ReadSmallText(base + "/address"), &mac)) continue;
        if (std::all_of(mac.begin(), mac.end(), [](uint8_t b) { return b == 0; })) continue;
        *address = mac;
        return true;
    }
    return false;
}

bool RealTimeBasedUuid(std::array<uint8_t, 16>* uuid) {
    uuid_t u;
    uuid_generate_time(u);
    std::memcpy(uuid->data(), u, uuid->size());
    return true;
}

// Disks backed by a device (loop, RAM and mapper disks have no "device" entry).
std::vector<std::string> PhysicalDisks() {
    std::vector<std::string> disks;
    for (const std::string& name : SortedEntries(kBlockDir))
        if (PathExists(std::string(kBlockDir) + "/" + name + "/device")) disks.push_back(name);
    return disks;
}

// IDENTIFY DEVICE through the drive-command ioctl; needs the right to open the disk and to
// send raw commands, which ordinary users lack.
bool IdentifyDisk(const std::string& disk, std::string* data) {
    std::string dev = "/dev/" + disk;
    int fd = ::open(dev.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    unsigned char buf[HDIO_DRIVE_CMD_HDR_SIZE + kIdentifySize] = {};
    buf[0] = kAtaIdentifyDevice;
    buf[3] = 1;  // one sector of data
    bool ok = ::ioctl(fd, HDIO_DRIVE_CMD, buf) == 0;
    ::close(fd);
    if (!ok) return false;
    data->assign(reinterpret_cast<const char*>(buf) + HDIO_DRIVE_CMD_HDR_SIZE, kIdentifySize);
    return true;
}

std::vector<std::string> RealDiskIdentifyData() {
    std::vector<std::string> blocks;
    for (const std::string& disk : PhysicalDisks()) {
        std::string data;
        if (IdentifyDisk(disk, &data)) blocks.push_back(std::move(data));
    }
    return blocks;
}

// ID_SERIAL_SHORT from udev's database entry for the block device "major:minor".
std::string UdevSerial(const std::string& devNumbers) {
    if (devNumbers.empty()) return {};
    std::string db = ReadSmallText(std::string(kUdevDataDir) + "/b" + devNumbers);
    constexpr std::string_view kKey = "E:ID_SERIAL_SHORT=";
    size_t pos = 0;
    while (pos < db.size()) {
        size_t end = db.find('\n', pos);
        if (end == std::string::npos) end = db.size();
        std::string_view line(db.data() + pos, end - pos);
        if (line.substr(0, kKey.size()) == kKey) return std::string(line.substr(kKey.size()));
        pos = end + 1;
    }
    return {};
}

std::vector<std::string> RealDiskPublishedSerials() {
    std::vector<std::string> serials;
    for (const std::string& disk : PhysicalDisks()) {
        std::string base = std::string(kBlockDir) + "/" + disk;
        std::string serial = ReadSmallText(base + "/serial");
        if (serial.empty()) serial = ReadSmallText(base + "/device/serial");
        if (serial.empty()) serial = UdevSerial(ReadSmallText(base + "/dev"));
        if (!serial.empty()) serials.push_back(std::move(serial));
    }
    return serials;
}

bool RealNewGuid(Guid* guid) {
    uuid_t u;
    uuid_generate_random(u);
    guid->data1 = (uint32_t(u[0]) << 24) | (uint32_t(u[1]) << 16) | (uint32_t(u[2]) << 8) | u[3];
    guid->data2 = static_cast<uint16_t>((u[4] << 8) | u[5]);
    guid->data3 = static_cast<uint16_t>((u[6] << 8) | u[7]);
    std::memcpy(guid->data4.data(), u + 8, guid->data4.size());
    return true;
}

const HardwareSources kReal = {
    RealNetworkAdapterAddress, RealTimeBasedUuid, RealDiskIdentifyData,
    RealDiskPublishedSerials,  RealNewGuid,
};

std::atomic<const HardwareSources*> g_current{&kReal};
HardwareSources g_replaced;

}  // namespace

const HardwareSources& RealHardwareSources() { return kReal; }

const HardwareSources& Hardware() { return *g_current.load(std::memory_order_acquire); }

HardwareSources ReplaceHardwareSources(const HardwareSources& sources) {
    HardwareSources previous = Hardware();
    g_replaced = sources;
    g_current.store(&g_replaced, std::memory_order_release);
    return previous;
}

}  // namespace platform
