// A map made from start to end by an input script in the real tarn (tiles picked in the tile
// window, one after scrolling it, placed, undone and redone, the map folder saved through a
// requester the script answers), then played by the real biosim: its dump holds the placed tiles.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/Subprocess.h"
#include "tests/support/TempFolder.h"

namespace fs = std::filesystem;

namespace {

std::string read(const std::string& path) {
    return support::readFile(path);
}

// Runs `command` in `dir` (standard error into dir/err.txt, as the assertions show it); the exit
// code, -1 when it did not end normally or ran out of its time.
int run(const std::string& dir, const std::string& command) {
    const support::RunResult r = support::runCommand(command, dir, 120);
    support::writeFile(dir + "err.txt", r.err);
    return r.code;
}

// A copy of the demo world in a folder of its own, removed however the test ends.
struct DemoCopy {
    support::TempFolder folder{"tarn_mapmaking"};
    std::string dir = folder.path();
    DemoCopy() { fs::copy(DEMO_FOLDER, dir, fs::copy_options::recursive); }
};

// The demo's 23 kinds in name order, four to a row of the 256-pixel tile window: kind 1 "chaser"
// sits in the first row, kind 22 "wall" in the sixth, below the window's lower edge until the grid
// is scrolled to its end.
const char* kScript = "3 move 74 62\n"
                      "4 press left\n"
                      "5 release left\n"
                      "6 key 46\n" // C: free placement
                      "7 move 400 400\n"
                      "8 press left\n"
                      "9 release left\n"
                      "10 move 124 100\n"
                      "11 wheel -3\n"
                      "14 move 124 162\n"
                      "15 press left\n"
                      "16 release left\n"
                      "17 move 300 200\n"
                      "18 press left\n"
                      "19 release left\n"
                      "20 key 22\n" // U
                      "21 key 19\n" // R
                      "22 answer MAPS/5/\n"
                      "23 menu 128\n"
                      "25 answer MAPS/7/\n" // each answer serves one requester
                      "26 menu 128\n";

} // namespace

TEST(MapMaking, ScriptedMapSavedInTarnPlaysInBiosim) {
    DemoCopy d;
    std::ofstream(d.dir + "input.txt") << kScript;
    ASSERT_EQ(run(d.dir, std::string("'") + TARN_BINARY + "' --headless --input input.txt --passes 40"), 0)
        << read(d.dir + "err.txt");
    const std::string segment = read(d.dir + "MAPS/5/1");
    ASSERT_FALSE(segment.empty()) << read(d.dir + "err.txt");
    EXPECT_NE(segment.find("TILE\r\nchaser\r\n1\r\n400\r\n400\r\n"), std::string::npos) << segment;
    EXPECT_EQ(read(d.dir + "MAPS/7/1"), segment);
    EXPECT_NE(segment.find("TILE\r\nwall\r\n22\r\n300\r\n200\r\n"), std::string::npos) << segment;
    for (const char* f : {"chaser.png", "chaser.dll", "wall.png", "wall.dll"})
        EXPECT_TRUE(fs::exists(d.dir + "MAPS/5/_DATA/2DGFX/" + f)) << f;
    // Two placements after the start snapshot, in the run's own snapshot folder.
    std::size_t runs = 0;
    for (const auto& run : fs::directory_iterator(d.dir + "USER/UNDO_RUNS/")) {
        ++runs;
        EXPECT_TRUE(fs::exists(run.path() / "UNDO_2")) << run.path();
    }
    EXPECT_EQ(runs, 1u);

    ASSERT_EQ(
        run(d.dir, std::string("'") + BIOSIM_BINARY + "' --headless --map 5 --frames 3 --dump dump.json"), 0)
        << read(d.dir + "err.txt");
    const std::string dump = read(d.dir + "dump.json");
    EXPECT_NE(dump.find("\"actualMapId\":5"), std::string::npos);
    EXPECT_NE(dump.find("\"ObjectFile\":\"chaser\""), std::string::npos) << dump.substr(0, 400);
    EXPECT_NE(dump.find("\"ObjectFile\":\"wall\""), std::string::npos);
}

