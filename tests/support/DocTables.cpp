#include "tests/support/DocTables.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace support {

std::string readDoc(const std::string& name) {
    // The source folder comes from the build: __FILE__ is relative when a compiler cache rewrites paths.
    std::ifstream f(std::filesystem::path(BT_SOURCE_DIR) / "docs" / name, std::ios::binary);
    if (!f) return {};
    std::stringstream text;
    text << f.rdbuf();
    return text.str();
}

std::vector<std::string> docTableRows(const std::string& text, const std::string& marker, int cells) {
    std::vector<std::string> rows;
    const std::size_t begin = text.find("<!-- " + marker + ":begin -->");
    const std::size_t end = text.find("<!-- " + marker + ":end -->");
    if (begin == std::string::npos || end == std::string::npos) return rows;
    std::istringstream in(text.substr(begin, end - begin));
    std::string line;
    while (std::getline(in, line)) {
        line.erase(0, line.find_first_not_of(' ')); // a table inside a list item is indented
        if (line.rfind("| `", 0) != 0) continue;
        std::string row;
        int found = 0;
        std::size_t at = 1;
        for (; found < cells; ++found) {
            const std::size_t bar = line.find('|', at);
            if (bar == std::string::npos) break;
            std::string cell = line.substr(at, bar - at);
            cell.erase(0, cell.find_first_not_of(' '));
            cell.erase(cell.find_last_not_of(' ') + 1);
            row += (found == 0 ? "" : " | ") + cell;
            at = bar + 1;
        }
        if (found == cells) rows.push_back(row);
    }
    return rows;
}

} // namespace support
