// The real biosim binary run headless on worlds made here: start-up failures, the start-up report,
// the dump, scripted input, screenshots, reproducible runs and the program options.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/Subprocess.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WorldFiles.h"

namespace fs = std::filesystem;

namespace {

// A world folder for one run, removed afterwards.
class World : public support::TempFolder {
public:
    World() : support::TempFolder("biosim_e2e") {}
    const std::string& dir() const { return path(); }
    // A runnable world: configuration, codec and system texts, one map (0) listing two tile kinds
    // whose images and DNA sit in the shared graphics folder.
    void standard() const { support::writeWorldWithMap(path()); }
};

using RunResult = support::RunResult;

// Runs biosim in the world's folder with `args` (at most 60 seconds); output and errors captured.
RunResult biosim(const World& w, const std::string& args) {
    const RunResult r = support::runCommand(support::shellQuote(BIOSIM_EXE) + " " + args, w.dir(), 60);
    EXPECT_FALSE(r.timedOut) << "biosim " << args << " ran past its time limit";
    return r;
}

bool contains(const std::string& hay, const std::string& needle) {
    return hay.find(needle) != std::string::npos;
}

} // namespace

TEST(BiosimE2E, MissingConfigurationShowsBothBoxesAndExitsWithZero) {
    World w;
    w.standard();
    fs::remove(w.dir() + "CORE/ini.crc");
    const RunResult r = biosim(w, "--headless --frames 3");
    EXPECT_EQ(r.code, 0);
    const std::size_t first = r.err.find("KORVEX_CORE ERROR:");
    const std::size_t second = r.err.find("KORVEX_CORE INFO");
    ASSERT_NE(first, std::string::npos) << r.err;
    ASSERT_NE(second, std::string::npos) << r.err;
    EXPECT_LT(first, second);
    EXPECT_TRUE(contains(r.err, "Sorry,Dear User: KORVEX has to quit, because of the error"));
    EXPECT_FALSE(contains(r.err, "init failed")); // the texts were not read yet
    EXPECT_FALSE(w.exists("CORE/startup.txt"));
}

TEST(BiosimE2E, MissingSystemTextsShowTheBoxesAfterTheReport) {
    World w;
    w.standard();
    fs::remove(w.dir() + "CORE/systext.txt");
    const RunResult r = biosim(w, "--headless --frames 3");
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(contains(r.err, "KORVEX_CORE ERROR:"));
    EXPECT_TRUE(w.exists("CORE/startup.txt")); // written while reading the configuration
}

