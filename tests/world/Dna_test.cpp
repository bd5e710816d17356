// Tile DNA files: biosim's reader, tarn's reader and the DNA editor's writer.
#include <gtest/gtest.h>

#include <set>

#include "TempDir.h"
#include "world/DnaFile.h"
#include "world/TileDna.h"

using namespace world;
using worldtest::readText;
using worldtest::TempDir;
using worldtest::writeText;

namespace {

std::string crlf(std::initializer_list<std::string_view> lines) {
    std::string s;
    for (auto l : lines) {
        s.append(l);
        s.append("\r\n");
    }
    return s;
}

std::string commentBlock() {
    std::string s;
    for (auto c : dnaCommentLines()) {
        s.append(c);
        s.append("\r\n");
    }
    return s;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// biosim's reader
// ---------------------------------------------------------------------------------------------

TEST(TileDnaReader, ConvertsEachValueKind) {
    TileDna d;
    parseTileDna(d, crlf({"worldFTileRotate",
                          "1.5",
                          "worldFTileCollision",
                          "300",
                          "worldFTileFollow",
                          "12.5",
                          "worldFTileTouchTransparency",
                          "-7x",
                          "worldFTileGOBACK",
                          "200",
                          "worldFTileDoCrushH",
                          "2.6",
                          "animContainer",
                          "NOPE",
                          "worldFTileSoundFile",
                          "",
                          "useWeapon",
                          " spaced value ",
                          "worldFTileVELO",
                          "abc"}));
    EXPECT_FLOAT_EQ(d.worldFTileRotate, 1.5f);
    EXPECT_EQ(d.worldFTileCollision, 44);  // low 8 bits of 300
    EXPECT_EQ(d.worldFTileFollow, "12.5"); // text in biosim
    EXPECT_EQ(d.worldFTileTouchTransparency, -7);
    EXPECT_EQ(d.worldFTileGOBACK, -56); // 200 in a signed byte
    EXPECT_EQ(d.worldFTileDoCrushH, 3); // float text rounded
    EXPECT_EQ(d.animContainer, "NOPE");
    EXPECT_TRUE(isNoneName(d.animContainer));
    EXPECT_TRUE(isNoneName(d.worldFTileSoundFile));
    EXPECT_FALSE(isNoneName("nope"));
    EXPECT_EQ(d.useWeapon, " spaced value "); // no trimming
    EXPECT_EQ(d.worldFTileVELO, 0.0f);        // no number reads as 0
}

TEST(TileDnaReader, DoCrushRoundsToNearestAndWrapsSafely) {
    TileDna d;
    const std::pair<const char*, int> cases[] = {{"2.6", 3},   {"2.4", 2},    {"-2.5", -3}, {"2.5", 3},
                                                 {"255.7", 0}, {"128", -128}, {"x", 0},     {"1e300", 0},
                                                 {"nan", 0},   {"-inf", 0}};
    for (auto [text, expected] : cases) {
        d.worldFTileDoCrushH = 99;
        EXPECT_TRUE(applyTileDnaPair(d, "worldFTileDoCrushH", text));
        EXPECT_EQ(d.worldFTileDoCrushH, expected) << text;
    }
}

TEST(TileDnaReader, KeysCompareWholeAndCaseSensitive) {
    TileDna d;
    parseTileDna(d, crlf({"WorldFTileRotate", "5", "worldFTileRotate ", "6", " worldFTileRotate", "7",
                          "worldFTileRotat", "8"}));
    EXPECT_EQ(d.worldFTileRotate, 0.0f);
    EXPECT_FALSE(applyTileDnaPair(d, "WorldFTileRotate", "5"));
    // A key only tarn reads is skipped by biosim.
    EXPECT_FALSE(applyTileDnaPair(d, "worldFTileEmitter", "1"));
}

TEST(TileDnaReader, AutoLoadIsRecognisedAndIgnored) {
    TileDna before;
    before.worldFTileRotate = 3;
    TileDna d = before;
    EXPECT_TRUE(applyTileDnaPair(d, "worldFTileAutoLoad", "1"));
    EXPECT_EQ(d.worldFTileRotate, 3.0f);
}

TEST(TileDnaReader, CommentLinesAndOddLineCount) {
    const std::string body =
        crlf({"worldFTileGravity", "4.25", "useWeapon", "BOW", "worldFTileLifeTime", "900"});
    TileDna plain, commented;
    parseTileDna(plain, body);
    parseTileDna(commented, body + commentBlock());
    EXPECT_EQ(commented.worldFTileGravity, plain.worldFTileGravity);
    EXPECT_EQ(commented.useWeapon, plain.useWeapon);
    EXPECT_EQ(commented.worldFTileLifeTime, 900);

    // Odd count: the last key has no value line and reads as empty.
    TileDna odd;
    odd.useWeapon = "OLD";
    odd.worldFTileLifeTime = 5;
    parseTileDna(odd, crlf({"worldFTileLifeTime", "7", "useWeapon"}));
    EXPECT_EQ(odd.worldFTileLifeTime, 7);
    EXPECT_EQ(odd.useWeapon, "");
    // Same without a line end on the last line.
    parseTileDna(odd, "worldFTileLifeTime\r\n8\r\nworldFTileLifeTime");
    EXPECT_EQ(odd.worldFTileLifeTime, 0);
}

TEST(TileDnaReader, AnyLineEndAndLastPairWins) {
    TileDna a, b, c;
    parseTileDna(a, "hp\n10\nhp\n20\n");
    parseTileDna(b, "hp\r10\rhp\r20");
    parseTileDna(c, "hp\r\n10\r\nhp\r\n20\r\n");
    EXPECT_EQ(a.hp, 20);
    EXPECT_EQ(b.hp, 20);
    EXPECT_EQ(c.hp, 20);
}

TEST(TileDnaReader, FileReadingKeepsOldValuesAndMissingFileChangesNothing) {
    TempDir dir;
    writeText(dir / "A.dll",
              crlf({"worldFTileGravity", "2.5", "worldFTileLifeTime", "100"}) + commentBlock());
    writeText(dir / "B.dll", crlf({"worldFTileLifeTime", "300"}));

    // Tile id 0 of map A, then tile id 0 of map B whose file has no gravity: A's gravity stays.
    TileDna tile0;
    ASSERT_TRUE(readTileDna(tile0, dir / "A", "A", 17));
    EXPECT_EQ(tile0.name, "A");
    EXPECT_EQ(tile0.imageHandle, 17);
    EXPECT_EQ(tile0.dnaPath, dir / "A.dll");
    ASSERT_TRUE(readTileDna(tile0, dir / "B", "B", 18));
    EXPECT_EQ(tile0.worldFTileGravity, 2.5f);
    EXPECT_EQ(tile0.worldFTileLifeTime, 300);
    EXPECT_EQ(tile0.name, "B");

    // A file that does not open changes nothing, identity included.
    EXPECT_FALSE(readTileDna(tile0, dir / "missing", "missing", 99));
    EXPECT_EQ(tile0.name, "B");
    EXPECT_EQ(tile0.imageHandle, 18);
    EXPECT_EQ(tile0.dnaPath, dir / "B.dll");
    EXPECT_EQ(tile0.worldFTileLifeTime, 300);
    // A folder of that name is no file either.
    std::filesystem::create_directories(dir / "folder.dll");
    EXPECT_FALSE(readTileDna(tile0, dir / "folder"));
}

TEST(TileDnaKeyTables, EveryRowIsWellFormedAndUnique) {
    auto check = [](auto table, std::size_t count, std::string_view first, std::string_view last) {
        ASSERT_EQ(table.size(), count);
        EXPECT_EQ(table.front().name, first);
        EXPECT_EQ(table.back().name, last);
        std::set<std::string_view> names;
        for (const auto& row : table) {
            EXPECT_TRUE(names.insert(row.name).second) << "duplicate " << row.name;
            const int members = (row.asInt != nullptr) + (row.asByte != nullptr) + (row.asFloat != nullptr) +
                                (row.asText != nullptr);
            EXPECT_EQ(members, row.kind == DnaValueKind::Ignored ? 0 : 1) << row.name;
        }
    };
    check(tileDnaKeys(), 67, "worldFTileRotate", "worldFTileUseShadow");
    check(tarnDnaKeys(), 55, "worldFTileRotate", "geneseID");
}

TEST(TileDnaKeyTables, EveryBiosimKeyLandsInItsOwnField) {
    // Writing a distinct value through each key must change the record, and two keys never share a
    // member (a copy-paste slip in the table would show up here).
    int n = 1;
    for (const auto& row : tileDnaKeys()) {
        if (row.kind == DnaValueKind::Ignored) continue;
        TileDna d;
        const std::string value = std::to_string(n++);
        ASSERT_TRUE(applyTileDnaPair(d, row.name, value));
        if (row.asText) {
            EXPECT_EQ(d.*row.asText, value) << row.name;
        }
        if (row.asInt) {
            EXPECT_EQ(d.*row.asInt, std::stoi(value)) << row.name;
        }
        if (row.asByte) {
            EXPECT_EQ(d.*row.asByte, std::stoi(value)) << row.name;
        }
        if (row.asFloat) {
            EXPECT_EQ(d.*row.asFloat, std::stof(value)) << row.name;
        }
        for (const auto& other : tileDnaKeys()) {
            if (&other == &row || other.kind == DnaValueKind::Ignored) continue;
            if (other.asText) {
                EXPECT_TRUE((d.*other.asText).empty()) << row.name << " hit " << other.name;
            }
            if (other.asInt) {
                EXPECT_EQ(d.*other.asInt, 0) << row.name << " hit " << other.name;
            }
            if (other.asByte) {
                EXPECT_EQ(d.*other.asByte, 0) << row.name << " hit " << other.name;
            }
            if (other.asFloat) {
                EXPECT_EQ(d.*other.asFloat, 0.0f) << row.name << " hit " << other.name;
            }
        }
    }
}

TEST(TileDnaKeyTables, EveryKeyHasHelpACopyRuleAndASaneRange) {
    auto targets = [](const DnaLanding& l) {
        return (l.toInt != nullptr) + (l.toByte != nullptr) + (l.toFloat != nullptr) + (l.toText != nullptr);
    };
    int n = 1;
    for (const TileDnaKey& row : tileDnaKeys()) {
        EXPECT_FALSE(row.help.empty()) << row.name << " has no help text";
        const DnaLanding& c = row.copy;
        EXPECT_NE(c.rule, DnaCopy::Unset) << row.name << " has no copy rule";
        EXPECT_EQ(targets(c), c.rule == DnaCopy::Copied || c.rule == DnaCopy::Converted ? 1 : 0) << row.name;
        EXPECT_EQ(c.how.empty(), c.rule != DnaCopy::Converted) << row.name;
        if (row.kind == DnaValueKind::Ignored) {
            EXPECT_EQ(c.rule, DnaCopy::Kept) << row.name;
        }
        if (row.range.checked) {
            EXPECT_LE(row.range.lo, row.range.hi) << row.name;
            EXPECT_TRUE(row.asInt || row.asByte || row.asFloat) << row.name << ": a range on no number";
        }
        if (c.rule != DnaCopy::Copied) continue;
        // A copied value arrives unchanged in its own object field: text in text, and a float only in
        // a float (rounding it is the loader's own conversion).
        EXPECT_EQ(row.asText != nullptr, c.toText != nullptr) << row.name;
        if (row.asFloat) {
            EXPECT_NE(c.toFloat, nullptr) << row.name;
        }
        TileDna d;
        const std::string value = std::to_string(n++);
        ASSERT_TRUE(applyTileDnaPair(d, row.name, value));
        WorldObject o;
        copyDnaValue(row, d, o);
        if (c.toText) {
            EXPECT_EQ(o.*c.toText, value) << row.name;
        }
        if (c.toInt) {
            EXPECT_EQ(o.*c.toInt, std::stoi(value)) << row.name;
        }
        if (c.toByte) {
            EXPECT_EQ(o.*c.toByte, std::stoi(value)) << row.name;
        }
        if (c.toFloat) {
            EXPECT_EQ(o.*c.toFloat, std::stof(value)) << row.name;
        }
        for (const TileDnaKey& other : tileDnaKeys()) {
            if (&other == &row || other.copy.rule == DnaCopy::Kept) continue;
            const DnaLanding& oc = other.copy;
            const bool same = (c.toText && c.toText == oc.toText) || (c.toInt && c.toInt == oc.toInt) ||
                              (c.toByte && c.toByte == oc.toByte) || (c.toFloat && c.toFloat == oc.toFloat);
            EXPECT_FALSE(same) << row.name << " and " << other.name << " land in one field";
        }
    }
    // tarn's keys: every one has a text, and a key biosim knows has it only on biosim's row.
    std::set<std::string_view> biosimKeys;
    for (const TileDnaKey& row : tileDnaKeys()) biosimKeys.insert(row.name);
    for (const auto& row : tarnDnaKeys()) {
        EXPECT_FALSE(dnaKeyHelp(row.name).empty()) << row.name << " has no help text";
        EXPECT_EQ(row.help.empty(), biosimKeys.count(row.name) == 1) << row.name;
    }
}

// ---------------------------------------------------------------------------------------------
// tarn's reader
// ---------------------------------------------------------------------------------------------

TEST(TarnDnaReader, OwnTypesAndOwnKeys) {
    TarnTileDna t;
    parseTarnTileDna(t, crlf({"worldFTileFollow",
                              "12.9",
                              "worldFTileTransparency",
                              "200.7",
                              "worldFStretch",
                              "300",
                              "worldFTileID",
                              "A-17",
                              "worldFTileEmitter",
                              "2",
                              "worldFTileDynamicScrollH",
                              "2.6",
                              "worldFTileDoCrushH",
                              "-2.6",
                              "worldFTileShadowZoom",
                              "5",
                              "animContainer",
                              "WALK",
                              "worldFTileCollision",
                              "-129"}));
    EXPECT_EQ(t.worldFTileFollow, 12); // integer part of a float text
    EXPECT_EQ(t.worldFTileTransparency, 200);
    EXPECT_EQ(t.worldFStretch, 300); // int in tarn, not a byte
    EXPECT_EQ(t.worldFTileID, "A-17");
    EXPECT_EQ(t.worldFTileEmitter, 2);
    EXPECT_EQ(t.worldFTileDynamicScrollH, 3);
    EXPECT_EQ(t.worldFTileDoCrushH, -3);
    EXPECT_EQ(t.worldFTileShadowZoom, 5);
    EXPECT_EQ(t.worldFTileCollision, 127);                   // -129 wraps in 8 bits
    EXPECT_FALSE(applyTarnDnaPair(t, "animContainer", "X")); // biosim-only key
}

TEST(TarnDnaReader, FileSetsLoadedOnlyWhenItOpens) {
    TempDir dir;
    TarnTileDna t;
    EXPECT_FALSE(readTarnTileDna(t, dir / "none"));
    EXPECT_EQ(t.loaded, 0);
    writeText(dir / "K.dll", crlf({"hp", "3"}));
    EXPECT_TRUE(readTarnTileDna(t, dir / "K"));
    EXPECT_EQ(t.loaded, 1);
    EXPECT_EQ(t.hp, 3);
    EXPECT_EQ(t.dnaPath, dir / "K.dll");
}

// ---------------------------------------------------------------------------------------------
// The writer
// ---------------------------------------------------------------------------------------------

TEST(DnaWriter, PairsInOrderPlaceholdersLeftOutEightCommentLines) {
    const std::vector<DnaEntry> entries{{"worldFTileGravity", "2"},  {"_key_FAIL", "5"},
                                        {"hp", "_val_FAIL"},         {"_key_FAIL", "_val_FAIL"},
                                        {"worldFTileRotate", "1.5"}, {"useWeapon", ""}};
    const std::string text = formatDnaFile(entries);
    EXPECT_EQ(text,
              crlf({"worldFTileGravity", "2", "worldFTileRotate", "1.5", "useWeapon", ""}) + commentBlock());

    const auto comments = dnaCommentLines();
    ASSERT_EQ(comments.size(), 8u);
    for (auto c : comments) EXPECT_EQ(c.front(), ';');
    EXPECT_EQ(comments[3], ";DO NOT CHANGE THIS FILE BY HAND!!!");
    EXPECT_EQ(comments[4], ";YOU MAY ENCOUNTER DATALOSS/MALFUNCTIONS");
    EXPECT_EQ(comments[5], ";ALWAYS USE THE TARN-MAP-BUILDER TO CREATE VALID MAP AND DNA DATAS!");

    // Only placeholders: the file holds just the comment lines.
    EXPECT_EQ(formatDnaFile(std::vector<DnaEntry>(97, {"_key_FAIL", "_val_FAIL"})), commentBlock());
}

TEST(DnaWriter, LineBreakInKeyOrValueIsLeftOutAndReported) {
    TempDir dir;
    const std::vector<DnaEntry> entries{
        {"hp", "1"}, {"useWeapon", "BOW\r\nhp"}, {"post\nEFFECT", "2"}, {"worldFTileLifeTime", "9"}};
    const DnaWriteResult r = writeDnaFile(dir / "T.dll", entries);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.skipped, (std::vector<std::size_t>{1, 2}));
    TileDna d;
    ASSERT_TRUE(readTileDna(d, dir / "T"));
    EXPECT_EQ(d.hp, 1);
    EXPECT_EQ(d.useWeapon, "");
    EXPECT_EQ(d.worldFTileLifeTime, 9);
}

TEST(DnaWriter, RoundTripIsByteIdentical) {
    TempDir dir;
    const std::vector<DnaEntry> entries{{"worldFTileRotate", "0.5"},  {"worldFTileCollision", "1"},
                                        {"worldFTileFollow", "NOPE"}, {"animContainer", ""},
                                        {"geneseID", "x y z"},        {"worldFTileTransparency", "255"}};
    ASSERT_TRUE(writeDnaFile(dir / "R.dll", entries).ok);
    const std::string first = readText(dir / "R.dll");

    // The DNA editor shows every pair whose key and value hold no ";" and saves them in order.
    std::vector<DnaEntry> read;
    ASSERT_TRUE(readDnaEntries(dir / "R.dll", read));
    EXPECT_EQ(read.size(), entries.size() + 4); // eight comment lines pair up into four pairs
    std::vector<DnaEntry> shown;
    for (const auto& e : read)
        if (e.key.find(';') == std::string::npos && e.value.find(';') == std::string::npos)
            shown.push_back(e);
    ASSERT_TRUE(writeDnaFile(dir / "R.dll", shown).ok);
    EXPECT_EQ(readText(dir / "R.dll"), first);
}

TEST(DnaWriter, FailedWriteKeepsTheOldFileAndReportsFailure) {
    TempDir dir;
    const std::vector<DnaEntry> entries{{"hp", "1"}};
    EXPECT_FALSE(writeDnaFile(dir / "no/such/folder/T.dll", entries).ok);
    EXPECT_FALSE(std::filesystem::exists(dir / "no"));

    std::vector<DnaEntry> none;
    EXPECT_FALSE(readDnaEntries(dir / "missing.dll", none));
    // Writes that run out of space and other faults that hold for root: WriterFaults_test.cpp.
}
