// The script key table against what it stands for: the docs' key table, the defaults of Settings, and
// one member per key.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "builder/ScriptKeys.h"
#include "platform/TextIo.h"
#include "tests/support/DocTables.h"

using tarn::ScriptKey;
using tarn::Settings;

namespace {

bool sameValue(const Settings& a, const Settings& b, const ScriptKey& k) {
    return std::visit([&](auto member) { return a.*member == b.*member; }, k.member);
}

// A script file's and a key kind's name as the docs' key table writes them.
std::string_view fileName(tarn::ScriptFile file) {
    constexpr std::string_view names[] = {"start", "screen", "app paths", "codecs", "gui"};
    return names[static_cast<int>(file)];
}
std::string_view kindName(tarn::ScriptKind kind) {
    constexpr std::string_view names[] = {"int", "float", "text", "path"};
    return names[static_cast<int>(kind)];
}

} // namespace

// docs/tarn.md lists every key in the table's order with its file, kind, default and description; the
// failure prints the rows ready to paste.
TEST(ScriptKeys, TheDocsListEveryKeyAsTheTableDescribesIt) {
    const std::string text = support::readDoc("tarn.md");
    ASSERT_FALSE(text.empty()) << "cannot read docs/tarn.md";
    std::vector<std::string> expected;
    std::set<std::pair<tarn::ScriptFile, std::string_view>> names;
    for (const ScriptKey& k : tarn::scriptKeys()) {
        EXPECT_FALSE(k.description.empty()) << k.name << " has no description";
        EXPECT_EQ(k.description.find('|'), std::string_view::npos)
            << k.name << ": a bar splits the docs' row";
        EXPECT_TRUE(names.insert({k.file, k.name}).second) << k.name << " has two rows in one file";
        expected.push_back("`" + std::string(k.name) + "` | " + std::string(fileName(k.file)) + " | " +
                           std::string(kindName(k.kind)) + " | " + std::string(k.defaultValue) + " | " +
                           std::string(k.description));
    }
    std::string paste;
    for (const std::string& r : expected) paste += "| " + r + " |\n";
    EXPECT_EQ(support::docTableRows(text, "script-keys", 5), expected) << "the key table gives these rows:\n"
                                                                       << paste;
}

// A new Settings holds every key's default, and each key lands in a member of its own.
TEST(ScriptKeys, DefaultsAreWhatSettingsHoldAndEveryKeyHasItsOwnMember) {
    const Settings fresh;
    for (const ScriptKey& k : tarn::scriptKeys()) {
        const std::string d(k.defaultValue);
        std::visit(
            [&](auto member) {
                using T = std::remove_cvref_t<decltype(fresh.*member)>;
                if constexpr (std::is_same_v<T, int>) {
                    EXPECT_EQ(fresh.*member, textio::toInt(d)) << k.name;
                } else if constexpr (std::is_same_v<T, float>) {
                    EXPECT_EQ(fresh.*member, textio::toReal(d)) << k.name;
                } else {
                    EXPECT_EQ(fresh.*member, d) << k.name;
                }
            },
            k.member);

        tarn::Builder b;
        b.paths.workingFolder = "/world/";
        tarn::applyScriptValue(b, k, "7");
        for (const ScriptKey& other : tarn::scriptKeys())
            EXPECT_EQ(sameValue(b.cfg, fresh, other), &other != &k) << k.name << " read as 7, " << other.name;
    }
}
