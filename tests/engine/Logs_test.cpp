// Start-up report, warnings log, error report and the fatal error handler after a real fault.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <regex>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include "EngineTestKit.h"
#include "engine/Configuration.h"
#include "engine/FatalErrors.h"
#include "engine/Logs.h"
#include "engine/TileKinds.h"
#include "tests/support/FileFaults.h"

using namespace engine;

using kit::crlfLines;
using kit::Harness;
using kit::TempDir;

namespace {

std::vector<std::string> localBlock(const std::string& base) {
    return {"KORVEX SETTINGS FOR ACTUAL SESSION:",
            "SOUNDS LOCATED: SOUNDS/",
            "SOUND CODEC: .ogg",
            "2DGFX LOCATED: _DATA/2DGFX/",
            "GFX CODEC: .bmp",
            "ANIMS LOCATED: ANIMS/",
            "MAPS LOCATED: MAPS/",
            "ENGINE BASE: " + base};
}

} // namespace

TEST(StartupReport, LocalServer) {
    TempDir dir;
    kit::writeWorld(dir, {{"PATH", "CORE/report.txt"}, {"ANIMSYSTEM", "ANIMS/"}});
    Harness h;
    ASSERT_TRUE(h.start(dir.path()));
    const std::string base = dir.path() + "CORE/";
    std::vector<std::string> want = {"ENGINE LOCAL BASE: " + base, "CONNECTION TO LOCAL", " "};
    for (const auto& l : localBlock(base)) want.push_back(l);
    EXPECT_EQ(crlfLines(dir.read("CORE/report.txt")), want);
    EXPECT_EQ(h.e->serverReachable, 0);
}

TEST(StartupReport, ReplacesAnOlderLongerReportEntirely) {
    TempDir dir;
    kit::writeWorld(dir, {{"PATH", "CORE/report.txt"}, {"ANIMSYSTEM", "ANIMS/"}});
    std::string old;
    for (int i = 0; i < 40; ++i) old += "STALE LINE OF AN EARLIER RUN " + std::to_string(i) + "\r\n";
    dir.write("CORE/report.txt", old);
    Harness h;
    ASSERT_TRUE(h.start(dir.path()));
    const std::string now = dir.read("CORE/report.txt");
    EXPECT_EQ(now.find("STALE"), std::string::npos);
    EXPECT_EQ(crlfLines(now).size(), 11u);
}

TEST(StartupReport, UnreachableServerReportsTheFailureAndLocalFolders) {
    TempDir dir;
    kit::writeWorld(dir, {{"PATH", "CORE/report.txt"},
                          {"ANIMSYSTEM", "ANIMS/"},
                          {"SERVER", "file://" + dir.path() + "nowhere/"},
                          {"SERVERNODE", "node/"},
                          {"HELLO", "hello.txt"},
                          {"TEMP", "TEMP/"}});
    dir.mkdir("TEMP");
    Harness h;
    ASSERT_TRUE(h.start(dir.path()));
    EXPECT_EQ(h.e->serverReachable, 0);
    const auto lines = crlfLines(dir.read("CORE/report.txt"));
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[1], "CONNECTION TO file://" + dir.path() + "nowhere/ FAILED");
    EXPECT_EQ(lines[2], " ");
    EXPECT_EQ(lines[4], "SOUNDS LOCATED: SOUNDS/");
    ASSERT_EQ(h.tp.network().requests().size(), 1u);
    EXPECT_EQ(h.tp.network().requests()[0].url, "file://" + dir.path() + "nowhere/node/hello.txt");
}

TEST(StartupReport, ReachableServerReportsTheServerLocations) {
    TempDir dir;
    const std::string server = "file://" + dir.path() + "server/";
    dir.write("server/node/hello.txt", "hi");
    kit::writeWorld(dir, {{"PATH", "CORE/report.txt"},
                          {"ANIMSYSTEM", "ANIMS/"},
                          {"SERVER", server},
                          {"SERVERNODE", "node/"},
                          {"HELLO", "hello.txt"},
                          {"TEMP", "TEMP/"}});
    dir.mkdir("TEMP");
    Harness h;
    ASSERT_TRUE(h.start(dir.path()));
    EXPECT_EQ(h.e->serverReachable, 1);
    EXPECT_TRUE(dir.exists("TEMP/hello.txt"));
    const auto lines = crlfLines(dir.read("CORE/report.txt"));
    const std::string node = server + "node/";
    const std::vector<std::string> want = {
        "ENGINE LOCAL BASE: " + dir.path() + "CORE/", "ENGINE SERVER BASE: " + node,
        "SERVER HELLO: " + node + "hello.txt",        "KORVEX SETTINGS FOR ACTUAL SESSION:",
        "SOUNDS LOCATED: " + node + "SOUNDS/",        "SOUND CODEC: .ogg",
        "2DGFX LOCATED: " + node + "_DATA/2DGFX/",    "GFX CODEC: .bmp",
        "ANIMS LOCATED: " + node + "ANIMS/",          "MAPS LOCATED: " + node + "MAPS/",
        "ENGINE BASE: " + dir.path() + "CORE/"};
    EXPECT_EQ(lines, want);
}

