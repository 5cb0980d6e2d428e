#include "patch/QzVersionRepairInfo.h"

#include "common/TextHelpers.h"
#include "patch/DescriptionFields.h"
#include "patch/IniDocument.h"
#include "patch/Envelope.h"
#include "patch/UnCyptWorkCopy.h"
#include "platform/Profile.h"

#include <algorithm>
#include <utility>

namespace {

constexpr const char* SECTION_VERSION = "Version";
constexpr const char* KEY_VERSION = "Version";
constexpr const char* SECTION_FILE_LIST = "FileList";
constexpr const char* KEY_FILE_COUNT = "FileCount";
constexpr const char* KEY_FILE_PREFIX = "File";
constexpr size_t ENTRY_FIELD_COUNT = 5;
// The version-only reader's value buffer: at most 259 characters.
constexpr size_t VERSION_BUFFER_SIZE = 260;

// Makes the working copy and unwraps it; false when it cannot be unwrapped.
bool UnwrapWorkCopy(const UnCyptWorkCopy& copy) {
    if (!copy.Made()) return false;
    SpecialFileKey key;
    MakeCryptKey(key);
    return DecryptSpecialFile(key, copy.Path());
}

// The index i of a key spelled exactly "File" + i (decimal, no leading zeros) with
// 0 <= i < count, or -1.
int EntryIndex(const std::string& key, int count) {
    const std::string prefix = KEY_FILE_PREFIX;
    if (key.size() <= prefix.size() || key.compare(0, prefix.size(), prefix) != 0) return -1;
    const std::string digits = key.substr(prefix.size());
    if (digits.size() > 1 && digits[0] == '0') return -1;
    long long value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
        if (value >= count) return -1;
    }
    return static_cast<int>(value);
}

// The values of the keys File0 .. File<count-1> of the file list that are present, in index
// order, each the first entry with its key. The same as looking every index up in turn, but
// bounded by the entries the file holds rather than by the count it states.
std::vector<const std::string*> EntryValues(const IniDocument& doc, int count) {
    std::vector<std::pair<int, const std::string*>> found;
    if (count <= 0) return {};
    for (const IniSectionRec& section : doc.GetSections()) {
        if (section.name != SECTION_FILE_LIST) continue;
        for (const IniEntry& entry : section.entries) {
            const int index = EntryIndex(entry.key, count);
            if (index >= 0) found.emplace_back(index, &entry.value);
        }
        break;
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<const std::string*> values;
    values.reserve(found.size());
    for (size_t i = 0; i < found.size(); ++i) {
        if (i > 0 && found[i].first == found[i - 1].first) continue;  // first entry wins
        values.push_back(found[i].second);
    }
    return values;
}

}  // namespace

bool QzVersionRepairInfo::InputVerRepairInfoFile(const std::string& path) {
    UnCyptWorkCopy copy(path);
    if (!UnwrapWorkCopy(copy)) return false;

    // A line that fails to parse ends the load; what stood before it is still read.
    IniDocument doc;
    doc.LoadFile(copy.Path());

    std::string value;
    std::string comment;
    m_strVersion.clear();
    if (doc.ReadString(SECTION_VERSION, KEY_VERSION, value, comment) == INI_SUCCESS) {
        m_strVersion = value;
    }
    std::string countText;
    doc.ReadString(SECTION_FILE_LIST, KEY_FILE_COUNT, countText, comment);
    const int count = AtoiField(countText);

    const std::vector<const std::string*> values = EntryValues(doc, count);
    m_vecRepairFileInfo.reserve(m_vecRepairFileInfo.size() + values.size() + 1);
    for (const std::string* entryValue : values) {
        const std::vector<std::string> fields = SplitAtCommas(*entryValue);
        if (fields.size() != ENTRY_FIELD_COUNT) continue;
        RepairFileInfo info;
        info.m_strFilePath = fields[0];
        info.m_strMd5 = fields[1];
        info.m_strCrc = fields[2];
        info.m_nFileSize = AtoiField(fields[3]);
        info.m_nCheckFlag = AtoiField(fields[4]);
        m_vecRepairFileInfo.push_back(std::move(info));
    }
    return true;
}

bool QzVersionRepairInfo::InputVerRepairInfoVersion(const std::string& path) {
    UnCyptWorkCopy copy(path);
    if (!UnwrapWorkCopy(copy)) return false;
    m_strVersion =
        platform::GetProfileString(SECTION_VERSION, KEY_VERSION, "", VERSION_BUFFER_SIZE, copy.Path());
    return true;
}
