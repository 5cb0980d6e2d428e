#include "patch/IniDocument.h"

#include "platform/Files.h"

#include <cctype>
#include <cstdlib>

namespace {

std::string Trim(const std::string& text) {
    size_t first = 0;
    while (first < text.size() && std::isspace(static_cast<unsigned char>(text[first]))) ++first;
    size_t last = text.size();
    while (last > first && std::isspace(static_cast<unsigned char>(text[last - 1]))) --last;
    return text.substr(first, last - first);
}

}  // namespace

void IniDocument::Clear() {
    m_strPath.clear();
    m_sections.clear();
}

int IniDocument::LoadFile(const std::string& path) {
    Clear();
    m_strPath = path;
    platform::File file;
    if (!file.Open(path, platform::File::Mode::Read)) {
        m_strLastError = "open" + path + " file failed";
        return INI_OPEN_FAILED;
    }
    m_sections.push_back(IniSectionRec{});
    IniSectionRec* current = &m_sections.back();
    std::string pendingComment;

    // Handles one line; returns the result code (0 to go on).
    auto handleLine = [&](const std::string& raw) -> int {
        std::string line = Trim(raw);
        if (line.empty()) {
            pendingComment += '\n';
            return INI_SUCCESS;
        }
        if (line.compare(0, m_strCommentMarker.size(), m_strCommentMarker) == 0) {
            pendingComment += line;
            pendingComment += '\n';
            return INI_SUCCESS;
        }
        std::string content = line;
        std::string rightComment;
        size_t marker = line.find(m_strCommentMarker);
        if (marker != std::string::npos) {
            content = Trim(line.substr(0, marker));
            rightComment = Trim(line.substr(marker + m_strCommentMarker.size()));
        }
        if (!content.empty() && content[0] == '[') {
            size_t close = content.find(']');
            if (close == std::string::npos) {
                m_strLastError = "no matched ] found";
                return INI_NO_CLOSING_BRACKET;
            }
            if (close == 1) {
                m_strLastError = "section name is empty";
                return INI_EMPTY_SECTION_NAME;
            }
            std::string name = Trim(content.substr(1, close - 1));
            for (const IniSectionRec& section : m_sections) {
                if (section.name == name) {
                    m_strLastError = "section " + name + "already exist";
                    return INI_DUPLICATE_SECTION;
                }
            }
            m_sections.push_back(IniSectionRec{name, pendingComment, rightComment, {}});
            current = &m_sections.back();
        } else {
            size_t eq = content.find('=');
            if (eq == std::string::npos) {
                m_strLastError = "parse line failed:" + content;
                return INI_PARSE_LINE_FAILED;
            }
            current->entries.push_back(IniEntry{Trim(content.substr(0, eq)),
                                                Trim(content.substr(eq + 1)), pendingComment,
                                                rightComment});
        }
        pendingComment.clear();
        return INI_SUCCESS;
    };

    std::string line;
    char buffer[65536];
    for (;;) {
        int64_t n = file.Read(buffer, sizeof buffer);
        if (n <= 0) break;
        for (int64_t i = 0; i < n; ++i) {
            if (buffer[i] != '\n') {
                line += buffer[i];
                continue;
            }
            if (int rc = handleLine(line); rc != INI_SUCCESS) return rc;
            line.clear();
        }
    }
    if (!line.empty()) {
        if (int rc = handleLine(line); rc != INI_SUCCESS) return rc;
    }
    return INI_SUCCESS;
}

int IniDocument::ReadString(const std::string& section, const std::string& key,
                            std::string& value, std::string& comment) {
    for (const IniSectionRec& rec : m_sections) {
        if (rec.name != section) continue;
        for (const IniEntry& entry : rec.entries) {
            if (entry.key == key) {
                value = entry.value;
                comment = entry.comment;
                return INI_SUCCESS;
            }
        }
        m_strLastError = "not find the key " + key;
        return INI_KEY_NOT_FOUND;
    }
    m_strLastError = "not find the section " + section;
    return INI_SECTION_NOT_FOUND;
}

int IniDocument::ReadInt(const std::string& section, const std::string& key, int& number) {
    std::string value;
    std::string comment;
    int rc = ReadString(section, key, value, comment);
    number = std::atoi(value.c_str());
    return rc;
}
