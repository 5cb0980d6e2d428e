#pragma once
// Shared pieces of the unpacking and delta tests: a temporary working directory that is
// also the current directory (so "Launch.log" lands there), and generated contents.

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "tests/support/TempDir.h"

namespace packagetest {

// n bytes mixing compressible runs and pseudo-random stretches, fixed by seed.
std::string MixedData(size_t n, uint32_t seed);

// A copy of data with a few bytes changed and a stretch inserted, as a new game version.
std::string EditedCopy(const std::string& data, uint32_t seed);

class WorkDirTest : public ::testing::Test {
protected:
    WorkDirTest() : m_cwd(m_dir.Path()) {}

    std::string PathOf(const std::string& name) const { return m_dir / name; }
    // The launcher's log in the working directory ("" when nothing was logged).
    std::string Log() const { return testsupport::ReadFile(m_dir / "Launch.log"); }
    bool Exists(const std::string& name) const;

    testsupport::TempDir m_dir;
    testsupport::ScopedCurrentDir m_cwd;
};

}  // namespace packagetest
