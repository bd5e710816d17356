// The real biosim binary as a player meets it: the whole design on screens of every shape (under
// Xvfb, with the corner tiles found by colour in the screenshot), the joystick through the input
// script, and a run without any display.
#include <gtest/gtest.h>

#include <SDL2/SDL.h>
#include <SDL2/SDL_image.h>
#include <array>
#include <nlohmann/json.hpp>
#include <string>

#include "tests/support/Images.h"
#include "tests/support/Subprocess.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WorldFiles.h"

namespace {

using Json = nlohmann::json;

std::string record(const std::string& name, int x, int y, int w, int h) {
    return "TILE\r\n" + name + "\r\n0\r\n" + std::to_string(x) + "\r\n" + std::to_string(y) + "\r\n" +
           std::to_string(w) + "\r\n" + std::to_string(h) + "\r\n0\r\n";
}

// One tile kind of one colour, listed in map 0.
void kind(const support::TempFolder& w, const std::string& name, std::array<std::uint8_t, 3> rgb,
          const support::KV& dna = {}) {
    support::writeBmp(w / ("_DATA/2DGFX/" + name + ".bmp"), 8, 8, rgb[0], rgb[1], rgb[2]);
    support::KV all = {{"worldFTileTransparency", "255"}};
    all.insert(all.end(), dna.begin(), dna.end());
    w.write("_DATA/2DGFX/" + name + ".dll", support::pairs(all));
    w.write("MAPS/0/_DATA/2DGFX/" + name + ".bmp", "listed");
}

struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1; // right and bottom exclusive
    bool found() const { return right > left; }
};

// The box around every pixel of exactly this colour.
Box find(SDL_Surface* s, std::array<std::uint8_t, 3> rgb) {
    Box b;
    for (int y = 0; y < s->h; ++y) {
        const auto* row =
            reinterpret_cast<const Uint32*>(static_cast<const Uint8*>(s->pixels) + y * s->pitch);
        for (int x = 0; x < s->w; ++x) {
            Uint8 r = 0, g = 0, bl = 0;
            SDL_GetRGB(row[x], s->format, &r, &g, &bl);
            if (r != rgb[0] || g != rgb[1] || bl != rgb[2]) continue;
            b.left = std::min(b.left, x), b.top = std::min(b.top, y);
            b.right = std::max(b.right, x + 1), b.bottom = std::max(b.bottom, y + 1);
        }
    }
    return b;
}

} // namespace

// A 1024 x 768 design with one tile in each corner, shown full screen on five screen shapes. Where
// the design fits the 16:10 letterbox (4:3, 16:10 and the portrait screen) the scaling is the
// classic one; where it would not (16:9, 21:9) it is scaled uniformly and centred between bars. The
// mouse agrees with the drawing: positions are read from the design's corner, not the screen's.
TEST(BiosimScreens, EveryCornerOfTheDesignIsVisibleOnEveryScreenShape) {
    if (const std::string why = support::xvfbMissing(); !why.empty()) GTEST_SKIP() << why;
    support::TempFolder w("biosim_screens");
    support::writeWorldWithMap(w.path(), {{"GRIDSIZE", "64"}});
    const std::array<std::array<std::uint8_t, 3>, 4> colours = {
        {{255, 0, 0}, {0, 0, 255}, {255, 255, 0}, {255, 0, 255}}};
    const char* names[4] = {"tl", "tr", "bl", "br"};
    std::string seg = "0\r\n0\r\n";
    const int xs[4] = {0, 992, 0, 992}, ys[4] = {0, 0, 736, 736};
    for (int i = 0; i < 4; ++i) {
        kind(w, names[i], colours[static_cast<std::size_t>(i)]);
        seg += record(names[i], xs[i], ys[i], 32, 32);
    }
    w.write("MAPS/0/0", seg + "ENGINETILEINFOEND\r\n");

    struct Screen {
        int w, h;
        int left, top, right, bottom; // where the design must appear
    };
    const Screen screens[] = {
        {1024, 768, 0, 0, 1024, 768},     // 4:3, the design's own shape
        {1280, 800, 0, 0, 1280, 800},     // 16:10: 1.25 by 800/768, no bars
        {1920, 1080, 240, 0, 1680, 1080}, // 16:9: 1.40625 both ways, bars left and right
        {2560, 1080, 560, 0, 2000, 1080}, // 21:9
        {768, 1024, 0, 0, 768, 480},      // portrait: the 16:10 letterbox fits, so it stays
    };
    for (const Screen& s : screens) {
        SCOPED_TRACE(std::to_string(s.w) + "x" + std::to_string(s.h));
        const int mx = s.left + static_cast<int>(100.0 * (s.right - s.left) / 1024.0);
        const int my = s.top + static_cast<int>(50.0 * (s.bottom - s.top) / 768.0);
        w.write("input.txt", "3 mouse " + std::to_string(mx) + " " + std::to_string(my) + "\n");
        const support::RunResult r =
            support::runCommand("xvfb-run -a -s '-screen 0 " + std::to_string(s.w) + "x" +
                                    std::to_string(s.h) + "x24' " + support::shellQuote(BIOSIM_EXE) +
                                    " --frames 4 --input input.txt --screenshot shot.png --dump d.json",
                                w.path(), 60);
        ASSERT_EQ(r.code, 0) << r.err;
        SDL_Surface* shot = IMG_Load(w.file("shot.png").c_str());
        ASSERT_NE(shot, nullptr) << IMG_GetError();
        ASSERT_EQ(shot->w, s.w);
        ASSERT_EQ(shot->h, s.h);
        Box all;
        for (int i = 0; i < 4; ++i) {
            const Box b = find(shot, colours[static_cast<std::size_t>(i)]);
            ASSERT_TRUE(b.found()) << names[i] << " corner tile is not on the screen";
            all.left = std::min(all.left, b.left), all.top = std::min(all.top, b.top);
            all.right = std::max(all.right, b.right), all.bottom = std::max(all.bottom, b.bottom);
        }
        SDL_FreeSurface(shot);
        // Tiles are scaled with their positions rounded up: allow one pixel at the far edges.
        EXPECT_EQ(all.left, s.left);
        EXPECT_EQ(all.top, s.top);
        EXPECT_NEAR(all.right, s.right, 1);
        EXPECT_NEAR(all.bottom, s.bottom, 1);

        // The world is laid out in screen pixels from the design's corner: the pointer over the
        // design's point (100, 50) is at that point scaled, whatever bars lie before it.
        const Json d = Json::parse(w.read("d.json"));
        const Json& g = d.contains("globals") ? d["globals"] : d;
        EXPECT_EQ(g["mouseWorldX"].get<double>(), mx - s.left);
        EXPECT_EQ(g["mouseWorldY"].get<double>(), my - s.top);
    }
}

