#pragma once
// The bytes of an answer's body: a served file read in pieces as it is sent (never held in
// memory whole), or a short text.

#include <cstdint>
#include <memory>
#include <string>
#include <sys/types.h>

namespace davserve {

class BodySource {
public:
    // A body of this text.
    static std::shared_ptr<BodySource> FromText(std::string text);
    // A body read from an open file descriptor of size bytes; the source owns and closes it.
    static std::shared_ptr<BodySource> FromFile(int fd, uint64_t size);

    ~BodySource();
    BodySource(const BodySource&) = delete;
    BodySource& operator=(const BodySource&) = delete;

    uint64_t Size() const { return m_size; }
    // The open file of a file body; -1 for a text body.
    int FileDescriptor() const { return m_fd; }
    // Copies up to n bytes from offset into buf; the count copied, 0 at the end, -1 when
    // the file cannot be read.
    ssize_t Read(uint64_t offset, char* buf, size_t n) const;

private:
    BodySource() = default;
    std::string m_text;
    int m_fd = -1;
    uint64_t m_size = 0;
};

}  // namespace davserve
