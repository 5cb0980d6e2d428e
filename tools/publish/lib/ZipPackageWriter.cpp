#include "tools/publish/lib/ZipPackageWriter.h"

#include <zip.h>

#include "platform/Files.h"

ZipPackageWriter::~ZipPackageWriter() {
    if (m_archive != nullptr) {
        zip_discard(m_archive);
    }
}

bool ZipPackageWriter::Fail(const std::string& what) {
    m_error = what;
    if (m_archive != nullptr) {
        m_error += ": ";
        m_error += zip_strerror(m_archive);
    }
    return false;
}

bool ZipPackageWriter::Open(const std::string& path) {
    if (m_archive != nullptr) {
        zip_discard(m_archive);
        m_archive = nullptr;
    }
    m_buffers.clear();
    int error = 0;
    m_archive = zip_open(platform::NativePath(path).c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (m_archive == nullptr) {
        zip_error_t zipError;
        zip_error_init_with_code(&zipError, error);
        m_error = "cannot create " + path + ": " + zip_error_strerror(&zipError);
        zip_error_fini(&zipError);
        return false;
    }
    return true;
}

bool ZipPackageWriter::SetMethod(long long index, ZipMethod method) {
    zip_int32_t code = ZIP_CM_STORE;
    switch (method) {
        case ZipMethod::Store: code = ZIP_CM_STORE; break;
        case ZipMethod::Deflate: code = ZIP_CM_DEFLATE; break;
        case ZipMethod::Bzip2: code = ZIP_CM_BZIP2; break;
    }
    if (zip_set_file_compression(m_archive, zip_uint64_t(index), code, 0) != 0) {
        return Fail("cannot set the compression method");
    }
    return true;
}

bool ZipPackageWriter::AddFile(const std::string& memberName, const std::string& sourcePath,
                               ZipMethod method) {
    if (m_archive == nullptr) {
        return Fail("archive not open");
    }
    zip_source_t* source = zip_source_file(m_archive, platform::NativePath(sourcePath).c_str(), 0, -1);
    if (source == nullptr) {
        return Fail("cannot read " + sourcePath);
    }
    return AddSource(memberName, source, method);
}

bool ZipPackageWriter::AddBytes(const std::string& memberName, const std::string& data,
                                ZipMethod method) {
    if (m_archive == nullptr) {
        return Fail("archive not open");
    }
    m_buffers.push_back(data);
    const std::string& kept = m_buffers.back();
    zip_source_t* source = zip_source_buffer(m_archive, kept.data(), kept.size(), 0);
    if (source == nullptr) {
        return Fail("cannot add " + memberName);
    }
    return AddSource(memberName, source, method);
}

bool ZipPackageWriter::AddSource(const std::string& memberName, zip_source_t* source, ZipMethod method) {
    const zip_int64_t index = zip_file_add(m_archive, memberName.c_str(), source,
                                           ZIP_FL_OVERWRITE | ZIP_FL_ENC_RAW);
    if (index < 0) {
        zip_source_free(source);
        return Fail("cannot add " + memberName);
    }
    return SetMethod(index, method);
}

bool ZipPackageWriter::AddDirectory(const std::string& name) {
    if (m_archive == nullptr) {
        return Fail("archive not open");
    }
    if (zip_dir_add(m_archive, name.c_str(), ZIP_FL_ENC_RAW) < 0) {
        return Fail("cannot add directory " + name);
    }
    return true;
}

bool ZipPackageWriter::Close() {
    if (m_archive == nullptr) {
        return Fail("archive not open");
    }
    if (zip_close(m_archive) != 0) {
        Fail("cannot write the archive");
        zip_discard(m_archive);
        m_archive = nullptr;
        m_buffers.clear();
        return false;
    }
    m_archive = nullptr;
    m_buffers.clear();
    return true;
}
