#pragma once
// A small served tree for the update-server tests, with a file outside it that no request
// may reach.

#include <string>

#include "tests/support/TempDir.h"

namespace servetest {

class ServeTree {
public:
    ServeTree();
    // The directory served.
    std::string Root() const { return m_dir / "root"; }
    // The bytes of data/pattern.bin (64 KiB, no two neighbours equal).
    static std::string Pattern();

private:
    testsupport::TempDir m_dir;
};

inline constexpr const char* kHello = "hello world\n";  // data/a.txt

}  // namespace servetest
