#include "tools/serve/BodySource.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace davserve {

std::shared_ptr<BodySource> BodySource::FromText(std::string text) {
    std::shared_ptr<BodySource> source(new BodySource);
    source->m_size = text.size();
    source->m_text = std::move(text);
    return source;
}

std::shared_ptr<BodySource> BodySource::FromFile(int fd, uint64_t size) {
    std::shared_ptr<BodySource> source(new BodySource);
    source->m_fd = fd;
    source->m_size = size;
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return source;
}

BodySource::~BodySource() {
    if (m_fd >= 0) ::close(m_fd);
}

ssize_t BodySource::Read(uint64_t offset, char* buf, size_t n) const {
    if (offset >= m_size) return 0;
    n = static_cast<size_t>(std::min<uint64_t>(n, m_size - offset));
    if (m_fd < 0) {
        std::memcpy(buf, m_text.data() + offset, n);
        return static_cast<ssize_t>(n);
    }
    ssize_t got;
    do {
        got = ::pread(m_fd, buf, n, static_cast<off_t>(offset));
    } while (got < 0 && errno == EINTR);
    return got;
}

}  // namespace davserve
