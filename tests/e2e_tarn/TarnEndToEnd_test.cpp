// The real tarn binary on a working folder made in the test: the demo's script chain and two of
// the demo's tiles. One run under Xvfb clicks a tile in the tile window and places it on the
// screen; the screenshot must show the tile's own pixels there.
#include <gtest/gtest.h>

#include <SDL2/SDL.h>
#include <SDL2/SDL_image.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

std::string makeFolder() {
    std::string pattern = (fs::temp_directory_path() / "tarn_e2e_XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    const std::string dir = pattern + "/";
    const std::string demo = DEMO_FOLDER;
    fs::create_directories(dir + "_DATA/2DGFX");
    for (const char* f : {"ini.txt", "screen.txt", "app.txt", "codec.txt", "gui.txt", "DNA.dll"})
        fs::copy_file(demo + "_DATA/" + f, dir + "_DATA/" + f);
    // Kind 0 "chaser" and kind 1 "wall" (the tile set is listed in name order).
    for (const char* f : {"chaser.png", "chaser.dll", "wall.png", "wall.dll"})
        fs::copy_file(demo + "_DATA/2DGFX/" + f, dir + "_DATA/2DGFX/" + f);
    return dir;
}

struct TarnRun {
    int status = -1;
    std::string err;
};

TarnRun runTarn(const std::string& dir, const std::string& prefix, const std::string& args) {
    const std::string cmd = "cd '" + dir + "' && " + prefix + " '" + TARN_BINARY + "' " + args + " 2> '" +
                            dir + "stderr.txt' > /dev/null";
    TarnRun r;
    const int rc = std::system(cmd.c_str());
    r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    std::ifstream in(dir + "stderr.txt");
    r.err.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return r;
}

bool haveXvfb() {
    return std::system("command -v xvfb-run > /dev/null 2>&1") == 0;
}

Uint32 pixel(SDL_Surface* s, int x, int y) {
    SDL_Surface* c = SDL_ConvertSurfaceFormat(s, SDL_PIXELFORMAT_ARGB8888, 0);
    const Uint32 p = static_cast<const Uint32*>(c->pixels)[y * (c->pitch / 4) + x];
    SDL_FreeSurface(c);
    return p & 0xFFFFFF;
}

// Clicks kind 0 ("chaser", cell (0, 0) of the tile window: the mouse at (24, 62) is inside it below
// the title and menu bars; the current kind before is the last one, "wall"), switches the raster
// off (C), places at (600, 400), moves away.
const char* kScript = "3 move 24 62\n"
                      "4 press left\n"
                      "5 release left\n"
                      "6 key 46\n"
                      "7 move 600 400\n"
                      "8 press left\n"
                      "9 release left\n"
                      "10 move 900 700\n";

void expectChaserAt600x400(const std::string& dir) {
    SDL_Surface* shot = IMG_Load((dir + "shot.png").c_str());
    ASSERT_NE(shot, nullptr) << "no screenshot";
    SDL_Surface* tile = IMG_Load((dir + "_DATA/2DGFX/chaser.png").c_str());
    ASSERT_NE(tile, nullptr);
    EXPECT_EQ(shot->w, 1024);
    EXPECT_EQ(shot->h, 768);
    int same = 0, checked = 0;
    for (int y = 4; y < 28; y += 3)
        for (int x = 4; x < 28; x += 3) {
            const Uint32 want = pixel(tile, x, y);
            if (want == 0x00FF00) continue; // transparent colour of the demo's tiles
            ++checked;
            if (pixel(shot, 600 + x, 400 + y) == want) ++same;
        }
    ASSERT_GT(checked, 10);
    EXPECT_EQ(same, checked);
    // Where nothing was placed the screen is the editor's background (or a grid point).
    EXPECT_EQ(pixel(shot, 601, 301), 0x0A0A0Au);
    SDL_FreeSurface(tile);
    SDL_FreeSurface(shot);
}

} // namespace

TEST(TarnE2E, XvfbClickATileInTheTileWindowAndPlaceIt) {
    if (!haveXvfb()) GTEST_SKIP() << "xvfb-run is not installed";
    const std::string dir = makeFolder();
    std::ofstream(dir + "input.txt") << kScript;
    const TarnRun r = runTarn(dir, "xvfb-run -a -s '-screen 0 1024x768x24'",
                              "--input input.txt --passes 30 --screenshot shot.png");
    ASSERT_EQ(r.status, 0) << r.err;
    expectChaserAt600x400(dir);
    fs::remove_all(dir);
}

TEST(TarnE2E, HeadlessRunPlacesTheSameWay) {
    const std::string dir = makeFolder();
    std::ofstream(dir + "input.txt") << kScript;
    const TarnRun r = runTarn(dir, "", "--headless --input input.txt --passes 30 --screenshot shot.png");
    ASSERT_EQ(r.status, 0) << r.err;
    expectChaserAt600x400(dir);
    fs::remove_all(dir);
}

TEST(TarnE2E, QuitQuestionAnsweredYesEndsTheRun) {
    const std::string dir = makeFolder();
    std::ofstream(dir + "input.txt") << "2 menu 106\n";
    // No --passes: only the answered quit question ends this run.
    const TarnRun r = runTarn(dir, "timeout 60", "--headless --answer yes --input input.txt");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("[MAP BUILDER: Quit?]"), std::string::npos) << r.err;
    fs::remove_all(dir);
}

TEST(TarnE2E, MissingStartScriptReportsAndEndsWithZero) {
    const std::string dir = makeFolder();
    fs::remove(dir + "_DATA/ini.txt");
    const TarnRun r = runTarn(dir, "timeout 60", "--headless");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("[TARN ERROR ] "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("_DATA/ini.txt Result:   0   FAIL"), std::string::npos) << r.err;
    fs::remove_all(dir);
}

TEST(TarnE2E, OptionsAreCheckedAndDocumented) {
    const std::string dir = makeFolder();
    TarnRun r = runTarn(dir, "", "--help");
    EXPECT_EQ(r.status, 0);
    r = runTarn(dir, "", "--passes zero");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--passes"), std::string::npos);
    std::ofstream(dir + "bad.txt") << "1 fly 3\n";
    r = runTarn(dir, "", "--headless --input bad.txt");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("line 1"), std::string::npos);
    fs::remove_all(dir);
}
