// The makers' tools end to end, with the real programs on copies of the demo world: record and
// replay (headless, and recorded in a window under Xvfb), the content check, the first-map option,
// live reload, and Tiled maps out and in (read and written by the real Tiled).
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/support/Subprocess.h"
#include "tests/support/TempFolder.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

std::string readFile(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}
void writeFile(const fs::path& p, const std::string& text) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << text;
}
std::string quote(const std::string& s) {
    return support::shellQuote(s);
}
using support::onPath;
using support::RunResult;

// A copy of the demo world in a fresh folder, removed however the test ends.
class World {
public:
    World() { fs::copy(DEMO_FOLDER, dir(), fs::copy_options::recursive); }
    fs::path dir() const { return root() / "world"; }
    fs::path file(const std::string& name) const { return root() / name; }

    // Runs a shell command in the world folder (at most 120 seconds).
    RunResult run(const std::string& command) const {
        return support::runCommand(command, dir().string(), 120);
    }
    RunResult biosim(const std::string& args) const { return run(quote(BIOSIM_EXE) + " " + args); }
    RunResult tarn(const std::string& args) const { return run(quote(TARN_EXE) + " " + args); }

    // Every file of the world with its content and modification time.
    std::map<std::string, std::string> snapshot() const {
        std::map<std::string, std::string> out;
        for (const auto& e : fs::recursive_directory_iterator(dir()))
            if (e.is_regular_file())
                out[e.path().string()] =
                    readFile(e.path()) + std::to_string(e.last_write_time().time_since_epoch().count());
        return out;
    }

private:
    fs::path root() const { return fs::path(folder_.path()); }
    support::TempFolder folder_{"makers_e2e"};
};

// The records of a map folder's segments (position, size, layer and name; not the kind number).
std::string records(const fs::path& mapFolder) {
    std::string out;
    for (int s = 0; fs::exists(mapFolder / std::to_string(s)); ++s) {
        std::istringstream in(readFile(mapFolder / std::to_string(s)));
        std::string line;
        int n = 0;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (n++ % 8 != 4) out += line + "|"; // the 5th line of each record is its kind number
        }
        out += "\n";
    }
    return out;
}

// The hash version 1 records carry: FNV-1a over every file of the world folder in path order, each
// as its relative path, a zero byte, its content and the bytes 0 and 1 (hidden files and the
// engine's logs left out; a fresh copy of the demo has neither).
std::string wholeFolderHash(const fs::path& world) {
    std::map<std::string, fs::path> files;
    for (auto it = fs::recursive_directory_iterator(world); it != fs::recursive_directory_iterator(); ++it)
        if (it->is_regular_file()) files[fs::relative(it->path(), world).generic_string()] = it->path();
    std::uint64_t h = 1469598103934665603ULL;
    auto mix = [&h](const std::string& s) {
        for (const char c : s) {
            h ^= static_cast<unsigned char>(c);
            h *= 1099511628211ULL;
        }
    };
    for (const auto& [rel, p] : files) {
        mix(rel + std::string(1, '\0'));
        mix(readFile(p));
        mix(std::string("\0\1", 2));
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(h));
    return hex;
}

} // namespace

