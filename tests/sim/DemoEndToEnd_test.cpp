// The demo world end to end: the real biosim binary, headless, on a copy of demo/. The intro
// switches to the title after its switch time, a scripted Space starts the level, and the dump
// shows the level's objects.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <string>

#include "SimHarness.h"
#include "platform/TextIo.h"
#include "tests/support/Subprocess.h"

using namespace engine;

#ifdef BT_BIOSIM

namespace fs = std::filesystem;

namespace {

struct BiosimRun {
    int exitCode = -1;
    std::string dump;
};

// Runs biosim in `folder` with the given options; returns its exit code and the dump text.
BiosimRun runBiosim(const std::string& folder, const std::string& options) {
    BiosimRun r;
    const std::string dump = folder + "dump.json";
    fs::remove(dump);
    const support::RunResult run =
        support::runCommand(support::shellQuote(BT_BIOSIM) + " --headless --seed 3 --dump " +
                                support::shellQuote(dump) + " " + options,
                            folder, 120);
    EXPECT_FALSE(run.timedOut) << "biosim " << options << " ran past its time limit";
    r.exitCode = run.code;
    textio::readFile(dump, r.dump);
    return r;
}

// A global number of the dump, e.g. "actualMapId".
long globalOf(const std::string& dump, const std::string& name) {
    std::smatch m;
    if (!std::regex_search(dump, m, std::regex("\"" + name + "\"\\s*:\\s*(-?[0-9]+)"))) return -99999;
    return std::stol(m[1].str());
}

// How many objects of the dump have this kind name.
int kindCount(const std::string& dump, const std::string& kind) {
    const std::regex re("\"worldFTileIDString\"\\s*:\\s*\"" + kind + "\"");
    return static_cast<int>(
        std::distance(std::sregex_iterator(dump.begin(), dump.end(), re), std::sregex_iterator()));
}

class DemoRun : public ::testing::Test {
protected:
    void SetUp() override {
        fs::copy(std::string(BT_SOURCE_DIR) + "/demo", dir_.path, fs::copy_options::recursive);
        // A run of the demo must not depend on logs of an earlier run in the source tree.
        for (const char* f : {"CORE/warnings.log", "CORE/error.log", "CORE/startup.log"})
            fs::remove(dir_.path + f);
    }
    void script(const std::string& lines) { std::ofstream(dir_.path + "input.txt") << lines; }
    simtest::TempDir dir_;
};

} // namespace

TEST_F(DemoRun, IntroSwitchesToTitleAfterItsSwitchTime) {
    BiosimRun early = runBiosim(dir_.path, "--frames 200");
    ASSERT_EQ(early.exitCode, 0);
    EXPECT_EQ(globalOf(early.dump, "actualMapId"), 1001);
    BiosimRun later = runBiosim(dir_.path, "--frames 300");
    ASSERT_EQ(later.exitCode, 0);
    EXPECT_EQ(globalOf(later.dump, "actualMapId"), 1000);
    EXPECT_EQ(kindCount(later.dump, "TITLE"), 3); // "PRESS SPACE", the keys and the goal
}

TEST_F(DemoRun, SpaceOnTheTitleStartsTheLevel) {
    script("300 57 down\n320 57 up\n330 205 down\n360 205 up\n");
    BiosimRun r = runBiosim(dir_.path, "--frames 420 --input input.txt --screenshot level.png");
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(globalOf(r.dump, "actualMapId"), 0);
    EXPECT_EQ(kindCount(r.dump, "PLAYER"), 1);
    EXPECT_EQ(kindCount(r.dump, "NOGO"), 1); // the chaser: its touch sends the player to the title
    EXPECT_EQ(kindCount(r.dump, "FASS"), 1); // the exit to the second level
    EXPECT_EQ(kindCount(r.dump, "WALKER"), 6);
    EXPECT_EQ(kindCount(r.dump, "GREENFIREFLY"), 10);
    EXPECT_EQ(kindCount(r.dump, "BLUEFIRE"), 1);
    for (const char* k :
         {"WALKLEFT", "WALKRIGHT", "WALKUP", "WALKDOWN", "GEAR", "MIRROR", "SHOOTER", "BACKGROUND"})
        EXPECT_EQ(kindCount(r.dump, k), 1) << k;
    EXPECT_GT(globalOf(r.dump, "collisionCount"), 10);
    EXPECT_TRUE(fs::exists(dir_.path + "level.png"));
    EXPECT_GT(fs::file_size(dir_.path + "level.png"), 1000u);
}

// The level has a goal: walking up and then right from the start reaches the exit, and the second
// level follows. A player caught on the way would be on the title screen (1000) instead.
TEST_F(DemoRun, TheExitLeadsToTheSecondLevel) {
    script("300 57 down\n320 57 up\n330 200 down\n462 200 up\n462 205 down\n700 205 up\n");
    BiosimRun r = runBiosim(dir_.path, "--frames 720 --input input.txt");
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(globalOf(r.dump, "actualMapId"), 1);
    EXPECT_EQ(kindCount(r.dump, "FASS"), 1);                   // the way home
    EXPECT_EQ(kindCount(r.dump, "NOGO"), 5);                   // the chaser and four spikes
    EXPECT_FALSE(fs::exists(dir_.path + "CORE/warnings.log")); // its music and kinds are all there
}

// A play-test map (biosim --playtest-map, as tarn's F5 starts it): a player walking into spikes is
// sent to the title screen in a plain run, and starts the map under test again in a play-test.
TEST_F(DemoRun, APlayTestStaysOnTheMapUnderTestWhenThePlayerIsCaught) {
    fs::copy(dir_.path + "MAPS/1", dir_.path + "MAPS/77", fs::copy_options::recursive);
    std::string segment;
    ASSERT_TRUE(textio::readFile(dir_.path + "MAPS/77/0", segment));
    const std::string spike = "spikes\r\n5\r\n250\r\n160\r\n";
    const std::size_t at = segment.find(spike);
    ASSERT_NE(at, std::string::npos);
    segment.replace(at, spike.size(), "spikes\r\n5\r\n110\r\n680\r\n"); // right of the player's start
    std::ofstream(dir_.path + "MAPS/77/0", std::ios::binary) << segment;
    script("2 205 down\n");
    BiosimRun plain = runBiosim(dir_.path, "--map 77 --frames 120 --input input.txt");
    ASSERT_EQ(plain.exitCode, 0);
    ASSERT_EQ(globalOf(plain.dump, "actualMapId"), 1000) << "the player walks into the spikes";
    BiosimRun test =
        runBiosim(dir_.path, "--map 77 --playtest-map 77 --frames 120 --input input.txt --record test.json");
    ASSERT_EQ(test.exitCode, 0);
    EXPECT_EQ(globalOf(test.dump, "actualMapId"), 77);
    EXPECT_EQ(globalOf(test.dump, "nextMapId"), 77);
    EXPECT_GT(globalOf(test.dump, "mapStartTick"), 0) << "the map was started again after the catch";
    EXPECT_EQ(kindCount(test.dump, "PLAYER"), 1);
    // The record of a play-test replays as a play-test.
    BiosimRun replay = runBiosim(dir_.path, "--replay test.json");
    EXPECT_EQ(replay.exitCode, 0) << "the replay drifted";
    EXPECT_EQ(globalOf(replay.dump, "actualMapId"), 77);
}

#endif
