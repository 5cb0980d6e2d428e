#include "tests/telemetry/FakeHardware.h"

namespace {

FakeHardware* g_fake = nullptr;

bool FakeMac(platform::MacAddress* mac) {
    ++g_fake->calls;
    if (g_fake->hasMac) *mac = g_fake->mac;
    return g_fake->hasMac;
}

bool FakeUuid(std::array<uint8_t, 16>* uuid) {
    ++g_fake->calls;
    if (g_fake->hasUuid) *uuid = g_fake->uuid;
    return g_fake->hasUuid;
}

std::vector<std::string> FakeIdentify() {
    ++g_fake->calls;
    return g_fake->identify;
}

std::vector<std::string> FakePublished() {
    ++g_fake->calls;
    return g_fake->published;
}

bool FakeGuid(platform::Guid* guid) {
    if (g_fake->hasGuid) *guid = g_fake->guid;
    return g_fake->hasGuid;
}

}  // namespace

FakeHardware::FakeHardware()
    : m_saved(platform::ReplaceHardwareSources(
          {FakeMac, FakeUuid, FakeIdentify, FakePublished, FakeGuid})) {
    g_fake = this;
}

FakeHardware::~FakeHardware() {
    platform::ReplaceHardwareSources(m_saved);
    g_fake = nullptr;
}

std::string IdentifyData(const std::string& serial) {
    std::string field = serial;
    field.resize(20, '\0');
    std::string data(512, '\0');
    for (size_t i = 0; i < 10; ++i) {
        size_t word = 10 + i;
        data[2 * word] = field[2 * i + 1];  // low byte
        data[2 * word + 1] = field[2 * i];  // high byte
    }
    return data;
}
