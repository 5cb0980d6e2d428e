#include "platform/Registry.h"

#include "platform/Files.h"
#include "platform/Text.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace platform {
namespace {

constexpr std::string_view kBinaryExt = ".bin";
constexpr std::string_view kStringExt = ".sz";

const char* HiveDirectoryName(RegistryHive hive) {
    return hive == RegistryHive::LocalMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
}

std::string HomeDirectory() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
    struct passwd pw {};
    struct passwd* result = nullptr;
    char buf[4096];
    if (getpwuid_r(getuid(), &pw, buf, sizeof buf, &result) == 0 && result != nullptr &&
        result->pw_dir != nullptr)
        return result->pw_dir;
    return {};
}

std::string TrimTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

// A key or value name that can stand as one directory entry.
bool IsValidComponent(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}

std::vector<std::string_view> SplitKeyPath(std::string_view path) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string_view::npos) end = path.size();
        if (end > start) parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// Orders names as the system enumerates keys: by their case-folded form, ties by bytes.
bool FoldedLess(const std::string& a, const std::string& b) {
    auto fold = [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; };
    bool less = std::lexicographical_compare(
        a.begin(), a.end(), b.begin(), b.end(),
        [&](char x, char y) { return fold(x) < fold(y); });
    if (less) return true;
    bool greater = std::lexicographical_compare(
        b.begin(), b.end(), a.begin(), a.end(),
        [&](char x, char y) { return fold(x) < fold(y); });
    return !greater && a < b;
}

// The entry of dir matching name without regard to case: the exact spelling when present,
// else the first in enumeration order. Empty when none matches.
std::string FindEntry(const std::vector<DirEntry>& entries, std::string_view name, bool directory) {
    std::string best;
    for (const DirEntry& e : entries) {
        if (e.isDirectory != directory || !EqualsNoCase(e.name, name)) continue;
        if (e.name == name) return e.name;
        if (best.empty() || FoldedLess(e.name, best)) best = e.name;
    }
    return best;
}

// Creates path and every missing parent directory.
bool CreateDirectories(const std::string& path) {
    if (IsDirectory(path)) return true;
    size_t pos = 0;
    while ((pos = path.find('/', pos + 1)) != std::string::npos) {
        std::string prefix = path.substr(0, pos);
        if (!IsDirectory(prefix) && !CreateDirectory(prefix)) return false;
    }
    return CreateDirectory(path);
}

bool HasSuffix(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

struct ValueFile {
    std::string fileName;
    RegistryValueType type;
};

// Every file of the key that holds a value called name (either type, any case), the best
// match first: exact spelling before other spellings, then enumeration order.
std::vector<ValueFile> FindValueFiles(const std::string& dir, std::string_view name) {
    std::vector<ValueFile> found;
    std::vector<DirEntry> entries;
    if (!ListDirectory(dir, entries)) return found;
    std::vector<std::pair<bool, std::string>> matches;  // (exact, file name)
    for (const DirEntry& e : entries) {
        if (e.isDirectory) continue;
        std::string_view ext = HasSuffix(e.name, kBinaryExt)   ? kBinaryExt
                               : HasSuffix(e.name, kStringExt) ? kStringExt
                                                               : std::string_view();
        if (ext.empty()) continue;
        std::string_view stem = std::string_view(e.name).substr(0, e.name.size() - ext.size());
        if (!EqualsNoCase(stem, name)) continue;
        matches.emplace_back(stem == name, e.name);
    }
    std::sort(matches.begin(), matches.end(), [](const auto& a, const auto& b) {
        if (a.first != b.first) return a.first;
        return FoldedLess(a.second, b.second);
    });
    for (auto& m : matches) {
        RegistryValueType type =
            HasSuffix(m.second, kBinaryExt) ? RegistryValueType::Binary : RegistryValueType::String;
        found.push_back({std::move(m.second), type});
    }
    return found;
}

std::string TemporaryName(std::string_view valueName) {
    static std::atomic<unsigned> counter{0};
    return "." + std::string(valueName) + "." + std::to_string(getpid()) + "." +
           std::to_string(counter.fetch_add(1)) + ".tmp";
}

}  // namespace