// The record and replay example of docs/making-worlds.md, run as it stands in a copy of the demo
// (the program at ../build/apps/biosim, the input at ../tools/): the record, dump and screenshot in
// the world folder do not change the world, nor do other files left there. A changed tile picture
// is reported by name. A record of version 1 (one hash of the whole folder) still replays.
TEST(MakersE2E, TheDocumentedRecordAndReplayWorkInsideTheWorldFolder) {
    World w;
    const std::string doc = readFile(DOCS_FOLDER "making-worlds.md");
    const std::size_t begin = doc.find("<!-- record-example:begin -->");
    const std::size_t end = doc.find("<!-- record-example:end -->");
    ASSERT_LT(begin, end);
    std::vector<std::string> commands;
    std::istringstream example(doc.substr(begin, end - begin));
    for (std::string line; std::getline(example, line);)
        if (line.rfind("../build/apps/biosim ", 0) == 0) commands.push_back(line);
    ASSERT_EQ(commands.size(), 2u);
    fs::create_directories(w.file("build/apps"));
    fs::create_symlink(BIOSIM_EXE, w.file("build/apps/biosim"));
    fs::create_directories(w.file("tools"));
    fs::copy_file(DEMO_INPUT, w.file("tools/demo-input.txt"));
    const std::string oldHash = wholeFolderHash(w.dir());

    for (const std::string& command : commands) {
        const RunResult r = w.run(command);
        ASSERT_EQ(r.code, 0) << command << "\n" << r.err;
    }
    EXPECT_EQ(readFile(w.dir() / "s1.json"), readFile(w.dir() / "s2.json"));
    EXPECT_EQ(readFile(w.dir() / "s1.png"), readFile(w.dir() / "s2.png"));
    // Files that are no part of the world: a note, an editor's backup, another record.
    writeFile(w.dir() / "notes.txt", "to do");
    writeFile(w.dir() / "MAPS/0/0.bak", readFile(w.dir() / "MAPS/0/0"));
    fs::copy_file(w.dir() / "s.rec", w.dir() / "MAPS/0/other.rec");
    RunResult r = w.run(commands[1]);
    EXPECT_EQ(r.code, 0) << r.err;

    // The same run as a version 1 record, replayed from outside the world folder.
    json old = json::parse(readFile(w.dir() / "s.rec"));
    old["biosimRecord"] = 1;
    old["contentHash"] = oldHash;
    old.erase("contentFiles");
    writeFile(w.file("old.rec"), old.dump());
    fs::rename(w.dir() / "s.rec", w.file("s.rec"));
    for (const char* f :
         {"s1.json", "s1.png", "s2.json", "s2.png", "notes.txt", "MAPS/0/0.bak", "MAPS/0/other.rec"})
        fs::remove(w.dir() / f);
    r = w.biosim("--replay ../old.rec");
    EXPECT_EQ(r.code, 0) << r.err;

    std::ofstream(w.dir() / "_DATA/2DGFX/wall.png", std::ios::app) << '\0';
    r = w.biosim("--replay ../s.rec");
    EXPECT_EQ(r.code, 4);
    EXPECT_NE(r.err.find("the world has changed since it was recorded: first difference _DATA/2DGFX/wall.png "
                         "(changed)"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(w.biosim("--replay ../old.rec").code, 4);
}

// A record that is no regular file (a FIFO, a device) is refused at once, to read and to write;
// so is a record that asks for a desktop or clock beyond what a replay can take.
TEST(MakersE2E, RecordsThatWouldHangOrOverreachAreRefused) {
    World w;
    ASSERT_EQ(::mkfifo(w.file("fifo").c_str(), 0600), 0);
    const std::string biosim = quote(BIOSIM_EXE) + " ";
    for (const std::string args :
         {"--replay ../fifo", "--headless --frames 1 --record ../fifo", "--replay /dev/zero"}) {
        SCOPED_TRACE(args);
        const RunResult r = support::runCommand(biosim + args, w.dir().string(), 20);
        EXPECT_EQ(r.code, 2) << r.err;
        EXPECT_FALSE(r.timedOut);
        EXPECT_NE(r.err.find("biosim: "), std::string::npos);
    }
    RunResult r = w.biosim("--headless --frames 3 --record ../r.rec");
    ASSERT_EQ(r.code, 0) << r.err;
    json rec = json::parse(readFile(w.file("r.rec")));
    rec["desktop"]["width"] = 16384;
    rec["desktop"]["height"] = 16384;
    writeFile(w.file("big.rec"), rec.dump());
    r = w.biosim("--replay ../big.rec");
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("desktop 16384 x 16384"), std::string::npos) << r.err;
    rec = json::parse(readFile(w.file("r.rec")));
    rec["passes"][1]["ticks"][0] = std::numeric_limits<std::int64_t>::max() - 10;
    writeFile(w.file("late.rec"), rec.dump());
    r = w.biosim("--replay ../late.rec");
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("tick"), std::string::npos) << r.err;
}

