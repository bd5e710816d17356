// End to end: the SDL backend in a real window on an X server (Xvfb). Skipped where xvfb-run
// or xauth is not installed.
#include "Helpers.h"
#include "tests/support/Subprocess.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

namespace {

struct ProbeResult {
    std::string driver;
    int window[3] = {-1, -1, -1};
    int frame[3] = {-1, -1, -1};
    int desktop[3] = {0, 0, 0};
    int output[2] = {0, 0};
};

// Runs the probe under xvfb-run on a 640 x 480 screen.
bool runProbe(const std::string& mode, ProbeResult& r, std::string& errors) {
    bt_test::TempDir dir;
    const std::string out = dir.file("probe.txt");
    // The probe must not inherit a headless driver choice from the environment.
    const std::string cmd =
        "env -u SDL_VIDEODRIVER -u SDL_RENDER_DRIVER xvfb-run -a -s '-screen 0 640x480x24' " +
        support::shellQuote(BT_XVFB_PROBE) + " " + support::shellQuote(out) + " " +
        support::shellQuote(dir.path()) + " " + mode;
    // Two xvfb-run -a started at the same moment (tests run in parallel) can pick the same display
    // number; the loser fails to start its server. Try again then.
    int rc = -1;
    for (int attempt = 0; attempt < 3 && rc != 0; ++attempt) {
        const support::RunResult r = support::runCommand(cmd, "", 60);
        rc = r.code;
        errors = r.err + (r.timedOut ? "\n(time limit)" : "");
        if (r.timedOut || (rc != 0 && std::filesystem::exists(out))) break; // the probe itself failed
    }
    if (rc != 0) return false;
    std::ifstream in(out);
    std::string word;
    in >> word >> r.driver;
    in >> word >> r.window[0] >> r.window[1] >> r.window[2];
    in >> word >> r.frame[0] >> r.frame[1] >> r.frame[2];
    in >> word >> r.desktop[0] >> r.desktop[1] >> r.desktop[2];
    in >> word >> r.output[0] >> r.output[1];
    return static_cast<bool>(in);
}

} // namespace

TEST(XvfbWindow, SpriteWithAlpha128ReachesTheWindow) {
    if (const std::string missing = support::xvfbMissing(); !missing.empty()) GTEST_SKIP() << missing;
    ProbeResult r;
    std::string errors;
    ASSERT_TRUE(runProbe("windowed", r, errors)) << errors;
    EXPECT_EQ(r.driver, "x11");
    // White at alpha 128 over black: 128 in every channel (a renderer may round by one or two).
    for (int v : r.window) EXPECT_NEAR(v, 128, 2);
    for (int v : r.frame) EXPECT_NEAR(v, 128, 2);
    EXPECT_EQ(r.desktop[0], 640);
    EXPECT_EQ(r.desktop[1], 480);
    EXPECT_EQ(r.output[0], 160) << "a window of the screen's size";
    EXPECT_EQ(r.output[1], 120);
}

TEST(XvfbWindow, FullScreenCoversTheDesktop) {
    if (const std::string missing = support::xvfbMissing(); !missing.empty()) GTEST_SKIP() << missing;
    ProbeResult r;
    std::string errors;
    ASSERT_TRUE(runProbe("fullscreen", r, errors)) << errors;
    EXPECT_EQ(r.output[0], 640) << "desktop-sized, the frame stretched over it";
    EXPECT_EQ(r.output[1], 480);
    for (int v : r.window) EXPECT_NEAR(v, 128, 2);
}
