// Configuration file, codec file and system texts, read through the real start-up on real files.
#include <gtest/gtest.h>

#include <filesystem>

#include "EngineTestKit.h"
#include "engine/Configuration.h"

using namespace engine;

using kit::Harness;
using kit::TempDir;

namespace {

// An engine started on a world whose ini.crc is the standard one plus `extra`.
using Started = kit::Started;

} // namespace

TEST(Config, DefaultsOfKeysNotInTheFile) {
    Started s;
    EXPECT_EQ(s.e().cfg.VERSION, "VERSION INFO MISSING");
    EXPECT_EQ(s.e().cfg.SERVER, "LOCAL");
    EXPECT_EQ(s.e().cfg.ERRORPATH, s.dir.path() + "CORE/");
    EXPECT_EQ(s.e().cfg.WARNINGS, s.dir.path() + "CORE/");
    EXPECT_EQ(s.e().engineBasePath, s.dir.path() + "CORE/");
    EXPECT_EQ(s.e().mapMode, 13);
    EXPECT_EQ(s.e().actualMapId, -1000);
    EXPECT_EQ(s.e().levelMusicSound, -1);
    EXPECT_EQ(s.e().musicOn, 1);
    EXPECT_EQ(s.e().clearScreenNeeded, 1);
    // "SERVER" LOCAL never touches the network.
    EXPECT_TRUE(s.h.tp.network().requests().empty());
}

TEST(Config, KeyWithTrailingBlankIsSkippedWithItsValue) {
    Started s(kit::KV{{"APPENTRY ", "77"}, {"VERSION", "v2"}});
    EXPECT_EQ(s.e().nextMapId, 0);
    EXPECT_EQ(s.e().cfg.VERSION, "v2"); // the pairing stays intact after the skipped pair
}

TEST(Config, MatrixSizeIsCappedAt256) {
    Started a(kit::KV{{"MATRIXSIZE", "300"}});
    EXPECT_EQ(a.e().matrixSize, 256);
    Started b(kit::KV{{"MATRIXSIZE", "256"}});
    EXPECT_EQ(b.e().matrixSize, 256);
    Started c(kit::KV{{"MATRIXSIZE", "255"}});
    EXPECT_EQ(c.e().matrixSize, 255);
}

TEST(Config, MultitaskNeverBelowZeroAndWrapsAsAByte) {
    Started neg(kit::KV{{"MULTITASK", "-5"}});
    EXPECT_EQ(neg.e().multitaskDelayMs, 0);
    EXPECT_EQ(neg.e().cfg.MULTITASK, 0);
    Started wrap(kit::KV{{"MULTITASK", "200"}}); // -56 in a signed byte
    EXPECT_EQ(wrap.e().multitaskDelayMs, 0);
    Started ok(kit::KV{{"MULTITASK", "7"}});
    EXPECT_EQ(ok.e().multitaskDelayMs, 7);
    EXPECT_EQ(ok.e().cfg.MULTITASK, 7);
}

TEST(Config, GridSizeSetsBothCellSidesAndAppModeTheDebugOverlay) {
    Started s(kit::KV{{"GRIDSIZE", "32"}, {"APPMODE", "1"}});
    EXPECT_EQ(s.e().gridCellWidth, 32.0f);
    EXPECT_EQ(s.e().gridCellHeight, 32.0f);
    EXPECT_EQ(s.e().debugMode, 1);
    // The first frame already draws the overlay's figures.
    s.h.gfx().clearCalls();
    ASSERT_TRUE(s.h.pass());
    bool figures = false;
    for (const auto& c : s.h.gfx().callsOf(plat::test::Op::Text))
        if (c.text.rfind("AREA-H: ", 0) == 0) figures = true;
    EXPECT_TRUE(figures);
}

TEST(Config, LastValueWinsAndValueKindsConvert) {
    Started s(kit::KV{{"APPENTRY", "5"},
                      {"APPENTRY", "12abc"},
                      {"SOURCEWIDTH", "800.5"},
                      {"BLOOM", "300"},
                      {"MATRIX_OFFSET_X", "\t-40"},
                      {"MAXOBJECTS", "nonsense"}});
    EXPECT_EQ(s.e().nextMapId, 12);
    EXPECT_EQ(s.e().cfg.APPENTRY, 12);
    EXPECT_FLOAT_EQ(s.e().srcScrW, 800.5f);
    EXPECT_EQ(s.e().cfg.BLOOM, 44);
    EXPECT_EQ(s.e().level.scrollX, -40.0f);
    EXPECT_EQ(s.e().cfg.MAXOBJECTS, 0);
    EXPECT_EQ(s.e().objectTable.size(), 1u); // MAXOBJECTS + 1
}

