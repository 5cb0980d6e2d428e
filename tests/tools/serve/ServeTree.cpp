#include "tests/tools/serve/ServeTree.h"

#include <filesystem>

namespace servetest {

std::string ServeTree::Pattern() {
    std::string bytes(64 * 1024, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 % 251);
    return bytes;
}

ServeTree::ServeTree() {
    using testsupport::WriteFileMakingDirs;
    WriteFileMakingDirs(Root() + "/data/a.txt", kHello);
    WriteFileMakingDirs(Root() + "/data/other.txt", "other\n");
    WriteFileMakingDirs(Root() + "/data/five.txt", "12345");
    WriteFileMakingDirs(Root() + "/data/pattern.bin", Pattern());
    WriteFileMakingDirs(Root() + "/data/with space.txt", "spaced\n");
    WriteFileMakingDirs(Root() + "/empty.bin", "");
    WriteFileMakingDirs(m_dir / "secret.txt", "secret\n");
    std::filesystem::create_symlink("../secret.txt", Root() + "/link-out.txt");
}

}  // namespace servetest
