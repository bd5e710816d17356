// The script chain: record reading, keys and types, and start-up failures.
#include "Harness.h"

#include "builder/ScriptChain.h"
#include "builder/Startup.h"
#include "platform/ErrorTrap.h"

using namespace tarntest;

TEST(ScriptChain, RecordsAreFourLinesAndShortRecordsReadEmpty) {
    std::vector<std::pair<std::string, std::string>> seen;
    tarn::forEachScriptRecord("A\r\n;\r\n1\r\n;\r\nB",
                              [&](const std::string& k, const std::string& v) { seen.emplace_back(k, v); });
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], std::make_pair(std::string("A"), std::string("1")));
    // The fifth line starts a second record whose other lines are empty.
    EXPECT_EQ(seen[1], std::make_pair(std::string("B"), std::string()));
}

TEST(ScriptChain, KeysMatchWholeLinesAndTheLaterRecordWins) {
    Harness h;
    h.addKind("wall", 32, 32);
    h.screen.push_back({"DEPTH ", "16"}); // trailing blank: not the DEPTH key
    h.screen.erase(h.screen.begin() + 1); // no plain DEPTH record
    h.screen.push_back({"MATRIXRASTER", "16"});
    h.screen.push_back({"MATRIXRASTER", "24"});
    h.screen.push_back({"WIDTH", "640"});
    h.screen.push_back({"RESBASEW", "800.5"});
    h.screen.push_back({"GFXDETAIL", "1"});
    h.screen.push_back({"MAXTILES", "not a number"});
    ASSERT_TRUE(h.start());
    EXPECT_EQ(h.b.cfg.DEPTH, 8);
    EXPECT_EQ(h.b.cfg.MATRIXRASTER, 24);
    EXPECT_FLOAT_EQ(h.b.cfg.RESBASEW, 800.5f);
    EXPECT_EQ(h.b.cfg.MAXTILES, 0);
    // WINDOWMODE 0: the desktop's size replaces WIDTH and HEIGHT.
    EXPECT_FLOAT_EQ(h.b.cfg.WIDTH, 1024.0f);
    EXPECT_FLOAT_EQ(h.b.cfg.HEIGHT, 768.0f);
    EXPECT_EQ(h.gfx().quality(), 1);
    // Path values carry the working folder; codec and GUI files were read.
    EXPECT_EQ(h.b.cfg.GFXPATH, h.dir + "_DATA/2DGFX/");
    EXPECT_EQ(h.b.cfg.LOGFILE, h.dir + "USER/");
    EXPECT_EQ(h.b.cfg.GFXCODEC, ".bmp");
    EXPECT_EQ(h.b.cfg.GUIH, 20);
    EXPECT_EQ(h.b.cfg.GUIHBase, 20);
    EXPECT_EQ(h.b.map.objects.size(), 1u); // MAXTILES 0: one record
}

TEST(ScriptChain, DefaultDnaPathAndItsReplacement) {
    Harness h;
    ASSERT_TRUE(h.start());
    EXPECT_EQ(h.b.paths.dnaFile, h.dir + "_DATA/DNA.dll");
    Harness h2;
    h2.screen.push_back({"DNA", "_DATA/other.dll"});
    ASSERT_TRUE(h2.start());
    EXPECT_EQ(h2.b.paths.dnaFile, "_DATA/other.dll");
}

TEST(ScriptChain, MissingStartScriptShowsTheBoxAndOpensNoWindow) {
    Harness h;
    fs::remove(h.dir + "_DATA/ini.txt");
    EXPECT_FALSE(h.start());
    ASSERT_EQ(h.tp.dialogs().boxes().size(), 1u);
    EXPECT_EQ(h.tp.dialogs().boxes()[0].title, "TARN ERROR ");
    EXPECT_EQ(h.tp.dialogs().boxes()[0].text, h.dir + "_DATA/ini.txt Result:   0   FAIL");
    EXPECT_TRUE(h.win.wins.empty());
    EXPECT_FALSE(h.gfx().screenOpen());
}

TEST(ScriptChain, MissingScreenScriptOrAppPathsEndTheBuilder) {
    Harness h;
    h.screen.push_back({"APPINIFILE", "_DATA/missing.txt"});
    EXPECT_FALSE(h.start());
    ASSERT_EQ(h.tp.dialogs().boxes().size(), 1u);
    EXPECT_EQ(h.tp.dialogs().boxes()[0].text, "_DATA/missing.txt Result:   0   FAIL");
}