// A world made for a 1280 x 800 screen (its CORE/ini.crc), edited on tarn's 1024 x 768 headless
// screen: the design is shown at 0.8 (biosim's fitting rule), the map holds design pixels, and
// biosim on the same screen puts the tile where tarn showed it.
TEST(MapMaking, MapMadeOnAnotherScreenHoldsDesignPixelsAndPlaysWhereItWasShown) {
    DemoCopy d;
    std::string ini = read(d.dir + "CORE/ini.crc");
    const std::size_t w = ini.find("SOURCEWIDTH\r\n1024.0"), h = ini.find("SOURCEHEIGHT\r\n768.0");
    ASSERT_NE(w, std::string::npos);
    ASSERT_NE(h, std::string::npos);
    ini.replace(h, 19, "SOURCEHEIGHT\r\n800");
    ini.replace(w, 19, "SOURCEWIDTH\r\n1280");
    support::writeFile(d.dir + "CORE/ini.crc", ini);
    std::ofstream(d.dir + "input.txt") << "3 move 74 62\n4 press left\n5 release left\n6 key 46\n"
                                          "7 move 400 400\n8 press left\n9 release left\n10 move 400 700\n"
                                          "11 answer MAPS/5/\n12 menu 128\n";
    ASSERT_EQ(run(d.dir, std::string("'") + TARN_BINARY + "' --headless --input input.txt --passes 20"), 0)
        << read(d.dir + "err.txt");
    const std::string segment = read(d.dir + "MAPS/5/1");
    EXPECT_NE(segment.find("TILE\r\nchaser\r\n1\r\n500\r\n500\r\n"), std::string::npos) << segment;

    ASSERT_EQ(
        run(d.dir, std::string("'") + BIOSIM_BINARY + "' --headless --map 5 --frames 3 --dump dump.json"), 0)
        << read(d.dir + "err.txt");
    const std::string dump = read(d.dir + "dump.json");
    const std::size_t chaser = dump.find("\"ObjectFile\":\"chaser\"");
    ASSERT_NE(chaser, std::string::npos) << dump.substr(0, 400);
    // The object's record around its name holds its start position on the screen (the chaser has
    // moved a little since).
    const std::size_t from = dump.rfind('{', chaser), to = dump.find('}', chaser);
    const std::string object = dump.substr(from, to - from);
    EXPECT_NE(object.find("\"StartX\":400"), std::string::npos) << object;
    EXPECT_NE(object.find("\"StartY\":400"), std::string::npos) << object;
}

// Every one of the demo's 23 tile kinds is picked with the mouse in the 1024 x 768 editor (the
// first three rows at once, the others after scrolling the Tiles window to its end) and placed once.
TEST(MapMaking, EveryDemoTileKindCanBePickedInTheTilesWindow) {
    DemoCopy d;
    const int kinds = 23, gridTop = 38, scrolled = 300 - 154; // grid height - visible height
    std::string script = "2 key 46\n";
    long pass = 3;
    const auto at = [&](const std::string& action) {
        script += std::to_string(pass++) + " " + action + "\n";
    };
    bool atEnd = false;
    for (int k = 0; k < kinds; ++k) {
        const int row = k / 4, col = k % 4;
        if (row >= 3 && !atEnd) {
            at("move 100 100");
            at("wheel -3");
            pass += 2;
            atEnd = true;
        }
        const int y = gridTop + row * 50 + 24 - (atEnd ? scrolled : 0);
        at("move " + std::to_string(col * 50 + 24) + " " + std::to_string(y));
        at("press left");
        at("release left");
        at("move " + std::to_string(300 + (k % 4) * 50) + " " + std::to_string(300 + (k / 4) * 60));
        at("press left");
        at("release left");
    }
    at("answer MAPS/6/");
    at("menu 128");
    std::ofstream(d.dir + "input.txt") << script;
    ASSERT_EQ(run(d.dir, std::string("'") + TARN_BINARY + "' --headless --input input.txt --passes " +
                             std::to_string(pass + 10)),
              0);
    std::size_t copied = 0;
    for (const auto& entry : fs::directory_iterator(d.dir + "MAPS/6/_DATA/2DGFX/"))
        copied += entry.path().extension() == ".png" ? 1 : 0;
    EXPECT_EQ(copied, static_cast<std::size_t>(kinds)) << read(d.dir + "MAPS/6/1");
}
