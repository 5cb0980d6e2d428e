#pragma once
// A fresh temporary directory for one test, removed afterwards. ScopedCurrentDir makes it
// the current directory for the test's duration, since the launcher works relative to it.

#include <string>

namespace testsupport {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return m_path; }
    // Path of a name inside the directory.
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

class ScopedCurrentDir {
public:
    explicit ScopedCurrentDir(const std::string& dir);
    ~ScopedCurrentDir();
    ScopedCurrentDir(const ScopedCurrentDir&) = delete;
    ScopedCurrentDir& operator=(const ScopedCurrentDir&) = delete;

private:
    std::string m_previous;
};

// Whole-file helpers for test fixtures (plain I/O, not through the fault table).
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& data);
// Creates the parent directories of path as needed, then writes it.
void WriteFileMakingDirs(const std::string& path, const std::string& data);
// How often needle occurs in text (overlapping occurrences count).
int CountOccurrences(const std::string& text, const std::string& needle);

}  // namespace testsupport
