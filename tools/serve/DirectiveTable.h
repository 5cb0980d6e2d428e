#pragma once
// The fault directives in force: those of the command line and those of a directives file
// that tests rewrite while the server runs. Shared by every connection thread.

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "tools/serve/FaultDirective.h"

namespace davserve {

class DirectiveTable {
public:
    // fixed: the command line's directives. file: the directives file ("" for none); a
    // missing file holds no directives.
    DirectiveTable(std::vector<FaultDirective> fixed, std::string file);

    // The fault for a request of this decoded path, if any, and counts the use. The file's
    // directives come first, then the fixed ones; a directive whose times are used up is
    // passed over. Before looking, re-reads the file when its content changed since the
    // last look; new content starts every file directive's count afresh. Lines that do
    // not parse are reported on standard error and left out.
    std::optional<Fault> Take(const std::string& path);

private:
    struct Entry {
        FaultDirective directive;
        uint64_t used = 0;
    };
    void RefreshFromFile();
    static std::optional<Fault> TakeFrom(std::vector<Entry>& entries, const std::string& path);

    std::mutex m_mutex;
    std::vector<Entry> m_fixed;
    std::vector<Entry> m_fromFile;
    std::string m_file;
    std::string m_fileText;
};

// Parses the text of a directives file: one directive a line, blank lines and lines whose
// first non-blank character is "#" ignored, blanks around a line removed. Lines that do not
// parse are described in errors ("line N: reason") and left out.
std::vector<FaultDirective> ParseDirectivesText(const std::string& text,
                                                std::vector<std::string>& errors);

}  // namespace davserve
