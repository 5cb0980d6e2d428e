#include "tests/patch/PackageTestData.h"

#include <filesystem>

namespace packagetest {

namespace {

uint32_t Next(uint32_t& state) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

}  // namespace

std::string MixedData(size_t n, uint32_t seed) {
    std::string data;
    data.reserve(n);
    uint32_t state = seed * 2654435761u + 1;
    static const char kWords[] = "texture mesh sound script level actor ";
    while (data.size() < n) {
        const uint32_t run = 16 + Next(state) % 512;
        if (Next(state) % 3 == 0) {
            for (uint32_t i = 0; i < run && data.size() < n; ++i) {
                data.push_back(char(Next(state)));
            }
        } else {
            for (uint32_t i = 0; i < run && data.size() < n; ++i) {
                data.push_back(kWords[(i + state % 7) % (sizeof kWords - 1)]);
            }
        }
    }
    return data;
}

std::string EditedCopy(const std::string& data, uint32_t seed) {
    std::string edited = data;
    uint32_t state = seed * 40503u + 7;
    for (int i = 0; i < 16 && !edited.empty(); ++i) {
        edited[Next(state) % edited.size()] ^= char(0x5A);
    }
    edited.insert(edited.size() / 2, MixedData(1000, seed + 1));
    return edited;
}

bool WorkDirTest::Exists(const std::string& name) const {
    return std::filesystem::exists(m_dir / name);
}

}  // namespace packagetest
