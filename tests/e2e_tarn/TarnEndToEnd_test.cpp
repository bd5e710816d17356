// The real tarn binary on a working folder made in the test: the demo's script chain and two of
// the demo's tiles. One run under Xvfb clicks a tile in the tile window and places it on the
// screen; the screenshot must show the tile's own pixels there.
#include <gtest/gtest.h>

#include <SDL2/SDL.h>
#include <SDL2/SDL_image.h>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "tests/support/Subprocess.h"
#include "tests/support/TempFolder.h"

namespace fs = std::filesystem;

namespace {

// A working folder with the demo's script chain and two of its tiles, removed afterwards.
struct Folder : support::TempFolder {
    Folder() : support::TempFolder("tarn_e2e") {
        const std::string demo = DEMO_FOLDER;
        fs::create_directories(path() + "_DATA/2DGFX");
        for (const char* f : {"ini.txt", "screen.txt", "app.txt", "codec.txt", "gui.txt", "DNA.dll"})
            fs::copy_file(demo + "_DATA/" + f, path() + "_DATA/" + f);
        // Kind 0 "chaser" and kind 1 "wall" (the tile set is listed in name order).
        for (const char* f : {"chaser.png", "chaser.dll", "wall.png", "wall.dll"})
            fs::copy_file(demo + "_DATA/2DGFX/" + f, path() + "_DATA/2DGFX/" + f);
    }
};

struct TarnRun {
    int status = -1;
    std::string err, out;
};

// Runs tarn in `dir` (after `prefix`, e.g. xvfb-run) with at most 60 seconds.
TarnRun runTarn(const std::string& dir, const std::string& prefix, const std::string& args) {
    const support::RunResult r =
        support::runCommand(prefix + " " + support::shellQuote(TARN_BINARY) + " " + args, dir, 60);
    EXPECT_FALSE(r.timedOut) << "tarn " << args << " ran past its time limit";
    return TarnRun{r.code, r.err, r.out};
}

Uint32 pixel(SDL_Surface* s, int x, int y) {
    SDL_Surface* c = SDL_ConvertSurfaceFormat(s, SDL_PIXELFORMAT_ARGB8888, 0);
    const Uint32 p = static_cast<const Uint32*>(c->pixels)[y * (c->pitch / 4) + x];
    SDL_FreeSurface(c);
    return p & 0xFFFFFF;
}

// Clicks kind 0 ("chaser", cell (0, 0) of the tile window: the mouse at (24, 62) is inside it below
// the title and menu bars; the current kind before is the last one, "wall"), switches the raster
// off (C), places at (360, 400) (left of the DNA window), moves away.
const char* kScript = "3 move 24 62\n"
                      "4 press left\n"
                      "5 release left\n"
                      "6 key 46\n"
                      "7 move 360 400\n"
                      "8 press left\n"
                      "9 release left\n"
                      "10 move 360 700\n";

// The chaser's own pixels at (x, y) of the screenshot.
void expectChaserAt(const std::string& dir, int x0, int y0) {
    SDL_Surface* shot = IMG_Load((dir + "shot.png").c_str());
    ASSERT_NE(shot, nullptr) << "no screenshot";
    SDL_Surface* tile = IMG_Load((dir + "_DATA/2DGFX/chaser.png").c_str());
    ASSERT_NE(tile, nullptr);
    int same = 0, checked = 0;
    for (int y = 4; y < 28; y += 3)
        for (int x = 4; x < 28; x += 3) {
            const Uint32 want = pixel(tile, x, y);
            if (want == 0x00FF00) continue; // transparent colour of the demo's tiles
            ++checked;
            if (pixel(shot, x0 + x, y0 + y) == want) ++same;
        }
    EXPECT_GT(checked, 10);
    EXPECT_EQ(same, checked) << "no chaser at " << x0 << ", " << y0;
    SDL_FreeSurface(tile);
    SDL_FreeSurface(shot);
}

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// The chaser at (360, 400) of a 1024 x 768 screenshot, and the background where nothing was placed.
void expectChaserAt360x400(const std::string& dir) {
    expectChaserAt(dir, 360, 400);
    SDL_Surface* shot = IMG_Load((dir + "shot.png").c_str());
    ASSERT_NE(shot, nullptr) << "no screenshot";
    EXPECT_EQ(shot->w, 1024);
    EXPECT_EQ(shot->h, 768);
    // Where nothing was placed the screen is the editor's background (or a grid point).
    EXPECT_EQ(pixel(shot, 361, 301), 0x0A0A0Au);
    SDL_FreeSurface(shot);
}

} // namespace

