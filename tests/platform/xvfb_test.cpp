// End to end: the SDL backend in a real window on an X server (Xvfb). Skipped where xvfb-run is
// not installed.
#include "Helpers.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

namespace {
bool onPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::stringstream ss(path ? path : "");
    std::string dir;
    while (std::getline(ss, dir, ':'))
        if (!dir.empty() && ::access((dir + "/" + program).c_str(), X_OK) == 0) return true;
    return false;
}
} // namespace

TEST(XvfbWindow, SpriteWithAlpha128ReachesTheWindow) {
    if (!onPath("xvfb-run") || !onPath("xauth")) GTEST_SKIP() << "xvfb-run or xauth is not installed";
    bt_test::TempDir dir;
    const std::string out = dir.file("probe.txt");
    // The probe must not inherit a headless driver choice from the environment.
    const std::string cmd =
        "env -u SDL_VIDEODRIVER -u SDL_RENDER_DRIVER timeout 60 xvfb-run -a -s '-screen 0 "
        "640x480x24' '" BT_XVFB_PROBE "' '" +
        out + "' '" + dir.path() + "' 2>'" + dir.file("stderr.txt") + "'";
    const int rc = std::system(cmd.c_str());
    ASSERT_EQ(rc, 0) << bt_test::readText(dir.file("stderr.txt"));
    std::ifstream in(out);
    std::string word, driver;
    int wr = -1, wg = -1, wb = -1, fr = -1, fg = -1, fb = -1;
    in >> word >> driver;
    EXPECT_EQ(word, "driver");
    EXPECT_EQ(driver, "x11");
    in >> word >> wr >> wg >> wb;
    EXPECT_EQ(word, "window");
    in >> word >> fr >> fg >> fb;
    EXPECT_EQ(word, "frame");
    // White at alpha 128 over black: 128 in every channel (a renderer may round by one or two).
    for (int v : {wr, wg, wb, fr, fg, fb}) EXPECT_NEAR(v, 128, 2);
}
