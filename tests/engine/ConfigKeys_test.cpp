// The configuration key table against what it stands for: the docs' key tables, the defaults a new
// engine holds, and one member per key.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "EngineTestKit.h"
#include "engine/Biosim.h"
#include "engine/ConfigKeys.h"
#include "engine/Dump.h"
#include "engine/EngineSetup.h"
#include "tests/support/DocTables.h"

using namespace engine;

namespace {

bool sameValue(const Config& a, const Config& b, const ConfigKey& k) {
    return std::visit([&](auto member) { return a.*member == b.*member; }, k.member);
}

} // namespace

// docs/biosim.md lists each key of CORE/ini.crc and of the codec file in the table's order with the
// table's kind, default and description; the failure prints the rows ready to paste.
TEST(ConfigKeys, TheDocsListEveryKeyAsTheTableDescribesIt) {
    const std::string text = support::readDoc("biosim.md");
    ASSERT_FALSE(text.empty()) << "cannot read docs/biosim.md";
    for (const auto& [file, marker] :
         {std::pair{ConfigFile::Ini, "config-keys"}, std::pair{ConfigFile::Codecs, "codec-keys"}}) {
        std::vector<std::string> expected;
        std::set<std::string_view> names;
        for (const ConfigKey& k : configKeys()) {
            if (k.file != file) continue;
            EXPECT_FALSE(k.description.empty()) << k.name << " has no description";
            EXPECT_EQ(k.description.find('|'), std::string_view::npos)
                << k.name << ": a bar splits the docs' row";
            EXPECT_TRUE(names.insert(k.name).second) << k.name << " has two rows";
            expected.push_back("`" + std::string(k.name) + "` | " + std::string(configKindName(k)) + " | " +
                               std::string(k.defaultValue) + " | " + std::string(k.description));
        }
        std::string paste;
        for (const std::string& r : expected) paste += "| " + r + " |\n";
        EXPECT_EQ(support::docTableRows(text, marker, 4), expected)
            << "the key table gives these rows for <!-- " << marker << " -->:\n"
            << paste;
    }
}

// Reading every key's default leaves a new engine exactly as it was (its whole dump, engine globals
// included); and each key lands in a member of its own.
TEST(ConfigKeys, DefaultsAreWhatANewEngineHoldsAndEveryKeyHasItsOwnMember) {
    plat::test::TestPlatform tp;
    Biosim fresh(tp), read(tp);
    setDefaults(fresh, "/world/");
    setDefaults(read, "/world/");
    for (const ConfigKey& k : configKeys())
        applyConfigValue(read, k,
                         k.defaultValue == kEngineFolderDefault ? read.engineBasePath
                                                                : std::string(k.defaultValue));
    EXPECT_EQ(dumpJson(read), dumpJson(fresh));

    for (const ConfigKey& k : configKeys()) {
        Biosim e(tp);
        setDefaults(e, "/world/");
        applyConfigValue(e, k, "7");
        for (const ConfigKey& other : configKeys())
            EXPECT_EQ(sameValue(e.cfg, fresh.cfg, other), &other != &k)
                << k.name << " read as 7, " << other.name;
    }
}