TEST(StartupReport, EmptyPathWritesNothing) {
    TempDir dir;
    kit::writeWorld(dir);
    Harness h;
    ASSERT_TRUE(h.start(dir.path()));
    // Only the files the test wrote are in CORE.
    int files = 0;
    for (const auto& ent : std::filesystem::directory_iterator(dir.path() + "CORE")) {
        (void)ent;
        ++files;
    }
    EXPECT_EQ(files, 3);
}

TEST(Warnings, TwoWarningsGiveTwoNineLineBlocks) {
    TempDir dir;
    kit::writeWorld(dir, {{"WARNINGS", "CORE/warn.txt"}});
    Harness h;
    ASSERT_TRUE(h.start(dir.path()));
    warn(*h.e, "COULD NOT FIND SOUND:SOUNDS/#L7.ogg");
    warn(*h.e, "second");
    const auto lines = crlfLines(dir.read("CORE/warn.txt"));
    ASSERT_EQ(lines.size(), 18u);
    const std::regex date(R"(KORVEX WARNING:DATE:\d{4},\d\d,\d\d  TIME:\d\d:\d\d:\d\d)");
    for (int b = 0; b < 2; ++b) {
        const auto* l = &lines[static_cast<std::size_t>(b * 9)];
        EXPECT_EQ(l[0], "Warning:");
        EXPECT_EQ(l[1], "Following Situation Caused This Warning:");
        EXPECT_EQ(l[2], "");
        EXPECT_TRUE(std::regex_match(l[3], date)) << l[3];
        EXPECT_EQ(l[4], b == 0 ? "COULD NOT FIND SOUND:SOUNDS/#L7.ogg" : "second");
        EXPECT_EQ(l[5], "Program/Engine Is Continued");
        EXPECT_EQ(l[6], "To Awoid Warnings Add Needed File(s) Or Use Correct Path/Data");
        EXPECT_EQ(l[7],
                  "This Situation Is NOT Critical, Engine / Application Will Work Fine, But Without The "
                  "Missing Data");
        EXPECT_EQ(l[8], "");
    }
}

TEST(Warnings, DefaultWarningsNameWritesNoFileAndTheRunGoesOn) {
    TempDir dir;
    kit::writeWorld(dir);
    Harness h;
    ASSERT_TRUE(h.start(dir.path()));
    warn(*h.e, "nothing to see");
    EXPECT_FALSE(dir.exists("CORE/CORE"));
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() + "CORE"));
    EXPECT_TRUE(h.pass());
}