// A run recorded headless and one recorded in a window both replay headless to the same dump and
// (headless) the same screenshot; a changed world and a broken record are reported.
TEST(MakersE2E, RecordedRunsReplayBitExactAndAChangedWorldIsReported) {
    World w;
    const std::string input = quote(DEMO_INPUT);
    RunResult r = w.biosim("--headless --frames 600 --input " + input +
                           " --record ../rec.json --dump ../d1.json "
                           "--screenshot ../s1.png");
    ASSERT_EQ(r.code, 0) << r.err;
    const json rec = json::parse(readFile(w.file("rec.json")));
    EXPECT_EQ(rec["passCount"], 600);
    EXPECT_EQ(rec["mapId"], 1001);
    EXPECT_EQ(rec["clockStepMs"], 16);
    r = w.biosim("--replay ../rec.json --dump ../d2.json --screenshot ../s2.png");
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string d1 = readFile(w.file("d1.json"));
    EXPECT_NE(d1.find("\"actualMapId\":0"), std::string::npos) << "the input should reach the level";
    EXPECT_EQ(d1, readFile(w.file("d2.json")));
    EXPECT_EQ(readFile(w.file("s1.png")), readFile(w.file("s2.png")));

    if (onPath("xvfb-run") && onPath("xauth")) {
        // Real clock, real window, a desktop smaller than the headless one.
        r = w.run("xvfb-run -a -s '-screen 0 800x600x24' " + quote(BIOSIM_EXE) +
                  " --windowed --frames 250 --input " + input + " --record ../recw.json --dump ../w1.json");
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(json::parse(readFile(w.file("recw.json")))["clockStepMs"], 0);
        r = w.biosim("--replay ../recw.json --dump ../w2.json");
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_NE(readFile(w.file("w1.json")).find("\"desktopWidth\":800"), std::string::npos);
        EXPECT_EQ(readFile(w.file("w1.json")), readFile(w.file("w2.json")));
    } else {
        std::cout << "[ SKIPPED  ] the windowed recording needs xvfb-run and xauth\n";
    }

    // The world changes under the record: the replay says so and ends with exit code 4.
    std::ofstream(w.dir() / "MAPS/0/0", std::ios::app) << "\r\n";
    r = w.biosim("--replay ../rec.json");
    EXPECT_EQ(r.code, 4);
    EXPECT_NE(r.err.find("the world has changed since it was recorded"), std::string::npos) << r.err;
    // A record cut short is refused before anything runs.
    const std::string text = readFile(w.file("rec.json"));
    writeFile(w.file("cut.json"), text.substr(0, text.size() / 2));
    r = w.biosim("--replay ../cut.json");
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("replay:"), std::string::npos) << r.err;
    EXPECT_EQ(w.biosim("--replay ../rec.json --record ../again.json").code, 2);
}