TEST(BiosimE2E, HeadlessRunWritesReportDumpAndScreenshot) {
    World w;
    w.standard();
    const RunResult r = biosim(w, "--headless --frames 3 --dump out.json --screenshot shot.png --seed 7");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(w.read("CORE/startup.txt").rfind("ENGINE LOCAL BASE: " + w.dir() + "CORE/\r\n", 0), 0u);
    const std::string dump = w.read("out.json");
    EXPECT_TRUE(contains(dump, "\"framesRun\":3"));
    EXPECT_TRUE(contains(dump, "\"screenOpened\":1"));
    EXPECT_TRUE(contains(dump, "\"desktopWidth\":1024"));
    EXPECT_TRUE(contains(dump, "\"MAXOBJECTS\":100"));
    EXPECT_TRUE(contains(dump, "\"collisionList\""));
    // Map 0 is loaded: its tile kinds in byte order, its two objects, the wall on the collision list.
    EXPECT_TRUE(contains(dump, "\"actualMapId\":0"));
    EXPECT_TRUE(contains(dump, "{\"id\":0,\"name\":\"grass\""));
    EXPECT_TRUE(contains(dump, "{\"id\":1,\"name\":\"wall\""));
    EXPECT_TRUE(contains(dump, "\"ObjectFile\":\"wall\""));
    EXPECT_TRUE(contains(dump, "\"collisionList\":[1]"));
    const std::string png = w.read("shot.png");
    ASSERT_GE(png.size(), 8u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
}

TEST(BiosimE2E, SameSeedAndInputGiveTheSameRun) {
    World w;
    w.standard();
    w.write("keys.txt", "2 56 down\n2 29 down\n2 32 down\n3 32 up\n4 56 up\n4 29 up\n");
    const RunResult a =
        biosim(w, "--headless --frames 12 --seed 99 --tick-ms 20 --input keys.txt --dump a.json");
    const RunResult b =
        biosim(w, "--headless --frames 12 --seed 99 --tick-ms 20 --input keys.txt --dump b.json");
    ASSERT_EQ(a.code, 0) << a.err;
    ASSERT_EQ(b.code, 0) << b.err;
    const std::string da = w.read("a.json");
    EXPECT_FALSE(da.empty());
    EXPECT_EQ(da, w.read("b.json"));
    EXPECT_TRUE(contains(da, "\"debugMode\":1")); // Alt+Ctrl+D from the script
}

TEST(BiosimE2E, ScriptedEscapeWithLeftAltEndsTheRun) {
    World w;
    w.standard();
    w.write("quit.txt", "# hold Escape and left Alt on pass 4\n4 1 down\n4 56 down\n");
    const RunResult r = biosim(w, "--headless --frames 100 --input quit.txt --dump d.json");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(contains(w.read("d.json"), "\"framesRun\":4"));
}

TEST(BiosimE2E, OptionsHelpVersionAndErrors) {
    World w;
    const RunResult help = biosim(w, "--help");
    EXPECT_EQ(help.code, 0);
    for (const char* opt : {"--headless", "--windowed", "--no-vsync", "--frames", "--screenshot", "--dump",
                            "--input", "--seed", "--tick-ms", "--version"})
        EXPECT_TRUE(contains(help.out, opt)) << opt;
    const RunResult version = biosim(w, "--version");
    EXPECT_EQ(version.code, 0);
    EXPECT_TRUE(contains(version.out, "biosim"));
    EXPECT_EQ(biosim(w, "--frobnicate").code, 2);
    EXPECT_EQ(biosim(w, "-h").code, 2) << "only the options --help lists are accepted";
    EXPECT_EQ(biosim(w, "--frames").code, 2);
    EXPECT_EQ(biosim(w, "--frames -4").code, 2);
    w.write("bad.txt", "1 dance\n");
    const RunResult bad = biosim(w, "--headless --input bad.txt");
    EXPECT_EQ(bad.code, 2);
    EXPECT_TRUE(contains(bad.err, "line 1"));
    EXPECT_EQ(biosim(w, "--headless --input missing.txt").code, 2);
}

TEST(BiosimE2E, UnwritableDumpAndRecordAreReportedWithExitCodeThree) {
    World w;
    w.standard();
    const RunResult r = biosim(w, "--headless --frames 1 --dump no/such/folder/d.json");
    EXPECT_EQ(r.code, 3);
    EXPECT_TRUE(contains(r.err, "cannot write the dump"));
    const RunResult rec = biosim(w, "--headless --frames 1 --record no/such/folder/r.json");
    EXPECT_EQ(rec.code, 3);
    EXPECT_TRUE(contains(rec.err, "cannot write the record no/such/folder/r.json")) << rec.err;
}

// The plain program (full screen, real clock) on an X server: Escape with left Alt closes it.
TEST(BiosimE2E, FullScreenUnderXvfbClosesOnEscapeWithLeftAlt) {
    if (const std::string missing = support::xvfbMissing(); !missing.empty()) GTEST_SKIP() << missing;
    World w;
    w.standard();
    w.write("quit.txt", "5 1 down\n5 56 down\n");
    const RunResult r =
        support::runCommand("xvfb-run -a -s '-screen 0 800x600x24' " + support::shellQuote(BIOSIM_EXE) +
                                " --input quit.txt --dump d.json",
                            w.dir(), 60);
    ASSERT_FALSE(r.timedOut);
    ASSERT_EQ(r.code, 0) << r.out << r.err;
    const std::string dump = w.read("d.json");
    EXPECT_TRUE(contains(dump, "\"framesRun\":5"));
    EXPECT_TRUE(contains(dump, "\"desktopWidth\":800")) << dump.substr(0, 300);
    EXPECT_TRUE(contains(dump, "\"scrH\":600"));
}