TEST(ErrorReport, LinesInOrderWithoutContentErrorForAKnownTile) {
    TempDir dir;
    kit::writeWorld(dir);
    Harness h;
    ASSERT_TRUE(h.start(dir.path()));
    Biosim& e = *h.e;
    e.kinds.tileNames = {"grass", "wall", ""};
    e.kinds.tileCount = 1;
    e.kinds.lastTileId = 1;
    e.lastObjectName = "wall";
    e.actualMapId = 3;
    e.nextMapId = 4;
    e.level.objectCount = 2;
    e.mapTileCount = 9;
    e.mapSegment = 1;
    e.mapLineCounter = 14;
    e.objectTable[2].ObjectFile = "wall";
    e.objectTable[2].Sprite = 17;
    e.objectTable[2].animContainer = "NOPE";
    e.objectTable[2].worldFTileSoundFile = "boom";
    e.objectTable[2].SoundHandle = 5;
    plat::ErrorInfo info{"ACCESS VIOLATION", "Collision", 120, SIGSEGV};
    const auto lines = crlfLines(errorReportText(e, info, "2011,05,17  TIME:14:03:09"));
    const std::vector<std::string> want = {
        std::string(98, '-'),
        "KORVEX ERROR HANDLER: ERROR DATE:2011,05,17  TIME:14:03:09",
        "ACCESS VIOLATION",
        "Module:Collision AT LINE:120",
        "FATAL ERROR,CAN NOT CONTINUE KORVEX_CORE, PLEASE CONTACT DEVELOPER",
        "HOST-SYSTEMINFO: ",
        "DESKTOPWIDTH: 1024",
        "DESKTOPHEIGHT: 768",
        "DESKTOPDEPTH: 32",
        "ACTUAL MAP ID# 3",
        "NEXT MAP ID#4",
        "I/O STOPPED AT ID: 2",
        "OBJECTS IN MAP: 9",
        "LAST OBJECT LOAD: wall",
        "OBJECT SPRITE3D ID  17",
        std::string(66, '*'),
        "LAST MAP SEGMENT: MAPS/3/1",
        "TRYED TO LOAD:wall",
        "AT MAP SEGMENT LINE: 14",
        std::string(66, '*'),
        "OBJECT USE ANIMCONTAINER: NOPE",
        "OBJECT USE SOUNDFILE: boom",
        "OBJECT SOUND ID: 5",
        "I/O PREFETCH 0",
        "USE LOAD SCREEN(ANIM) 0",
        "PLEASE SEND THIS INFO: the biosim maintainers (see README.md) OR POST INFO ON DEVELOPERs BOARD",
        ""};
    EXPECT_EQ(lines, want);
}

TEST(ErrorReport, UnknownTileNameAddsTheContentErrorLines) {
    TempDir dir;
    kit::writeWorld(dir);
    Harness h;
    ASSERT_TRUE(h.start(dir.path()));
    Biosim& e = *h.e;
    e.kinds.tileNames = {"grass", "wall", "lava"};
    e.kinds.tileCount = 2;
    e.kinds.lastTileId = 1; // "lava" is beyond the last tile that loaded
    e.lastObjectName = "lava";
    const auto lines = crlfLines(errorReportText(e, plat::ErrorInfo{"x", "MapLoader", 1, 0}, "d"));
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "THIS ERROR IS MAP/SEGMENT CONTENT ERROR  PLEASE CHECK CONTENT(FILES):");
    EXPECT_EQ(lines[1], "CHECK ******* SECTION FOR DETAILS, THANK YOU");
    EXPECT_EQ(lines[2], std::string(98, '-'));
    EXPECT_EQ(lines[21], "lava IS NOT PART OF THE GFXSYSTEM");
    EXPECT_EQ(lines[22], std::string(66, '*'));
}

namespace {

// Runs a real fault in a child process whose engine has the fatal error handler registered; returns
// the child's exit status (or -1 when it did not exit normally).
int faultInChild(const TempDir& dir, const std::string& lastObjectName) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        Harness h;
        if (!h.start(dir.path())) std::_Exit(90);
        h.e->exitProcess = [](int code) { std::_Exit(code); };
        h.e->kinds.tileNames = {"grass", ""};
        h.e->kinds.tileCount = 0;
        h.e->kinds.lastTileId = 0;
        h.e->lastObjectName = lastObjectName;
        if (!h.pass()) std::_Exit(92); // the pass registers the handler
        // A page without access: a real access violation that no sanitizer reports first.
        void* page = ::mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        *static_cast<volatile int*>(page) = 1;
        std::_Exit(91);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

TEST(FatalErrorHandler, RealFaultWritesTheReportAndExitsWithZero) {
    TempDir dir;
    kit::writeWorld(dir, {{"ERRORPATH", "CORE/err.txt"}});
    EXPECT_EQ(faultInChild(dir, "grass"), 0);
    const auto lines = crlfLines(dir.read("CORE/err.txt"));
    ASSERT_GE(lines.size(), 27u);
    EXPECT_EQ(lines[0], std::string(98, '-')); // a known tile: no content-error lines
    EXPECT_FALSE(lines[2].empty());            // the trap's message
    EXPECT_EQ(lines[3].rfind("Module:", 0), 0u);
    EXPECT_EQ(lines[17], "TRYED TO LOAD:grass");

    // A second fault appends a second report, this time with the content-error lines.
    EXPECT_EQ(faultInChild(dir, "ghost"), 0);
    const auto both = crlfLines(dir.read("CORE/err.txt"));
    ASSERT_GT(both.size(), lines.size());
    EXPECT_EQ(both[lines.size() - 1], "");
    const std::size_t second = lines.size();
    EXPECT_EQ(both[second], "THIS ERROR IS MAP/SEGMENT CONTENT ERROR  PLEASE CHECK CONTENT(FILES):");
    EXPECT_NE(std::find(both.begin(), both.end(), "ghost IS NOT PART OF THE GFXSYSTEM"), both.end());
}

TEST(FatalErrorHandler, AppendsClosesTheScreenShowsItsBoxAndEndsWithZero) {
    TempDir dir;
    kit::writeWorld(dir, {{"ERRORPATH", "CORE/err.txt"}});
    dir.write("CORE/err.txt", "EARLIER REPORT\r\n");
    Harness h;
    ASSERT_TRUE(h.start(dir.path()));
    ASSERT_TRUE(h.gfx().screenOpen());
    int code = -1;
    try {
        fatalErrorHandler(*h.e, plat::ErrorInfo{"DIVISION BY ZERO", "Following", 33, SIGFPE});
    } catch (const kit::ProcessEnded& p) {
        code = p.code;
    }
    EXPECT_EQ(code, 0);
    EXPECT_EQ(h.shutdowns, 1);
    EXPECT_FALSE(h.gfx().screenOpen());
    const auto lines = crlfLines(dir.read("CORE/err.txt"));
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines[0], "EARLIER REPORT");
    EXPECT_EQ(lines[3], "DIVISION BY ZERO");
    EXPECT_EQ(lines[4], "Module:Following AT LINE:33");
    ASSERT_EQ(h.tp.dialogs().boxes().size(), 1u);
    EXPECT_EQ(h.tp.dialogs().boxes()[0].title, "KORVEX ERRORHANDLER");
    EXPECT_EQ(h.tp.dialogs().boxes()[0].text, "Something went wrong, check CORE/err.txt for details please");
}