TEST(Config, OddLastLineIsAKeyWithAnEmptyValue) {
    TempDir dir;
    kit::writeWorld(dir, {{"VERSION", "x"}});
    // Append a lone "VERSION" line without value: it sets the version to "".
    dir.write("CORE/ini.crc", dir.read("CORE/ini.crc") + "VERSION");
    Harness h;
    ASSERT_TRUE(h.start(dir.path()));
    EXPECT_EQ(h.e->cfg.VERSION, "");
}

TEST(Config, MissingFileIsFatalStartupErrorNamingTheFile) {
    TempDir dir;
    kit::writeWorld(dir);
    std::filesystem::remove(dir.path() + "CORE/ini.crc");
    Harness h;
    EXPECT_FALSE(h.start(dir.path()));
    EXPECT_EQ(h.endCode, 0);
    EXPECT_EQ(h.shutdowns, 1);
    const auto& boxes = h.tp.dialogs().boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].title, "KORVEX_CORE ERROR:");
    // The system texts were not read yet: the box names the file that was looked for.
    EXPECT_EQ(boxes[0].text, "CONFIGURATION FILE MISSING: " + dir.path() + "CORE/ini.crc");
    EXPECT_EQ(boxes[1].title, "KORVEX_CORE INFO");
    EXPECT_EQ(boxes[1].text, "Sorry,Dear User: KORVEX has to quit, because of the error");
    EXPECT_FALSE(h.gfx().screenOpen());
}

TEST(Config, SystemTextsAreStoredAtTheirCodesIndex) {
    TempDir dir;
    kit::writeWorld(dir);
    // The file's order differs from the index order; an unknown code is skipped.
    dir.write("CORE/systext.txt", kit::pairs({{"#ERROR_OPEN_WORLD_SCREEN", "seven"},
                                              {"#ERROR_INIT_IO", "one"},
                                              {"#ERROR_BOGUS", "nothing"},
                                              {"#ERROR_INIT_2D_GFX", "two"},
                                              {"#ERROR_UNKNOWN", "zero"},
                                              {"#ERROR_INIT_INIT", "five"}}));
    Harness h;
    ASSERT_TRUE(h.start(dir.path()));
    const auto& t = h.e->errorTexts;
    EXPECT_EQ(t[0], "zero");
    EXPECT_EQ(t[1], "one");
    EXPECT_EQ(t[2], "two");
    EXPECT_EQ(t[3], "");
    EXPECT_EQ(t[5], "five");
    EXPECT_EQ(t[7], "seven");
}

TEST(Config, MissingSystemTextFileIsFatalStartupErrorFive) {
    TempDir dir;
    kit::writeWorld(dir, {{"SYSTEMTEXT", "CORE/none.txt"}});
    Harness h;
    EXPECT_FALSE(h.start(dir.path()));
    EXPECT_EQ(h.endCode, 0);
    ASSERT_EQ(h.tp.dialogs().boxes().size(), 2u);
    EXPECT_EQ(h.tp.dialogs().boxes()[0].text, "SYSTEM TEXT FILE MISSING: " + dir.path() + "CORE/none.txt");
}

TEST(Config, ScreenThatCannotOpenIsFatalStartupErrorSevenWithItsText) {
    TempDir dir;
    kit::writeWorld(dir);
    Harness h;
    h.gfx().setOpenScreenFails(true);
    EXPECT_FALSE(h.start(dir.path()));
    ASSERT_EQ(h.tp.dialogs().boxes().size(), 2u);
    EXPECT_EQ(h.tp.dialogs().boxes()[0].text, "no screen");
}

TEST(Config, CodecFileFourLineRecordsAndMissingFileIsSilent) {
    TempDir dir;
    kit::writeWorld(dir);
    dir.write("CORE/codec.txt", "MUSICCODEC\r\nx\r\n.mid\r\nx\r\nGFXCODEC\r\n.png\r\n.tga\r\n\r\n");
    Harness h;
    ASSERT_TRUE(h.start(dir.path()));
    EXPECT_EQ(h.e->cfg.GFXCODEC, ".tga"); // the ignored line between name and value is not the value
    EXPECT_EQ(h.e->cfg.MUSICCODEC, ".mid");
    EXPECT_EQ(h.e->cfg.SOUNDCODEC, "");

    TempDir none;
    kit::writeWorld(none, {{"CODECS", "CORE/missing.txt"}});
    Harness h2;
    ASSERT_TRUE(h2.start(none.path()));
    EXPECT_EQ(h2.e->cfg.GFXCODEC, "");
    EXPECT_TRUE(h2.tp.dialogs().boxes().empty());
}

TEST(Config, BackslashesInConfiguredFoldersAreSeparators) {
    TempDir dir;
    kit::writeWorld(dir, {{"SYSTEMTEXT", "CORE\\systext.txt"}});
    Harness h;
    EXPECT_TRUE(h.start(dir.path()));
}