TEST(TarnE2E, XvfbClickATileInTheTileWindowAndPlaceIt) {
    if (const std::string missing = support::xvfbMissing(); !missing.empty()) GTEST_SKIP() << missing;
    const Folder folder;
    const std::string& dir = folder.path();
    std::ofstream(dir + "input.txt") << kScript;
    const TarnRun r = runTarn(dir, "xvfb-run -a -s '-screen 0 1024x768x24'",
                              "--input input.txt --passes 30 --screenshot shot.png");
    ASSERT_EQ(r.status, 0) << r.err;
    expectChaserAt360x400(dir);
}

// On a 1920 x 1080 screen the 1024 x 768 design (the screen script's RESBASEW/RESBASEH; the folder
// has no CORE/ini.crc) is shown 1440 x 1080 in the middle, as biosim shows it, with its edge marked;
// a tile placed there is saved in design pixels.
TEST(TarnE2E, XvfbWideScreenEditsInDesignPixels) {
    if (const std::string missing = support::xvfbMissing(); !missing.empty()) GTEST_SKIP() << missing;
    const Folder folder;
    const std::string& dir = folder.path();
    // Design (600, 400) is window (240 + 600 x 1.40625, 400 x 1.40625).
    std::ofstream(dir + "input.txt") << "3 move 24 62\n4 press left\n5 release left\n6 key 46\n"
                                        "7 move 1084 563\n8 press left\n9 release left\n10 move 1500 900\n"
                                        "11 answer MAPS/5/\n12 menu 128\n";
    const TarnRun r = runTarn(dir, "xvfb-run -a -s '-screen 0 1920x1080x24'",
                              "--input input.txt --passes 30 --screenshot shot.png");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string segment = support::readFile(dir + "MAPS/5/1");
    EXPECT_NE(segment.find("TILE\r\nchaser\r\n0\r\n600\r\n400\r\n"), std::string::npos) << segment << r.err;
    SDL_Surface* shot = IMG_Load((dir + "shot.png").c_str());
    ASSERT_NE(shot, nullptr) << "no screenshot";
    EXPECT_EQ(shot->w, 1920);
    EXPECT_EQ(pixel(shot, 239, 500), 0xFFA000u) << "the design area's left edge";
    EXPECT_EQ(pixel(shot, 1680, 500), 0xFFA000u) << "the design area's right edge";
    EXPECT_EQ(pixel(shot, 100, 900), 0x0A0A0Au) << "outside the design area: the background";
    SDL_FreeSurface(shot);
}

TEST(TarnE2E, HeadlessRunPlacesTheSameWay) {
    const Folder folder;
    const std::string& dir = folder.path();
    std::ofstream(dir + "input.txt") << kScript;
    const TarnRun r = runTarn(dir, "", "--headless --input input.txt --passes 30 --screenshot shot.png");
    ASSERT_EQ(r.status, 0) << r.err;
    expectChaserAt360x400(dir);
}

TEST(TarnE2E, QuitQuestionAnsweredYesEndsTheRun) {
    const Folder folder;
    const std::string& dir = folder.path();
    std::ofstream(dir + "input.txt") << "2 menu 106\n";
    // No --passes: only the answered quit question ends this run.
    const TarnRun r = runTarn(dir, "", "--headless --answer yes --input input.txt");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("[MAP BUILDER: Quit?]"), std::string::npos) << r.err;
}

// Quit, New MAP and a load over unsaved changes ask; in a headless run without --answer and without
// a scripted reply each keeps the editor and its map, and the script's reply lines answer them.
TEST(TarnE2E, QuestionsNoOneAnswersKeepTheMapAndScriptRepliesDecide) {
    const Folder folder;
    const std::string& dir = folder.path();
    std::ofstream(dir + "input.txt") << kScript
                                     << "11 answer saved.map\n12 menu 131\n"                // saved
                                        "13 move 100 600\n14 press left\n15 release left\n" // a change
                                        "16 menu 106\n18 menu 117\n20 answer saved.map\n21 menu 130\n"
                                        "23 menu 117\n23 reply no\n25 reply yes\n25 menu 106\n";
    // No --passes: only the quit the script answers ends this run.
    const TarnRun r = runTarn(dir, "", "--headless --input input.txt --screenshot shot.png");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(count(r.err, "-> no (nobody can see it: the safe answer)"), 3u) << r.err;
    EXPECT_EQ(count(r.err, "Drop them? -> no"), 1u) << r.err;
    EXPECT_EQ(count(r.err, "START NEW MAP ? -> no (the input script)"), 1u) << r.err;
    EXPECT_EQ(count(r.err, "will be lost -> yes (the input script)"), 1u) << r.err;
    expectChaserAt(dir, 360, 400);
    expectChaserAt(dir, 100, 600); // the unsaved change is still there
}

// The snapshot folders of the runs in `dir`.
std::vector<fs::path> runFolders(const std::string& dir) {
    std::vector<fs::path> runs;
    std::error_code ec;
    for (fs::directory_iterator it(dir + "USER/UNDO_RUNS/", ec), end; !ec && it != end; it.increment(ec))
        runs.push_back(it->path());
    return runs;
}