TEST(ScriptChain, MissingCodecAndGuiFilesAreSilent) {
    Harness h;
    fs::remove(h.dir + "_DATA/gui.txt");
    fs::remove(h.dir + "_DATA/codec.txt");
    writeDna(h.dir + "_DATA/DNA.dll", {{"hp", "1"}});
    EXPECT_TRUE(h.start());
    EXPECT_TRUE(h.tp.dialogs().boxes().empty());
    EXPECT_EQ(h.b.cfg.GUIH, 0);
    EXPECT_TRUE(h.b.cfg.GFXCODEC.empty());
    EXPECT_TRUE(h.b.tiles.kinds.empty());
}

TEST(StartUp, WindowModeOtherThanZeroOpensNothingAndEndsWithMessage100) {
    Harness h;
    h.screen.push_back({"WINDOWMODE", "1"});
    EXPECT_FALSE(h.start());
    EXPECT_TRUE(h.win.wins.empty());
    ASSERT_EQ(h.tp.dialogs().boxes().size(), 1u);
    EXPECT_EQ(h.tp.dialogs().boxes()[0].title, "MAP BUILDER ERROR:");
    EXPECT_EQ(h.tp.dialogs().boxes()[0].text, "Can Not Open Main Window");

    // A fault while the windows open is blamed on start-up, not on whatever code ran before.
    plat::checkpoint("builder/Elsewhere.cpp", 1);
    h.win.failMain = true;
    EXPECT_FALSE(tarn::openWindowsAndScreen(h.b));
    EXPECT_EQ(plat::lastCheckpoint().module, "Startup");
}

TEST(StartUp, WindowsAndStartValues) {
    Harness h;
    h.addKind("a", 16, 16);
    h.addKind("b", 16, 16);
    std::vector<std::pair<std::string, std::string>> defaults; // as many keys as the demo's
    for (int i = 0; i < 45; ++i) defaults.emplace_back("key" + std::to_string(i), "0");
    writeDna(h.dir + "_DATA/DNA.dll", defaults);
    ASSERT_TRUE(h.start());
    ASSERT_TRUE(h.win.isOpen(100));
    EXPECT_EQ(h.win.wins[100].title, "QUADRAPLAN VERSION A140811 BASED ON ZEMA BUILDER VERSION 0.7");
    EXPECT_EQ(h.win.wins[100].w, 1024);
    const auto& tiles = h.win.wins[102];
    EXPECT_EQ(tiles.title, "Tiles");
    EXPECT_EQ(std::make_pair(tiles.x, tiles.y), std::make_pair(0, 0));
    EXPECT_EQ(std::make_pair(tiles.w, tiles.h), std::make_pair(256, 192));
    ASSERT_EQ(tiles.menus.size(), 6u);
    const auto& dna = h.win.wins[103];
    EXPECT_EQ(dna.title, "DNA_DESCRIPTOR_WINDOW");
    // Every entry shows (columns of 16 entries of 164 x 40 under the 48-pixel buttons and the title
    // and menu bars), at the right of the desktop, clear of the tile window's quarter.
    const int entries = static_cast<int>(h.b.edit.dnaFields.size());
    ASSERT_EQ(entries, 45);
    EXPECT_GE(dna.w, (entries + 15) / 16 * 164);
    EXPECT_GE(dna.h, 2 * 19 + 48 + 16 * 40);
    EXPECT_EQ(std::make_pair(dna.x + dna.w, dna.y), std::make_pair(1024, 0));
    EXPECT_GE(dna.x, 256);
    EXPECT_LE(dna.h, 768);
    EXPECT_EQ(h.win.active, 102);
    EXPECT_EQ(h.b.edit.currentLayer, 1);
    EXPECT_EQ(h.b.edit.rasterMode, tarn::kRasterMatrixSize);
    EXPECT_EQ(h.b.mapFile.name, "1");
    // No start map "1": the map stays empty.
    EXPECT_EQ(h.b.map.lastObject, -1);
    EXPECT_EQ(h.b.tiles.currentKind, 1); // the last kind of the set
    EXPECT_EQ(h.b.cfg.MAXTILES, 100);
}

TEST(StartUp, TileWindowFailureEndsSilentlyAndDnaWindowFailureGoesOn) {
    Harness h;
    h.win.failTile = true;
    EXPECT_FALSE(h.start());
    EXPECT_TRUE(h.tp.dialogs().boxes().empty());
    Harness h2;
    h2.win.failDna = true;
    EXPECT_TRUE(h2.start());
    ASSERT_EQ(h2.tp.dialogs().boxes().size(), 1u);
    EXPECT_EQ(h2.tp.dialogs().boxes()[0].text,
              "MAP Builder did not find default DNA\nQUADRAPLAN  will use default DNA");
}

TEST(StartUp, ShutdownClosesOnlyOpenWindowsInOrder) {
    Harness h;
    ASSERT_TRUE(h.start());
    tarn::shutdown(h.b);
    EXPECT_EQ(h.win.closed, (std::vector<int>{102, 103, 100}));
}
