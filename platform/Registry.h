#pragma once
// The registry stand-in: a directory tree of keys and values.
//
// Root: $DAVURERUVO_REGISTRY when set, else $XDG_DATA_HOME/DAVureruvo/registry, else
// ~/.local/share/DAVureruvo/registry. Under it one directory per hive, "HKEY_CURRENT_USER"
// and "HKEY_LOCAL_MACHINE". Every component of a key path ("SOFTWARE\tallowind\Morvane") is
// a directory; components are matched without regard to case (ASCII folding), and a key
// that is created takes the caller's spelling. A value is a file in its key's directory:
// "<name>.bin" holds binary data (the raw bytes), "<name>.sz" a string (UTF-8 on disk,
// UTF-16 to callers). Value names are matched without regard to case as well.
// Writes replace a value atomically: a temporary file in the key's directory, then rename,
// through the SysOps table; a reader sees the old value or the new one, never a mix.
// The root is looked up afresh on every Open or Create.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

enum class RegistryHive { CurrentUser, LocalMachine };

enum class RegistryValueType { Binary, String };

struct RegistryValue {
    RegistryValueType type = RegistryValueType::Binary;
    std::string bytes;    // Binary: the raw bytes
    std::u16string text;  // String: the text
};

// The root directory of the stand-in as the environment names it (no trailing "/"); empty
// when neither variable nor a home directory is known.
std::string RegistryRoot();

// An open key: the resolved directory of an existing key. Copyable; nothing to release.
class RegistryKey {
public:
    // Opens an existing key. path uses "\" between components; empty components (a leading
    // or trailing "\") are ignored, so an empty path is the hive itself. False when any
    // component is missing, is ".." or "." or contains "/".
    bool Open(RegistryHive hive, std::string_view path);

    // Opens the key, creating every missing component (and the root and hive directories).
    // False when a component cannot be created or is not a valid name.
    bool Create(RegistryHive hive, std::string_view path);

    // True after a successful Open or Create.
    bool IsOpen() const { return !m_dir.empty(); }

    // The key's directory on disk (empty when not open).
    const std::string& Directory() const { return m_dir; }

    // Reads a value and its type. False when the key is not open, the value does not exist,
    // cannot be read, or is larger than maxBytes on disk. Bytes of a string that are not
    // valid UTF-8 become "?".
    bool ReadValue(std::string_view name, RegistryValue& value,
                   size_t maxBytes = kMaxValueBytes) const;

    // Write a value of the given type, replacing whatever value of that name (of either type)
    // was there. False when the key is not open, the name is empty or contains "/" or "\",
    // or the temporary file cannot be written or renamed; the old value is then unchanged.
    bool WriteBinary(std::string_view name, std::string_view bytes);
    bool WriteString(std::string_view name, std::u16string_view text);

    // The names of the direct subkeys, sorted by their case-folded name (as the system
    // enumerates them). False when the key is not open or its directory cannot be read.
    bool ListSubkeys(std::vector<std::string>& names) const;

    // The largest value ReadValue accepts unless told otherwise.
    static constexpr size_t kMaxValueBytes = 1 << 20;

private:
    bool Resolve(RegistryHive hive, std::string_view path, bool create);
    bool WriteValue(std::string_view name, std::string_view data, RegistryValueType type);

    std::string m_dir;
};

}  // namespace platform