// A run killed with SIGKILL after an unsaved placement: a second run meanwhile keeps its own
// snapshots and leaves the live run's alone; the next start offers the killed run's newest snapshot,
// and yes gives the placement back.
TEST(TarnE2E, KilledRunsWorkIsOfferedAtTheNextStartAndRunsDoNotShareSnapshots) {
    const Folder folder;
    const std::string& dir = folder.path();
    std::ofstream(dir + "wait.txt") << kScript << "2000000000 move 1 1\n"; // then waits to be killed
    const pid_t a = ::fork();
    ASSERT_GE(a, 0);
    if (a == 0) {
        if (::chdir(dir.c_str()) != 0) ::_exit(127);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execl(TARN_BINARY, "tarn", "--headless", "--input", "wait.txt", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    bool placed = false;
    for (int i = 0; i < 600 && !placed; ++i) {
        for (const fs::path& run : runFolders(dir)) placed = placed || fs::exists(run / "UNDO_1");
        if (!placed) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    TarnRun r = runTarn(dir, "", "--headless --passes 5");
    const std::size_t runsMeanwhile = runFolders(dir).size();
    ::kill(a, SIGKILL);
    int status = 0;
    ::waitpid(a, &status, 0);
    ASSERT_TRUE(placed) << "the first run wrote no snapshot of its placement";
    EXPECT_EQ(runsMeanwhile, 2u) << "each run has a folder of its own";
    EXPECT_EQ(r.err.find("Restore?"), std::string::npos) << "a live run's work is not offered:\n" << r.err;

    std::ofstream(dir + "yes.txt") << "1 reply yes\n";
    r = runTarn(dir, "", "--headless --input yes.txt --passes 5 --screenshot shot.png");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("(No keeps it for the next start.) -> yes (the input script)"), std::string::npos)
        << r.err;
    expectChaserAt360x400(dir);
}

// A segment whose header has a leading blank or a "+" loads and saves back with its tile; a numbered
// file that is no segment (the user's notes) is never overwritten, and the save says so.
TEST(TarnE2E, EverySegmentBiosimReadsLoadsAndNoSegmentIsLost) {
    const Folder folder;
    const std::string& dir = folder.path();
    fs::create_directories(dir + "MAPS/7");
    std::ofstream(dir + "MAPS/7/0", std::ios::binary)
        << " 0\r\n+0\r\nTILE\r\nchaser\r\n0\r\n100\r\n100\r\n32\r\n32\r\n0\r\nENGINETILEINFOEND\r\n";
    std::ofstream(dir + "MAPS/7/1", std::ios::binary) << "my notes\r\n";
    // Load the folder, place a chaser on layer 1 (the script's placement), save into the folder.
    std::ofstream(dir + "input.txt") << "1 answer MAPS/7/\n2 menu 129\n"
                                     << kScript << "12 answer MAPS/7/\n13 menu 128\n";
    const TarnRun r = runTarn(dir, "", "--headless --input input.txt --passes 20");
    ASSERT_EQ(r.status, 0) << r.err;
    std::ifstream in(dir + "MAPS/7/0", std::ios::binary);
    const std::string segment((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(segment.find("TILE\r\nchaser\r\n0\r\n100\r\n100\r\n"), std::string::npos) << segment << r.err;
    std::ifstream notes(dir + "MAPS/7/1", std::ios::binary);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(notes)), std::istreambuf_iterator<char>()),
              "my notes\r\n");
    EXPECT_NE(r.err.find("MAPS/7/1 was kept as it is"), std::string::npos) << r.err;
}

TEST(TarnE2E, MissingStartScriptReportsAndEndsWithZero) {
    const Folder folder;
    const std::string& dir = folder.path();
    fs::remove(dir + "_DATA/ini.txt");
    const TarnRun r = runTarn(dir, "", "--headless");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("[TARN ERROR ] "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("_DATA/ini.txt Result:   0   FAIL"), std::string::npos) << r.err;
}

TEST(TarnE2E, OptionsAreCheckedAndDocumented) {
    const Folder folder;
    const std::string& dir = folder.path();
    TarnRun r = runTarn(dir, "", "--help");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("--passes"), std::string::npos) << r.out;
    EXPECT_EQ(r.err, "") << "--help only prints the options: the editor does not start";
    EXPECT_FALSE(fs::exists(dir + "USER")) << "--help only prints the options: the editor does not start";
    r = runTarn(dir, "", "--passes zero");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--passes"), std::string::npos);
    std::ofstream(dir + "bad.txt") << "1 fly 3\n";
    r = runTarn(dir, "", "--headless --input bad.txt");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("line 1"), std::string::npos);
}
