#pragma once
// From a request target to a file of the served tree.

#include <cstdint>
#include <string>

namespace davserve {

// The path part of a request target (before "?"), percent-decoded ("+" stays "+").
// False for a malformed escape or an encoded NUL.
bool DecodeRequestPath(const std::string& target, std::string& path);

enum class Lookup { Found, NotFound, Forbidden };

// Opens the regular file a decoded request path names under root (an absolute path
// without symbolic links, e.g. from realpath). Forbidden when a path segment is ".." or the
// file resolves outside root; NotFound when it is missing, a directory or unreadable.
// On Found, fd is open for reading (the caller closes it) and size is its length.
Lookup OpenServedFile(const std::string& root, const std::string& path, int& fd,
                      uint64_t& size);

// The Content-Type for a file name, by its extension.
std::string ContentTypeFor(const std::string& path);

}  // namespace davserve
