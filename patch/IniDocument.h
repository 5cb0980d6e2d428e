#pragma once
// An exact INI reader: loads a whole file, keeps sections and entries in file order with
// the comments around them, and answers lookups by exact (case-sensitive) section and key.
// A "#" anywhere in a line starts a comment. Each failure leaves a result code and an
// error text; the reader never logs.

#include <string>
#include <vector>

enum IniResult {
    INI_SUCCESS = 0,
    INI_NO_CLOSING_BRACKET = 2,
    INI_EMPTY_SECTION_NAME = 3,
    INI_DUPLICATE_SECTION = 4,
    INI_PARSE_LINE_FAILED = 5,
    INI_OPEN_FAILED = 6,
    INI_KEY_NOT_FOUND = 8,
    INI_SECTION_NOT_FOUND = 9,
};

struct IniEntry {
    std::string key;
    std::string value;
    std::string comment;       // comment and blank lines before the entry
    std::string rightComment;  // text after the comment marker on the entry's line
};

struct IniSectionRec {
    std::string name;
    std::string comment;
    std::string rightComment;
    std::vector<IniEntry> entries;
};

class IniDocument {
public:
    IniDocument() = default;

    int LoadFile(const std::string& path);
    int ReadString(const std::string& section, const std::string& key, std::string& value,
                   std::string& comment);
    int ReadInt(const std::string& section, const std::string& key, int& number);
    void Clear();

    const std::string& GetLastError() const { return m_strLastError; }
    const std::string& GetPath() const { return m_strPath; }
    const std::vector<IniSectionRec>& GetSections() const { return m_sections; }

private:
    std::vector<IniSectionRec> m_sections;
    std::string m_strPath;
    std::string m_strCommentMarker = "#";
    std::string m_strLastError;
};
