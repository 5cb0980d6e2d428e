#pragma once
// Directory helpers shared by every subsystem. Paths use the system's backslashes.

#include <string>

// Turns every "/" into "\", drops one trailing "\", with endsInFileName drops the last
// path component, then creates the directory and every missing parent. True when the
// directory exists afterwards. A path shorter than 2 characters gives false.
bool CreateFileDir(const std::string& path, bool endsInFileName);

// Deletes every file and subdirectory below path, then path itself. False as soon as
// something cannot be deleted, and false when path does not exist.
bool DeleteDir(const std::string& path);

// True for an existing file or directory.
bool FileExists(const std::string& path);