// The demo is clean and the check changes no file; a world with one of each problem lists each once.
TEST(MakersE2E, ContentCheckFindsEveryProblemOnceAndTheDemoClean) {
    World w;
    const auto before = w.snapshot();
    RunResult r = w.biosim("--check");
    EXPECT_EQ(r.code, 0) << r.out;
    EXPECT_EQ(r.out.rfind("0 problems in ", 0), 0u) << r.out;
    EXPECT_EQ(before, w.snapshot());

    // Map 7: one of each problem. MAXOBJECTS 40 still holds every demo map.
    const fs::path d = w.dir();
    std::string ini = readFile(d / "CORE/ini.crc");
    ini.replace(ini.find("MAXOBJECTS\r\n20000"), 17, "MAXOBJECTS\r\n40");
    writeFile(d / "CORE/ini.crc", ini);
    const fs::path gfx = d / "_DATA/2DGFX";
    const std::string wallDna = readFile(gfx / "wall.dll");
    auto dna = [&](const std::string& key, const std::string& value) {
        std::string t = wallDna;
        const std::size_t at = t.find(key + "\r\n");
        const std::size_t end = t.find("\r\n", at + key.size() + 2);
        return t.replace(at, end - at, key + "\r\n" + value);
    };
    const fs::path map = d / "MAPS/7";
    for (const char* kind : {"wall", "ghost", "nodna", "gunner", "belt", "blob", "noisy", "door"})
        writeFile(map / "_DATA/2DGFX" / (std::string(kind) + ".png"), "");
    writeFile(gfx / "ghost.dll", wallDna);              // DNA but no picture
    fs::copy_file(gfx / "wall.png", gfx / "nodna.png"); // picture but no DNA
    for (const char* kind : {"gunner", "belt", "blob", "noisy", "door"})
        fs::copy_file(gfx / "wall.png", gfx / (std::string(kind) + ".png"));
    writeFile(gfx / "gunner.dll", dna("useWeapon", "ZAP"));
    writeFile(gfx / "belt.dll", dna("worldFTileTransport", "1"));
    writeFile(gfx / "blob.dll", dna("animContainer", "blob"));
    writeFile(gfx / "noisy.dll", dna("worldFTileSoundFile", "nosuchsound"));
    std::string door = dna("worldFTileIDString", "FASS"); // a door to map 4242
    door.replace(door.find("worldFTileID\r\n0\r\n"), 15, "worldFTileID\r\n4242");
    writeFile(gfx / "door.dll", door);
    fs::create_directories(d / "ANIMS/blob/DEFAULT");
    fs::create_directories(d / "ANIMS/blob/RIGHT");
    fs::copy_file(gfx / "player.png", d / "ANIMS/blob/DEFAULT/1.png");
    fs::copy_file(gfx / "player.png", d / "ANIMS/blob/DEFAULT/3.png"); // 2 is missing
    fs::copy_file(gfx / "player.png", d / "ANIMS/blob/RIGHT/1.png");
    fs::copy_file(gfx / "gear.png", d / "ANIMS/blob/RIGHT/2.png"); // 64 x 64 after 32 x 32
    auto rec = [](const std::string& name, int x, int layer) {
        return "TILE\r\n" + name + "\r\n0\r\n" + std::to_string(x) + "\r\n0\r\n32\r\n32\r\n" +
               std::to_string(layer) + "\r\n";
    };
    std::string seg0 = "0\r\n0\r\n" + rec("nosuch", 0, 0) + rec("wall", 0, 1);
    for (const char* kind : {"ghost", "nodna", "gunner", "belt", "blob", "noisy", "door"})
        seg0 += rec(kind, 0, 0);
    for (int i = 0; i < 40; ++i) seg0 += rec("wall", i * 32, 0);
    writeFile(map / "0", seg0 + "ENGINETILEINFOEND\r\n");
    writeFile(map / "1", "0\r\n0\r\nTILE\r\nwall\r\n0\r\n5\r\n"); // ends inside its record
    writeFile(map / "3", "0\r\n0\r\nENGINETILEINFOEND\r\n");      // after the missing segment 2
    fs::remove_all(d / "MAPS/0"); // the title screen leads there (the other missing map is the door's)

    r = w.biosim("--check --json");
    EXPECT_EQ(r.code, 1);
    const json report = json::parse(r.out);
    std::map<std::string, int> kinds;
    for (const json& p : report["problems"]) ++kinds[p["kind"].get<std::string>()];
    const std::map<std::string, int> expected = {
        {"unknown-tile", 1},   {"skipped-record", 1}, {"too-many-records", 1}, {"cut-record", 1},
        {"unread-segment", 1}, {"missing-image", 1},  {"missing-dna", 1},      {"missing-kind", 1},
        {"bad-transport", 1},  {"missing-sound", 1},  {"anim-gap", 1},         {"anim-sizes", 1},
        {"missing-music", 1},  {"missing-map", 2}};
    EXPECT_EQ(kinds, expected) << r.out;
    EXPECT_EQ(report["count"], report["problems"].size());
    std::set<std::string> texts; // each problem once
    for (const json& p : report["problems"])
        EXPECT_TRUE(texts.insert(p["text"].get<std::string>()).second) << p;
    // The human form names the file and line of a bad record.
    r = w.biosim("--check 7");
    EXPECT_NE(r.out.find("map 7: MAPS/7/0 line 3: unknown tile name \"nosuch\""), std::string::npos) << r.out;
    EXPECT_EQ(w.biosim("--check 7x").code, 2);
}

