// The maker's reference (docs/making-worlds.md) lists every DNA key with its type in biosim and in
// tarn. Its key and type columns must say what the key tables do; when they differ, the failure
// prints the rows as the tables give them, ready to paste.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "tests/support/DocTables.h"
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

} // namespace

TEST(DnaKeyDocs, TheMakersReferenceListsEveryKeyWithItsTypes) {
    const std::string text = support::readDoc("making-worlds.md");
    ASSERT_FALSE(text.empty()) << "cannot read docs/making-worlds.md";
    const std::vector<std::string> expected = rowsFromTables();
    std::string paste;
    for (const std::string& r : expected) paste += "| " + r + " | ... |\n";
    EXPECT_EQ(support::docTableRows(text, "dna-keys", 3), expected) << "the key tables give these rows:\n"
                                                                    << paste;
}
