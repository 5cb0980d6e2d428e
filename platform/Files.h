#pragma once
// Files and directories. Every path is given as the system writes it (backslashes allowed);
// each function maps "\" to "/" before it reaches the operating system. Relative paths are
// relative to the current directory. All operations go through the SysOps table.

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// "\" to "/": the only place separators are converted.
std::string NativePath(const std::string& path);

// True for an existing file or directory.
bool PathExists(const std::string& path);
bool IsDirectory(const std::string& path);
bool IsRegularFile(const std::string& path);

// Size in bytes; -1 when the file does not exist or cannot be examined.
int64_t FileSize(const std::string& path);

// The read-only attribute is the absence of the owner's write bit.
bool IsReadOnly(const std::string& path);
bool SetReadOnly(const std::string& path, bool readOnly);
// Clears the read-only attribute (the "normal" attributes); false when the path is missing.
bool SetNormalAttributes(const std::string& path);

// Deletes a file. Like the system it stands in for, a read-only file is not deleted.
bool DeleteFile(const std::string& path);
// Renames a file or directory; fails when the destination exists.
bool MoveFile(const std::string& from, const std::string& to);
// Renames a file over an existing destination (atomic on one volume).
bool RenameReplacing(const std::string& from, const std::string& to);
// Copies a file. With failIfExists false an existing destination is overwritten (it must not
// be read-only). The copy keeps the source's permission bits.
bool CopyFile(const std::string& from, const std::string& to, bool failIfExists);

// One directory level; true when it exists afterwards as a directory.
bool CreateDirectory(const std::string& path);
// Removes an empty directory.
bool RemoveDirectory(const std::string& path);

struct DirEntry {
    std::string name;
    bool isDirectory = false;
};
// The entries of a directory without "." and ".."; false when it cannot be read.
bool ListDirectory(const std::string& path, std::vector<DirEntry>& entries);

// Free bytes for the caller on the volume holding path; false when path does not exist.
bool FreeSpace(const std::string& path, uint64_t& bytes);

// The temporary directory ($TMPDIR, else /tmp) with a trailing "/".
std::string TempDirectory();

// Whole-file helpers. ReadWholeFile refuses files larger than maxBytes.
bool ReadWholeFile(const std::string& path, std::string& data, uint64_t maxBytes = UINT64_MAX);
bool WriteWholeFile(const std::string& path, const std::string& data);

// An open file descriptor, closed on destruction.
class File {
public:
    enum class Mode { Read, WriteTruncate, Append };
    File() = default;
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    bool Open(const std::string& path, Mode mode);
    bool IsOpen() const { return m_fd >= 0; }
    // Reads up to n bytes; returns the count, 0 at the end, -1 on error.
    int64_t Read(void* buf, size_t n);
    // Writes all n bytes; false on any error.
    bool Write(const void* buf, size_t n);
    bool Sync();
    bool Close();
    int Descriptor() const { return m_fd; }

private:
    int m_fd = -1;
};

}  // namespace platform