// A map fresh from tarn (no level music yet) checks with a warning and exit 0, or exit 1 with
// --strict; the two mistakes people make by hand in a DNA file, a misspelt key and a door target
// that is no number, are errors, the key named with the known key it is nearest to.
TEST(MakersE2E, ContentCheckTellsErrorsFromWarnings) {
    World w;
    RunResult r = w.tarn("--export-tiled MAPS/0 ../out/m0.tmj");
    ASSERT_EQ(r.code, 0) << r.err;
    r = w.tarn("--import-tiled ../out/m0.tmj MAPS/5");
    ASSERT_EQ(r.code, 0) << r.err;
    r = w.biosim("--check");
    EXPECT_EQ(r.code, 0) << r.out;
    EXPECT_NE(r.out.find("warning: map 5: SOUNDS/#L5.ogg: the level music is missing [missing-music]"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("1 problem in 5 maps: 0 errors, 1 warning"), std::string::npos) << r.out;
    EXPECT_EQ(w.biosim("--check --strict").code, 1);

    const fs::path gfx = w.dir() / "_DATA/2DGFX";
    std::ofstream(gfx / "wall.dll", std::ios::app) << "worldFTileVelo\r\n3\r\n";
    std::ofstream(gfx / "player.dll", std::ios::app) << "worldFTileID\r\nabc\r\n";
    r = w.biosim("--check --json");
    EXPECT_EQ(r.code, 1) << r.out;
    const json report = json::parse(r.out);
    std::set<std::string> found;
    for (const json& p : report["problems"])
        found.insert(p["severity"].get<std::string>() + " " + p["kind"].get<std::string>() + " " +
                     p["file"].get<std::string>() + ": " + p["text"].get<std::string>());
    const std::set<std::string> expected = {
        "warning missing-music SOUNDS/#L5.ogg: the level music is missing",
        "error unknown-dna-key _DATA/2DGFX/wall.dll: worldFTileVelo: unknown key; did you mean "
        "worldFTileVELO? "
        "(biosim skips it)",
        "error bad-dna-value _DATA/2DGFX/player.dll: worldFTileID \"abc\" is no whole number: biosim reads "
        "it as 0"};
    EXPECT_EQ(found, expected) << r.out;
    EXPECT_EQ(report["errors"], 2);
    EXPECT_EQ(report["warnings"], 1);
}

// --map starts on another map, and --watch reloads it when its segment changes on disk.
TEST(MakersE2E, MapOptionAndLiveReload) {
    World w;
    RunResult r = w.biosim("--headless --frames 2 --map 0 --dump ../d.json");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(readFile(w.file("d.json")).find("\"actualMapId\":0"), std::string::npos);

    // A long run on a map nothing can leave (map 0's background alone: the demo's chaser would
    // send the player back to the title); the test changes it while it plays and waits for the
    // reload message.
    fs::copy(w.dir() / "MAPS/0", w.dir() / "MAPS/7", fs::copy_options::recursive);
    const std::string level = readFile(w.dir() / "MAPS/0/0");
    writeFile(w.dir() / "MAPS/7/0", level.substr(0, level.find("TILE\r\nwall")) + "ENGINETILEINFOEND\r\n");
    const std::string err = w.file("watch.err").string();
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::setenv("SDL_AUDIODRIVER", "dummy", 1);
        if (::chdir(w.dir().c_str()) != 0 || !std::freopen(err.c_str(), "w", stderr)) ::_exit(127);
        ::execl(BIOSIM_EXE, BIOSIM_EXE, "--headless", "--map", "7", "--watch", "--tick-ms", "50", "--frames",
                "100000000", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    std::string seg = readFile(w.dir() / "MAPS/7/0");
    seg.insert(seg.rfind("ENGINETILEINFOEND"), "TILE\r\nnewkind\r\n0\r\n0\r\n0\r\n32\r\n32\r\n0\r\n");
    writeFile(w.dir() / "MAPS/7/0", seg);
    bool reloaded = false;
    for (int i = 0; i < 100 && !reloaded; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        reloaded = readFile(err).find("map 7 changed on disk: reloaded") != std::string::npos;
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    EXPECT_TRUE(reloaded) << readFile(err);
    // The reload read the new record: the loader warned about its unknown kind.
    EXPECT_NE(readFile(w.dir() / "CORE/warnings.log").find("newkind IS NOT PART OF THE GFXSYSTEM"),
              std::string::npos);
}

// A map goes out to Tiled and back unchanged, Tiled reads our export, and a map written by Tiled
// from a .tmx of ours imports and plays.
TEST(MakersE2E, TiledMapsOutAndIn) {
    if (!onPath("tiled")) GTEST_SKIP() << "the Tiled map editor (Debian package tiled) is not installed";
    World w;
    RunResult r = w.tarn("--export-tiled MAPS/0 ../out/m0.tmj");
    ASSERT_EQ(r.code, 0) << r.err;
    r = w.tarn("--import-tiled ../out/m0.tmj MAPS/5");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(records(w.dir() / "MAPS/0"), records(w.dir() / "MAPS/5"));
    EXPECT_EQ(readFile(w.dir() / "MAPS/0/_DATA/2DGFX/wall.png"),
              readFile(w.dir() / "MAPS/5/_DATA/2DGFX/wall.png"));

    // Tiled reads the export: same objects, same places (y is the bottom edge).
    r = w.run("env QT_QPA_PLATFORM=offscreen tiled --export-map ../out/m0.tmj ../out/m0.tmx");
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string tmx = readFile(w.file("out/m0.tmx"));
    std::size_t objects = 0;
    for (std::size_t at = tmx.find("<object "); at != std::string::npos; at = tmx.find("<object ", at + 1))
        ++objects;
    const json tmj = json::parse(readFile(w.file("out/m0.tmj")));
    EXPECT_EQ(objects, tmj["layers"][0]["objects"].size());
    EXPECT_NE(tmx.find("<object id=\"8\" gid=\"3\" x=\"160\" y=\"704\" width=\"64\" height=\"64\"/>"),
              std::string::npos);

    // A map of Tiled's own: a tile layer and an object layer over an image-collection tileset.
    fs::create_directories(w.file("own"));
    fs::copy_file(w.dir() / "_DATA/2DGFX/wall.png", w.file("own/wall.png"));
    fs::copy_file(w.dir() / "_DATA/2DGFX/player.png", w.file("own/player.png"));
    writeFile(w.file("own/own.tmx"), R"(<?xml version="1.0" encoding="UTF-8"?>
<map version="1.8" orientation="orthogonal" renderorder="right-down" width="4" height="3" tilewidth="32" tileheight="32" infinite="0" nextlayerid="3" nextobjectid="2">
 <tileset firstgid="1" name="kinds" tilewidth="32" tileheight="32" tilecount="2" columns="0">
  <grid orientation="orthogonal" width="1" height="1"/>
  <tile id="0"><properties><property name="worldFTileCollision" value="1"/></properties><image width="32" height="32" source="wall.png"/></tile>
  <tile id="1"><image width="32" height="32" source="player.png"/></tile>
 </tileset>
 <layer id="1" name="ground" width="4" height="3">
  <data encoding="csv">
1,1,1,1,
0,0,0,0,
1,0,0,1
</data>
 </layer>
 <objectgroup id="2" name="things">
  <object id="1" gid="2" x="40" y="80" width="32" height="32"/>
 </objectgroup>
</map>
)");
    r = w.run("env QT_QPA_PLATFORM=offscreen tiled --export-map ../own/own.tmx ../own/own.tmj");
    ASSERT_EQ(r.code, 0) << r.err;
    r = w.tarn("--import-tiled ../own/own.tmj MAPS/6");
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string wall =
        "TILE|wall|0|0|32|32|0|TILE|wall|32|0|32|32|0|TILE|wall|64|0|32|32|0|TILE|wall|96|0|32|32|0|"
        "TILE|wall|0|64|32|32|0|TILE|wall|96|64|32|32|0|";
    EXPECT_EQ(records(w.dir() / "MAPS/6"),
              "0|0|" + wall + "ENGINETILEINFOEND|\n0|0|TILE|player|40|48|32|32|1|ENGINETILEINFOEND|\n");
    EXPECT_NE(readFile(w.dir() / "MAPS/6/_DATA/2DGFX/wall.dll").find("worldFTileCollision\r\n1\r\n"),
              std::string::npos);
    // biosim plays it (kinds come from the world's shared graphics folder): seven objects, the
    // player where the Tiled object was.
    r = w.biosim("--headless --frames 2 --map 6 --dump ../d6.json");
    ASSERT_EQ(r.code, 0) << r.err;
    const json dump = json::parse(readFile(w.file("d6.json")));
    EXPECT_EQ(dump["globals"]["objectCount"], 6) << dump["globals"].dump();
    int players = 0;
    for (const json& o : dump["objects"])
        if (o["ObjectFile"] == "player" && o["MapX"] == 40 && o["MapY"] == 48 && o["Layer"] == 1) ++players;
    EXPECT_EQ(players, 1);
}

// F5 in tarn saves the edited map into the play-test folder of the world and plays it in biosim
// (here a stand-in script that runs the real biosim headless and keeps its arguments), then the
// editor goes on. On the way the map goes out through the Tiled menu items and comes back in.
TEST(MakersE2E, PlayTestFromTarnSavesTheMapAndPlaysItInBiosim) {
    World w;
    writeFile(w.file("biosim.sh"), "#!/bin/sh\necho \"$@\" > ../args.txt\nshift\nexec " + quote(BIOSIM_EXE) +
                                       " --headless --frames 5 --dump ../play.json \"$@\"\n");
    fs::permissions(w.file("biosim.sh"), fs::perms::owner_all);
    std::ofstream(w.dir() / "_DATA/app.txt", std::ios::app) << "PLAYTESTRUN\r\n;\r\n"
                                                            << w.file("biosim.sh").string() << "\r\n;\r\n";
    // Choose kind 0 in the tile window, raster off, place it at (400, 400); export it as a Tiled
    // map, start a new map, import the Tiled map (both questions answered yes), then F5.
    const std::string tmj = w.file("tiled/map.tmj").string();
    writeFile(w.file("input.txt"), "3 move 24 62\n4 press left\n5 release left\n6 key 46\n7 move 400 400\n"
                                   "8 press left\n9 release left\n10 move 400 700\n11 answer " +
                                       tmj + "\n12 menu 151\n13 menu 117\n14 answer " + tmj +
                                       "\n15 menu 152\n17 key 63\n");
    const RunResult r = w.tarn("--headless --answer yes --input ../input.txt --passes 19");
    std::size_t exported = 0;
    const json exportedMap = json::parse(readFile(tmj));
    for (const json& layer : exportedMap["layers"]) exported += layer["objects"].size();
    EXPECT_EQ(exported, 1u) << r.err;
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(readFile(w.file("args.txt")), "--windowed --map 9999 --playtest-map 9999\n");
    const json dump = json::parse(readFile(w.file("play.json")));
    EXPECT_EQ(dump["globals"]["actualMapId"], 9999);
    ASSERT_EQ(dump["objects"].size(), 1u);
    EXPECT_EQ(dump["objects"][0]["MapX"], 400);
    EXPECT_EQ(dump["objects"][0]["MapY"], 400);
    const std::string kind = dump["objects"][0]["ObjectFile"];
    EXPECT_TRUE(fs::exists(w.dir() / "MAPS/9999/_DATA/2DGFX" / (kind + ".png")));
}