std::string RegistryRoot() {
    if (const char* root = std::getenv("DAVURERUVO_REGISTRY"); root != nullptr && *root != '\0')
        return TrimTrailingSlashes(root);
    std::string data;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && *xdg != '\0') {
        data = xdg;
    } else {
        std::string home = HomeDirectory();
        if (home.empty()) return {};
        data = TrimTrailingSlashes(home) + "/.local/share";
    }
    return TrimTrailingSlashes(data) + "/DAVureruvo/registry";
}

bool RegistryKey::Open(RegistryHive hive, std::string_view path) {
    return Resolve(hive, path, false);
}

bool RegistryKey::Create(RegistryHive hive, std::string_view path) {
    return Resolve(hive, path, true);
}

bool RegistryKey::Resolve(RegistryHive hive, std::string_view path, bool create) {
    m_dir.clear();
    std::string root = RegistryRoot();
    if (root.empty()) return false;
    if (create && !CreateDirectories(root)) return false;

    std::vector<std::string_view> parts = SplitKeyPath(path);
    parts.insert(parts.begin(), HiveDirectoryName(hive));
    std::string dir = root;
    for (std::string_view part : parts) {
        if (!IsValidComponent(part)) return false;
        std::vector<DirEntry> entries;
        if (!ListDirectory(dir, entries)) return false;
        std::string match = FindEntry(entries, part, true);
        if (match.empty()) {
            if (!create) return false;
            // Another writer may create the same key at the same moment: CreateDirectory
            // succeeds when the directory exists afterwards.
            match = std::string(part);
            if (!CreateDirectory(dir + "/" + match)) return false;
        }
        dir += "/" + match;
    }
    m_dir = std::move(dir);
    return true;
}

bool RegistryKey::ReadValue(std::string_view name, RegistryValue& value, size_t maxBytes) const {
    if (!IsOpen() || !IsValidComponent(name)) return false;
    std::vector<ValueFile> files = FindValueFiles(m_dir, name);
    if (files.empty()) return false;
    std::string data;
    if (!ReadWholeFile(m_dir + "/" + files.front().fileName, data, maxBytes)) return false;
    value.type = files.front().type;
    if (value.type == RegistryValueType::Binary) {
        value.bytes = std::move(data);
        value.text.clear();
    } else {
        value.text = Utf8ToUtf16(data);
        value.bytes.clear();
    }
    return true;
}

bool RegistryKey::WriteBinary(std::string_view name, std::string_view bytes) {
    return WriteValue(name, bytes, RegistryValueType::Binary);
}

bool RegistryKey::WriteString(std::string_view name, std::u16string_view text) {
    return WriteValue(name, Utf16ToUtf8(text), RegistryValueType::String);
}

bool RegistryKey::WriteValue(std::string_view name, std::string_view data, RegistryValueType type) {
    if (!IsOpen() || !IsValidComponent(name)) return false;
    std::vector<ValueFile> existing = FindValueFiles(m_dir, name);

    // Replace a value of the same type under its own spelling, so the name keeps its case.
    std::string target;
    for (const ValueFile& f : existing) {
        if (f.type == type) {
            target = f.fileName;
            break;
        }
    }
    if (target.empty())
        target = std::string(name) +
                 std::string(type == RegistryValueType::Binary ? kBinaryExt : kStringExt);

    std::string tempPath = m_dir + "/" + TemporaryName(name);
    bool written = false;
    {
        File file;
        if (file.Open(tempPath, File::Mode::WriteTruncate)) {
            written = file.Write(data.data(), data.size()) && file.Sync();
            written = file.Close() && written;
        }
    }
    if (!written || !RenameReplacing(tempPath, m_dir + "/" + target)) {
        DeleteFile(tempPath);
        return false;
    }
    // Other files of the same value (the other type, other spellings) would shadow or
    // contradict the new one.
    for (const ValueFile& f : existing)
        if (f.fileName != target) DeleteFile(m_dir + "/" + f.fileName);
    return true;
}

bool RegistryKey::ListSubkeys(std::vector<std::string>& names) const {
    names.clear();
    if (!IsOpen()) return false;
    std::vector<DirEntry> entries;
    if (!ListDirectory(m_dir, entries)) return false;
    for (DirEntry& e : entries)
        if (e.isDirectory) names.push_back(std::move(e.name));
    std::sort(names.begin(), names.end(), FoldedLess);
    return true;
}

}  // namespace platform
