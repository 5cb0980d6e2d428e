#include "common/CopyIntoPlace.h"

#include "platform/Files.h"


bool CopyIntoPlace(const std::string& source, const std::string& destination) {
    if (!platform::IsRegularFile(source)) return false;
    // A sibling in the destination's directory, so the final rename stays on one volume.
    const std::string temporary = destination + ".dav-partial";
    platform::File in;
    platform::File out;
    bool ok = in.Open(source, platform::File::Mode::Read) &&
              out.Open(temporary, platform::File::Mode::WriteTruncate);
    if (ok) {
        static constexpr size_t kBlock = 1 << 20;
        std::string buffer(kBlock, '\0');
        for (;;) {
            int64_t n = in.Read(buffer.data(), kBlock);
            if (n < 0) {
                ok = false;
                break;
            }
            if (n == 0) break;
            if (!out.Write(buffer.data(), static_cast<size_t>(n))) {
                ok = false;
                break;
            }
        }
    }
    ok = ok && out.Sync();
    ok = out.Close() && ok;
    if (ok && platform::PathExists(destination)) platform::SetNormalAttributes(destination);
    ok = ok && platform::RenameReplacing(temporary, destination);
    if (!ok) {
        if (platform::PathExists(temporary)) platform::DeleteFile(temporary);
        return false;
    }
    return true;
}
