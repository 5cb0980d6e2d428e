#include "tools/serve/DirectiveTable.h"

#include <fstream>
#include <iostream>
#include <sstream>

namespace davserve {

namespace {

std::string Trim(const std::string& text) {
    const char* blanks = " \t\r\n";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return std::string();
    size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

}  // namespace

std::vector<FaultDirective> ParseDirectivesText(const std::string& text,
                                                std::vector<std::string>& errors) {
    std::vector<FaultDirective> directives;
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        line = Trim(line);
        if (line.empty() || line[0] == '#') continue;
        FaultDirective directive;
        std::string error;
        if (ParseFaultDirective(line, directive, error))
            directives.push_back(std::move(directive));
        else
            errors.push_back("line " + std::to_string(number) + ": " + error);
    }
    return directives;
}

DirectiveTable::DirectiveTable(std::vector<FaultDirective> fixed, std::string file)
    : m_file(std::move(file)) {
    for (auto& directive : fixed) m_fixed.push_back(Entry{std::move(directive), 0});
}

void DirectiveTable::RefreshFromFile() {
    if (m_file.empty()) return;
    std::string text;
    std::ifstream in(m_file, std::ios::binary);
    if (in) {
        std::ostringstream content;
        content << in.rdbuf();
        text = content.str();
    }
    if (text == m_fileText) return;
    m_fileText = text;
    std::vector<std::string> errors;
    m_fromFile.clear();
    for (auto& directive : ParseDirectivesText(text, errors))
        m_fromFile.push_back(Entry{std::move(directive), 0});
    for (const auto& error : errors)
        std::cerr << "dav-serve: " << m_file << ": " << error << std::endl;
}

std::optional<Fault> DirectiveTable::TakeFrom(std::vector<Entry>& entries,
                                              const std::string& path) {
    for (Entry& entry : entries) {
        if (!entry.directive.Matches(path)) continue;
        if (entry.directive.times != 0 && entry.used >= entry.directive.times) continue;
        ++entry.used;
        return entry.directive.fault;
    }
    return std::nullopt;
}

std::optional<Fault> DirectiveTable::Take(const std::string& path) {
    std::lock_guard<std::mutex> lock(m_mutex);
    RefreshFromFile();
    if (auto fault = TakeFrom(m_fromFile, path)) return fault;
    return TakeFrom(m_fixed, path);
}

}  // namespace davserve
