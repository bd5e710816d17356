// The content check on small worlds written by the test: each kind of finding, its severity and the
// exit code with and without --strict.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "makers/ContentCheck.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WorldFiles.h"

namespace fs = std::filesystem;
using makers::Severity;
using support::pairs;

namespace {

// writeWorldWithMap with its level music and sound folder, and DNA files as tarn writes them: a
// key of tarn's own and the comment lines at the end.
void cleanWorld(const std::string& w) {
    support::writeWorldWithMap(w);
    support::writeFile(w + "SOUNDS/#L0.ogg", "music");
    const std::string comments = ";\r\n;\r\n;\r\n;\r\n;\r\n;\r\n;\r\n;\r\n";
    support::writeFile(w + "_DATA/2DGFX/wall.dll", pairs({{"worldFTileCollision", "1"},
                                                          {"worldFTileTransparency", "255.0"},
                                                          {"worldFTileEmitter", "0"},
                                                          {"worldFTileVELO", " 1.5 "}}) +
                                                       comments);
}

void appendDna(const std::string& w, const std::string& kind, const support::KV& kv) {
    const std::string path = w + "_DATA/2DGFX/" + kind + ".dll";
    support::writeFile(path, support::readFile(path) + pairs(kv));
}

struct Case {
    const char* name;
    std::function<void(const std::string&)> change;
    const char* kind; // "" = no finding
    Severity severity;
    const char* text; // part of the finding's text
    std::vector<std::int32_t> mapsChecked;
};

} // namespace

TEST(ContentCheck, EachFindingHasItsKindSeverityAndExitCode) {
    const std::vector<Case> cases = {
        {"clean world", [](const std::string&) {}, "", Severity::Error, "", {0}},
        {"map fresh from the editor: no level music",
         [](const std::string& w) { fs::remove(w + "SOUNDS/#L0.ogg"); },
         "missing-music",
         Severity::Warning,
         "the level music is missing",
         {0}},
        {"misspelt DNA key",
         [](const std::string& w) {
             appendDna(w, "wall", {{"worldFTileVelo", "2"}});
         },
         "unknown-dna-key",
         Severity::Error,
         "worldFTileVelo: unknown key; did you mean worldFTileVELO?",
         {0}},
        {"door target that is no number",
         [](const std::string& w) {
             appendDna(w, "grass", {{"worldFTileIDString", "FASS"}, {"worldFTileID", "abc"}});
         },
         "bad-dna-value",
         Severity::Error,
         "worldFTileID \"abc\" is no whole number: biosim reads it as 0",
         {0}},
        {"door target beyond the map numbers",
         [](const std::string& w) {
             appendDna(w, "grass", {{"worldFTileIDString", "FASS"}, {"worldFTileID", "4294967296"}});
         },
         "bad-dna-value",
         Severity::Error,
         "does not fit the 32-bit number",
         {0}},
        {"speed that is no number",
         [](const std::string& w) {
             appendDna(w, "wall", {{"worldFTileVELO", "fast"}});
         },
         "bad-dna-value",
         Severity::Error,
         "worldFTileVELO \"fast\" is no number",
         {0}},
        {"map folder with leading zeros beside the one biosim reads",
         [](const std::string& w) {
             fs::copy(w + "MAPS/0", w + "MAPS/1", fs::copy_options::recursive);
             fs::copy(w + "MAPS/0", w + "MAPS/0001", fs::copy_options::recursive);
             support::writeFile(w + "SOUNDS/#L1.ogg", "music");
         },
         "unread-map",
         Severity::Warning,
         "biosim never reads this folder: map 1 is read from MAPS/1/",
         {0, 1}},
        {"map folder beyond the map numbers",
         [](const std::string& w) {
             fs::copy(w + "MAPS/0", w + "MAPS/2147483648", fs::copy_options::recursive);
         },
         "unread-map",
         Severity::Warning,
         "2147483648 is outside the map numbers",
         {0}},
        {"missing tile picture",
         [](const std::string& w) { fs::remove(w + "_DATA/2DGFX/wall.bmp"); },
         "missing-image",
         Severity::Error,
         "the image of tile kind wall is missing",
         {0}},
        {"missing object sound",
         [](const std::string& w) {
             appendDna(w, "wall", {{"worldFTileSoundFile", "boom"}});
         },
         "missing-sound",
         Severity::Warning,
         "the sound of wall is missing",
         {0}},
        // The sound table holds 257 names: the level music and 256 more fit, one more does not.
        {"as many sounds as the table holds",
         [](const std::string& w) {
             for (int i = 0; i < 256; ++i)
                 support::writeFile(w + "SOUNDS/s" + std::to_string(i) + ".ogg", "s");
         },
         "",
         Severity::Error,
         "",
         {0}},
        {"one sound more than the table holds",
         [](const std::string& w) {
             for (int i = 0; i < 257; ++i)
                 support::writeFile(w + "SOUNDS/s" + std::to_string(i) + ".ogg", "s");
         },
         "too-many-sounds",
         Severity::Warning,
         "only the first 257 sound files can be used",
         {0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        support::TempFolder t("content_check");
        cleanWorld(t.path());
        c.change(t.path());
        const makers::ContentReport r = makers::checkContent({t.path(), {}});
        EXPECT_EQ(r.mapsChecked, c.mapsChecked);
        const std::string human = makers::formatContentReport(r);
        if (std::string(c.kind).empty()) {
            EXPECT_TRUE(r.problems.empty()) << human;
            EXPECT_EQ(makers::contentCheckExitCode(r, true), 0);
            continue;
        }
        ASSERT_EQ(r.problems.size(), 1u) << human;
        const makers::ContentProblem& p = r.problems[0];
        EXPECT_EQ(p.kind, c.kind);
        EXPECT_EQ(p.severity, c.severity);
        EXPECT_NE(p.text.find(c.text), std::string::npos) << p.text;
        const bool warning = c.severity == Severity::Warning;
        EXPECT_EQ(makers::contentCheckExitCode(r, false), warning ? 0 : 1);
        EXPECT_EQ(makers::contentCheckExitCode(r, true), 1);
        const std::string severity = warning ? "warning" : "error";
        EXPECT_EQ(human.rfind(severity + ": ", 0), 0u) << human;
        EXPECT_NE(human.find(warning ? "0 errors, 1 warning\n" : "1 error, 0 warnings\n"), std::string::npos)
            << human;
        EXPECT_NE(makers::contentReportJson(r).find("\"severity\": \"" + severity + "\""), std::string::npos);
    }
    // A map named twice is checked once.
    support::TempFolder t("content_check");
    cleanWorld(t.path());
    EXPECT_EQ(makers::checkContent({t.path(), {0, 0}}).mapsChecked, std::vector<std::int32_t>{0});
}

// The suggestion is the nearest known key, whatever the letter case; a key far from all has none.
TEST(ContentCheck, UnknownKeysSuggestTheNearestKnownKey) {
    EXPECT_EQ(makers::nearestDnaKey("worldFTileVelo"), "worldFTileVELO");
    EXPECT_EQ(makers::nearestDnaKey("worldFTileColision"), "worldFTileCollision");
    EXPECT_EQ(makers::nearestDnaKey("animcontainer"), "animContainer");
    EXPECT_EQ(makers::nearestDnaKey("somethingElseEntirely"), "");
}