// The stick pushed up moves a joystick player up the screen; button 10 held for many passes pauses
// the level once, and the next press goes on.
TEST(BiosimInput, StickUpSteersUpAndAHeldPauseButtonTogglesOnce) {
    support::TempFolder w("biosim_joystick");
    support::writeWorldWithMap(w.path());
    kind(w, "pilot", {200, 30, 30},
         {{"worldFTilePlayerID", "1"}, {"worldFTileUseJoyStick", "1"}, {"worldFTileVELO", "2"}});
    w.write("MAPS/0/0", "0\r\n0\r\n" + record("pilot", 500, 400, 32, 32) + "ENGINETILEINFOEND\r\n");
    auto run = [&](const std::string& script) {
        w.write("input.txt", script);
        const support::RunResult r = support::runCommand(
            support::shellQuote(BIOSIM_EXE) + " --headless --frames 40 --input input.txt --dump d.json",
            w.path());
        EXPECT_EQ(r.code, 0) << r.err;
        return Json::parse(w.read("d.json"));
    };
    const Json up = run("0 joystick 0 0\n2 joystick 0 1\n12 joystick 0 0\n"
                        "15 joybutton 10 down\n39 joybutton 10 up\n");
    const Json& g = up.contains("globals") ? up["globals"] : up;
    EXPECT_EQ(g["joystickPresent"], 1);
    EXPECT_EQ(g["pauseFlag"], 1);
    ASSERT_EQ(up["objects"].size(), 1u);
    EXPECT_LT(up["objects"][0]["MapY"].get<double>(), 400 - 10);
    EXPECT_EQ(up["objects"][0]["MapX"].get<double>(), 500);

    const Json again = run("0 joystick 0 0\n5 joybutton 10 down\n8 joybutton 10 up\n"
                           "10 joybutton 10 down\n");
    EXPECT_EQ((again.contains("globals") ? again["globals"] : again)["pauseFlag"], 0);
}

// A plain run (no --headless) on a machine without any display ends at once with the start-up
// error of a screen that cannot be opened, instead of running invisibly.
TEST(BiosimStartup, NoDisplayEndsWithTheScreenStartupError) {
    support::TempFolder w("biosim_nodisplay");
    support::writeWorldWithMap(w.path());
    const support::RunResult r = support::runCommand("env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER " +
                                                         support::shellQuote(BIOSIM_EXE) + " --frames 100000",
                                                     w.path(), 20);
    ASSERT_FALSE(r.timedOut) << "still running without a display";
    EXPECT_EQ(r.code, 0) << r.err;
    const std::size_t first = r.err.find("[KORVEX_CORE ERROR:] no screen");
    ASSERT_NE(first, std::string::npos) << r.err;
    EXPECT_NE(r.err.find("[KORVEX_CORE INFO]", first), std::string::npos) << r.err;
}
