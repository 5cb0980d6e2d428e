#include "patch/IniDocument.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

// Loads text from a temporary file; returns the load's code.
int Load(IniDocument& doc, const TempDir& dir, const std::string& text) {
    WriteFile(dir / "t.ini", text);
    return doc.LoadFile(dir / "t.ini");
}

std::string Value(IniDocument& doc, const std::string& section, const std::string& key) {
    std::string value = "<unchanged>";
    std::string comment;
    doc.ReadString(section, key, value, comment);
    return value;
}

}  // namespace

TEST(IniDocument, EntriesCommentsAndLookups) {
    TempDir dir;
    IniDocument doc;
    ASSERT_EQ(Load(doc, dir,
                   "top = before any header\r\n"
                   "# about the section\r\n"
                   "\r\n"
                   "[Main] # right of header\r\n"
                   "  key  =  value  # a note  \r\n"
                   "two==a=b\r\n"
                   "=emptykey\r\n"
                   "emptyvalue=\r\n"
                   "dup=first\r\n"
                   "dup=second\r\n"
                   "[main]\r\n"
                   "key=lower\r\n"
                   "[Other] trailing words\r\n"
                   "x=1\r\n"),
              INI_SUCCESS);
    EXPECT_EQ(Value(doc, "", "top"), "before any header");
    EXPECT_EQ(Value(doc, "Main", "key"), "value");
    EXPECT_EQ(Value(doc, "Main", "two"), "=a=b");
    EXPECT_EQ(Value(doc, "Main", ""), "emptykey");
    EXPECT_EQ(Value(doc, "Main", "emptyvalue"), "");
    EXPECT_EQ(Value(doc, "Main", "dup"), "first");
    EXPECT_EQ(Value(doc, "main", "key"), "lower");  // names differ by case
    EXPECT_EQ(Value(doc, "Other", "x"), "1");

    const std::vector<IniSectionRec>& sections = doc.GetSections();
    ASSERT_EQ(sections.size(), 4u);
    EXPECT_EQ(sections[1].comment, "# about the section\n\n");
    EXPECT_EQ(sections[1].rightComment, "right of header");
    EXPECT_EQ(sections[1].entries[0].rightComment, "a note");
    EXPECT_EQ(sections[1].entries[0].comment, "");

    std::string value = "keep", comment = "keep";
    EXPECT_EQ(doc.ReadString("Main", "KEY", value, comment), INI_KEY_NOT_FOUND);
    EXPECT_EQ(doc.GetLastError(), "not find the key KEY");
    EXPECT_EQ(doc.ReadString("Nope", "key", value, comment), INI_SECTION_NOT_FOUND);
    EXPECT_EQ(doc.GetLastError(), "not find the section Nope");
    EXPECT_EQ(value, "keep");
    EXPECT_EQ(comment, "keep");

    int number = -1;
    EXPECT_EQ(doc.ReadInt("Other", "x", number), INI_SUCCESS);
    EXPECT_EQ(number, 1);
    EXPECT_EQ(doc.ReadInt("Other", "missing", number), INI_KEY_NOT_FOUND);
    EXPECT_EQ(number, 0);
}

TEST(IniDocument, FailuresGiveTheirCodeAndTextAndKeepWhatWasRead) {
    const struct {
        const char* text;
        int code;
        const char* error;
    } cases[] = {
        {"[s]\na=1\n[broken\nb=2\n", INI_NO_CLOSING_BRACKET, "no matched ] found"},
        {"[s]\na=1\n[]\n", INI_EMPTY_SECTION_NAME, "section name is empty"},
        {"[s]\na=1\n[   ]\n", INI_DUPLICATE_SECTION, "section already exist"},
        {"[s]\na=1\n[s]\n", INI_DUPLICATE_SECTION, "section salready exist"},
        {"[s]\na=1\njustaword\nb=2\n", INI_PARSE_LINE_FAILED, "parse line failed:justaword"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        IniDocument doc;
        EXPECT_EQ(Load(doc, dir, c.text), c.code) << c.text;
        EXPECT_EQ(doc.GetLastError(), c.error) << c.text;
        EXPECT_EQ(Value(doc, "s", "a"), "1") << c.text;          // read before the failure
        EXPECT_EQ(Value(doc, "s", "b"), "<unchanged>") << c.text;  // nothing after it
    }
}

TEST(IniDocument, MissingFileAndReload) {
    TempDir dir;
    IniDocument doc;
    EXPECT_EQ(doc.LoadFile(dir / "none.ini"), INI_OPEN_FAILED);
    EXPECT_EQ(doc.GetLastError(), "open" + (dir / "none.ini") + " file failed");
    EXPECT_TRUE(doc.GetSections().empty());

    ASSERT_EQ(Load(doc, dir, "[a]\nk=1\n"), INI_SUCCESS);
    ASSERT_EQ(Load(doc, dir, "[b]\nk=2"), INI_SUCCESS);  // no line end at the end of the file
    EXPECT_EQ(Value(doc, "a", "k"), "<unchanged>");
    EXPECT_EQ(Value(doc, "b", "k"), "2");
    doc.Clear();
    EXPECT_TRUE(doc.GetSections().empty());
    EXPECT_EQ(doc.GetPath(), "");
}

TEST(IniDocument, BinaryInputFailsCleanly) {
    TempDir dir;
    IniDocument doc;
    std::string binary(100000, '\0');
    for (size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>((i * 131) % 256);
    int code = Load(doc, dir, binary);
    EXPECT_NE(code, INI_SUCCESS);
    EXPECT_NE(code, INI_OPEN_FAILED);
}
