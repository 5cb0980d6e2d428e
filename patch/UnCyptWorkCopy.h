#pragma once
// The one working copy through which enveloped lists and descriptions are read without
// rewriting their source: "GameInfo.ini.UnCypt" in the temporary directory. Every reader
// runs on the procedure worker thread, one after another, so they share the one path.

#include <string>

inline constexpr const char* UNCYPT_WORK_NAME = "GameInfo.ini.UnCypt";

// The temporary directory followed by UNCYPT_WORK_NAME.
std::string GetUnCyptWorkPath();

// Copies source over the working path on construction (an older copy, read-only or not, is
// removed first) and deletes the working copy on destruction, whatever happened between.
class UnCyptWorkCopy {
public:
    explicit UnCyptWorkCopy(const std::string& source);
    ~UnCyptWorkCopy();
    UnCyptWorkCopy(const UnCyptWorkCopy&) = delete;
    UnCyptWorkCopy& operator=(const UnCyptWorkCopy&) = delete;

    // True when the copy was made.
    bool Made() const { return m_bMade; }
    const std::string& Path() const { return m_strPath; }

private:
    std::string m_strPath;
    bool m_bMade = false;
};
