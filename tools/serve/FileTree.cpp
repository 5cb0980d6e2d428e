#include "tools/serve/FileTree.h"

#include <cctype>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace davserve {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool HasParentSegment(const std::string& path) {
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        if (path.compare(start, end - start, "..") == 0 && end - start == 2) return true;
        start = end + 1;
    }
    return false;
}

struct TypeEntry {
    const char* extension;
    const char* type;
};

const TypeEntry kContentTypes[] = {
    {".html", "text/html; charset=utf-8"},
    {".htm", "text/html; charset=utf-8"},
    {".css", "text/css"},
    {".js", "text/javascript"},
    {".png", "image/png"},
    {".jpg", "image/jpeg"},
    {".gif", "image/gif"},
    {".txt", "text/plain"},
};

}  // namespace

bool DecodeRequestPath(const std::string& target, std::string& path) {
    path.clear();
    size_t end = target.find('?');
    if (end == std::string::npos) end = target.size();
    for (size_t i = 0; i < end; ++i) {
        char c = target[i];
        if (c == '%') {
            if (i + 2 >= end) return false;
            int high = HexValue(target[i + 1]);
            int low = HexValue(target[i + 2]);
            if (high < 0 || low < 0) return false;
            c = static_cast<char>(high * 16 + low);
            if (c == '\0') return false;
            i += 2;
        }
        path += c;
    }
    return true;
}

Lookup OpenServedFile(const std::string& root, const std::string& path, int& fd,
                      uint64_t& size) {
    fd = -1;
    size = 0;
    if (path.empty() || path[0] != '/' || HasParentSegment(path)) return Lookup::Forbidden;
    std::string full = root + path;
    char resolved[PATH_MAX];
    if (!::realpath(full.c_str(), resolved)) return Lookup::NotFound;
    std::string real = resolved;
    if (root != "/" && real != root && real.compare(0, root.size() + 1, root + "/") != 0)
        return Lookup::Forbidden;
    int file = ::open(real.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0) return Lookup::NotFound;
    struct stat st {};
    if (::fstat(file, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(file);
        return Lookup::NotFound;
    }
    fd = file;
    size = static_cast<uint64_t>(st.st_size);
    return Lookup::Found;
}

std::string ContentTypeFor(const std::string& path) {
    for (const TypeEntry& entry : kContentTypes) {
        std::string extension = entry.extension;
        if (path.size() >= extension.size() &&
            path.compare(path.size() - extension.size(), extension.size(), extension) == 0)
            return entry.type;
    }
    return "application/octet-stream";
}

}  // namespace davserve
