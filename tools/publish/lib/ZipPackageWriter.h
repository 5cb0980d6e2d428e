#pragma once
// Writes ZIP package archives with libzip. Members are added from files or from bytes and
// written when the archive is closed. Member names are stored as given, byte for byte (the
// launcher accepts "/" and "\" as separators).

#include <deque>
#include <string>

typedef struct zip zip_t;
typedef struct zip_source zip_source_t;

enum class ZipMethod {
    Store,
    Deflate,
    Bzip2,  // a method the launcher's reader does not support; tests use it
};

class ZipPackageWriter {
public:
    ZipPackageWriter() = default;
    ~ZipPackageWriter();  // discards an archive that was not closed
    ZipPackageWriter(const ZipPackageWriter&) = delete;
    ZipPackageWriter& operator=(const ZipPackageWriter&) = delete;

    // Starts a new archive at path, replacing any file there when closed.
    bool Open(const std::string& path);
    // Adds a member holding the file at sourcePath (read when the archive is closed).
    bool AddFile(const std::string& memberName, const std::string& sourcePath, ZipMethod method);
    // Adds a member holding data.
    bool AddBytes(const std::string& memberName, const std::string& data, ZipMethod method);
    // Adds a directory entry; name should end in "/".
    bool AddDirectory(const std::string& name);
    // Writes the archive. False when any member cannot be written.
    bool Close();

    // The reason of the last failure.
    const std::string& Error() const { return m_error; }

private:
    // Adds source (taken over, freed on failure) as memberName with its method.
    bool AddSource(const std::string& memberName, zip_source_t* source, ZipMethod method);
    bool SetMethod(long long index, ZipMethod method);
    bool Fail(const std::string& what);

    zip_t* m_archive = nullptr;
    std::deque<std::string> m_buffers;  // bytes of AddBytes members, alive until Close
    std::string m_error;
};
