#include "platform/Files.h"

#include "platform/SysOps.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

std::string NativePath(const std::string& path) {
    std::string out = path;
    std::replace(out.begin(), out.end(), '\\', '/');
    return out;
}

namespace {

bool StatPath(const std::string& path, struct stat& st) {
    return ::stat(NativePath(path).c_str(), &st) == 0;
}

}  // namespace

bool PathExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && StatPath(path, st);
}

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return StatPath(path, st) && S_ISDIR(st.st_mode);
}

bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return StatPath(path, st) && S_ISREG(st.st_mode);
}

int64_t FileSize(const std::string& path) {
    struct stat st {};
    if (!StatPath(path, st) || S_ISDIR(st.st_mode)) return -1;
    return static_cast<int64_t>(st.st_size);
}

bool IsReadOnly(const std::string& path) {
    struct stat st {};
    return StatPath(path, st) && (st.st_mode & S_IWUSR) == 0;
}

bool SetReadOnly(const std::string& path, bool readOnly) {
    struct stat st {};
    if (!StatPath(path, st)) return false;
    mode_t mode = st.st_mode & 07777;
    mode = readOnly ? (mode & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH)) : (mode | S_IWUSR);
    return Ops().chmod(NativePath(path).c_str(), mode) == 0;
}

bool SetNormalAttributes(const std::string& path) { return SetReadOnly(path, false); }

bool DeleteFile(const std::string& path) {
    struct stat st {};
    if (!StatPath(path, st) || S_ISDIR(st.st_mode)) return false;
    if ((st.st_mode & S_IWUSR) == 0) {
        errno = EACCES;
        return false;
    }
    return Ops().unlink(NativePath(path).c_str()) == 0;
}

bool MoveFile(const std::string& from, const std::string& to) {
    if (!PathExists(from) || PathExists(to)) return false;
    return Ops().rename(NativePath(from).c_str(), NativePath(to).c_str()) == 0;
}

bool RenameReplacing(const std::string& from, const std::string& to) {
    return Ops().rename(NativePath(from).c_str(), NativePath(to).c_str()) == 0;
}

bool CopyFile(const std::string& from, const std::string& to, bool failIfExists) {
    struct stat st {};
    if (!StatPath(from, st) || S_ISDIR(st.st_mode)) return false;
    if (PathExists(to)) {
        if (failIfExists || IsDirectory(to) || IsReadOnly(to)) return false;
    }
    File in;
    if (!in.Open(from, File::Mode::Read)) return false;
    File out;
    if (!out.Open(to, File::Mode::WriteTruncate)) return false;
    std::vector<char> buffer(1 << 20);
    for (;;) {
        int64_t n = in.Read(buffer.data(), buffer.size());
        if (n < 0) return false;
        if (n == 0) break;
        if (!out.Write(buffer.data(), static_cast<size_t>(n))) return false;
    }
    if (!out.Close()) return false;
    return Ops().chmod(NativePath(to).c_str(), st.st_mode & 07777) == 0;
}

bool CreateDirectory(const std::string& path) {
    if (Ops().mkdir(NativePath(path).c_str(), 0777) == 0) return true;
    return errno == EEXIST && IsDirectory(path);
}

bool RemoveDirectory(const std::string& path) { return Ops().rmdir(NativePath(path).c_str()) == 0; }

bool ListDirectory(const std::string& path, std::vector<DirEntry>& entries) {
    entries.clear();
    DIR* dir = ::opendir(NativePath(path).c_str());
    if (dir == nullptr) return false;
    std::string base = NativePath(path);
    if (!base.empty() && base.back() != '/') base += '/';
    while (dirent* e = ::readdir(dir)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        DirEntry entry;
        entry.name = name;
        struct stat st {};
        entry.isDirectory = ::lstat((base + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        entries.push_back(std::move(entry));
    }
    ::closedir(dir);
    return true;
}

bool FreeSpace(const std::string& path, uint64_t& bytes) {
    return Ops().freeSpace(NativePath(path).c_str(), &bytes) == 0;
}

std::string TempDirectory() {
    const char* env = std::getenv("TMPDIR");
    std::string dir = (env != nullptr && *env != '\0') ? env : "/tmp";
    if (dir.back() != '/') dir += '/';
    return dir;
}

bool ReadWholeFile(const std::string& path, std::string& data, uint64_t maxBytes) {
    data.clear();
    File in;
    if (!in.Open(path, File::Mode::Read)) return false;
    char buffer[65536];
    for (;;) {
        int64_t n = in.Read(buffer, sizeof buffer);
        if (n < 0) return false;
        if (n == 0) return true;
        if (data.size() + static_cast<uint64_t>(n) > maxBytes) return false;
        data.append(buffer, static_cast<size_t>(n));
    }
}

bool WriteWholeFile(const std::string& path, const std::string& data) {
    File out;
    return out.Open(path, File::Mode::WriteTruncate) && out.Write(data.data(), data.size()) &&
           out.Close();
}

File::~File() { Close(); }

File::File(File&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Close();
        m_fd = other.m_fd;
        other.m_fd = -1;
    }
    return *this;
}

bool File::Open(const std::string& path, Mode mode) {
    Close();
    int flags = O_RDONLY;
    if (mode == Mode::WriteTruncate) flags = O_WRONLY | O_CREAT | O_TRUNC;
    if (mode == Mode::Append) flags = O_WRONLY | O_CREAT | O_APPEND;
    m_fd = Ops().open(NativePath(path).c_str(), flags, 0666);
    if (m_fd >= 0 && mode == Mode::Read) {
        struct stat st {};
        if (::fstat(m_fd, &st) != 0 || S_ISDIR(st.st_mode)) {
            Close();
            return false;
        }
    }
    return m_fd >= 0;
}

int64_t File::Read(void* buf, size_t n) {
    if (m_fd < 0) return -1;
    return Ops().read(m_fd, buf, n);
}

bool File::Write(const void* buf, size_t n) {
    if (m_fd < 0) return false;
    const char* p = static_cast<const char*>(buf);
    while (n > 0) {
        ssize_t w = Ops().write(m_fd, p, n);
        if (w <= 0) return false;
        p += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

bool File::Sync() { return m_fd >= 0 && Ops().fsync(m_fd) == 0; }

bool File::Close() {
    if (m_fd < 0) return true;
    int rc = Ops().close(m_fd);
    m_fd = -1;
    return rc == 0;
}

}  // namespace platform