TEST(FatalErrorHandler, DefaultErrorPathWritesNoFileButStillEnds) {
    TempDir dir;
    kit::writeWorld(dir);
    Harness h;
    ASSERT_TRUE(h.start(dir.path()));
    EXPECT_THROW(fatalErrorHandler(*h.e, plat::ErrorInfo{"x", "y", 1, 0}), kit::ProcessEnded);
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() + "CORE"));
    EXPECT_EQ(h.tp.dialogs().boxes().at(0).text,
              "Something went wrong, check " + dir.path() + "CORE/ for details please");
}

// A fault inside the world frame is reported at the frame step that was running, with its line,
// instead of an empty module at line 0.
TEST(FatalErrorHandler, ReportSaysWhichStepWasRunning) {
    TempDir dir;
    kit::writeWorld(dir, {{"ERRORPATH", "CORE/err.txt"}});
    const pid_t pid = ::fork();
    if (pid == 0) {
        Harness h;
        if (!h.start(dir.path())) std::_Exit(90);
        h.e->exitProcess = [](int code) { std::_Exit(code); };
        h.e->worldFrame = [](Biosim&) {
            void* page = ::mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            *static_cast<volatile int*>(page) = 1;
        };
        h.pass();
        std::_Exit(91);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    const auto lines = crlfLines(dir.read("CORE/err.txt"));
    ASSERT_GE(lines.size(), 4u);
    std::smatch m;
    ASSERT_TRUE(std::regex_match(lines[3], m, std::regex("Module:Engine AT LINE:([0-9]+)"))) << lines[3];
    EXPECT_GT(std::stoi(m[1]), 0);
}

// A log block lands whole or not at all, also when the disk fills up half way (a file size limit
// holds for root too); a folder or a missing folder in the log's place is a failure.
TEST(LogFaults, BlockThatDoesNotFitLeavesTheLogAsItWas) {
    TempDir dir;
    const std::string log = dir.path() + "warnings.txt";
    ASSERT_TRUE(appendLines(log, "first\r\n"));
    {
        support::FileSizeLimit limit(64);
        EXPECT_FALSE(appendLines(log, std::string(200, 'x') + "\r\n"));
        EXPECT_TRUE(appendLines(log, "second\r\n")) << "a block that fits still lands";
    }
    EXPECT_EQ(dir.read("warnings.txt"), "first\r\nsecond\r\n");
    dir.mkdir("folder");
    EXPECT_FALSE(appendLines(dir.path() + "folder", "x\r\n"));
    EXPECT_FALSE(appendLines(dir.path() + "warnings.txt/x", "x\r\n"));
    EXPECT_FALSE(appendLines("", "x\r\n"));
}
