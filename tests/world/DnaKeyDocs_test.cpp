// The maker's reference (docs/making-worlds.md) lists every DNA key with its type in biosim and in
// tarn. Its key and type columns must say what the key tables do; when they differ, the failure
// prints the rows as the tables give them, ready to paste.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "world/DnaFile.h"
#include "world/TileDna.h"

namespace {

std::string typeName(world::DnaValueKind k) {
    using K = world::DnaValueKind;
    switch (k) {
    case K::Int:
        return "int";
    case K::Byte:
        return "byte";
    case K::Float:
        return "float";
    case K::Text:
        return "text";
    case K::RoundedInt:
        return "rounded int";
    case K::RoundedByte:
        return "rounded byte";
    case K::Ignored:
        return "ignored";
    }
    return "?";
}

// "key | biosim type | tarn type" for every key: biosim's table in its order, then tarn's own keys.
std::vector<std::string> rowsFromTables() {
    std::vector<std::string> rows;
    std::set<std::string_view> inBiosim;
    auto tarnType = [](std::string_view key) -> std::string {
        for (const auto& t : world::tarnDnaKeys())
            if (t.name == key) return typeName(t.kind);
        return "—";
    };
    for (const auto& k : world::tileDnaKeys()) {
        inBiosim.insert(k.name);
        rows.push_back("`" + std::string(k.name) + "` | " + typeName(k.kind) + " | " + tarnType(k.name));
    }
    for (const auto& t : world::tarnDnaKeys())
        if (!inBiosim.count(t.name))
            rows.push_back("`" + std::string(t.name) + "` | — | " + typeName(t.kind));
    return rows;
}

// The first three cells of each row between the table's markers.
std::vector<std::string> rowsFromDocs(const std::string& text) {
    std::vector<std::string> rows;
    const std::size_t begin = text.find("<!-- dna-keys:begin -->");
    const std::size_t end = text.find("<!-- dna-keys:end -->");
    if (begin == std::string::npos || end == std::string::npos) return rows;
    std::istringstream in(text.substr(begin, end - begin));
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("| `", 0) != 0) continue;
        std::vector<std::string> cells;
        std::size_t at = 1;
        for (int c = 0; c < 3; ++c) {
            const std::size_t bar = line.find('|', at);
            if (bar == std::string::npos) break;
            std::string cell = line.substr(at, bar - at);
            cell.erase(0, cell.find_first_not_of(' '));
            cell.erase(cell.find_last_not_of(' ') + 1);
            cells.push_back(cell);
            at = bar + 1;
        }
        if (cells.size() == 3) rows.push_back(cells[0] + " | " + cells[1] + " | " + cells[2]);
    }
    return rows;
}

} // namespace

TEST(DnaKeyDocs, TheMakersReferenceListsEveryKeyWithItsTypes) {
    const auto docs = std::filesystem::path(__FILE__).parent_path() / "../../docs/making-worlds.md";
    std::ifstream f(docs);
    ASSERT_TRUE(f) << "cannot read " << docs;
    std::stringstream text;
    text << f.rdbuf();
    const std::vector<std::string> expected = rowsFromTables();
    std::string paste;
    for (const std::string& r : expected) paste += "| " + r + " | ... |\n";
    EXPECT_EQ(rowsFromDocs(text.str()), expected) << "the key tables give these rows:\n" << paste;
}
