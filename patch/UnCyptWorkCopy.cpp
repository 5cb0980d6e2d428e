#include "patch/UnCyptWorkCopy.h"

#include "platform/Files.h"

namespace {

void RemoveWorkCopy(const std::string& path) {
    if (!platform::PathExists(path)) return;
    platform::SetNormalAttributes(path);
    platform::DeleteFile(path);
}

}  // namespace

std::string GetUnCyptWorkPath() { return platform::TempDirectory() + UNCYPT_WORK_NAME; }

UnCyptWorkCopy::UnCyptWorkCopy(const std::string& source) : m_strPath(GetUnCyptWorkPath()) {
    RemoveWorkCopy(m_strPath);
    m_bMade = !source.empty() && platform::CopyFile(source, m_strPath, false);
}

UnCyptWorkCopy::~UnCyptWorkCopy() { RemoveWorkCopy(m_strPath); }
