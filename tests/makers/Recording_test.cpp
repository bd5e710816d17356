// The world's content hash (what is the world and what is not) and the record reader and writer's
// refusals of what would hang, read without end or drive a replay past its means.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "engine/Biosim.h"
#include "makers/Recording.h"
#include "platform/TextIo.h"
#include "platform/headless/OffscreenPlatform.h"
#include "tests/makers/ConfiguredWorld.h"
#include "tests/support/Images.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WorldFiles.h"

namespace fs = std::filesystem;
using makers::RunRecord;
using makers::WorldFile;

namespace {

std::vector<std::string> paths(const std::vector<WorldFile>& files) {
    std::vector<std::string> out;
    for (const WorldFile& f : files) out.push_back(f.path);
    return out;
}

// A small record that reads back: start-up and one pass.
std::string recordText(const std::string& desktop = R"({"width": 640, "height": 480, "depth": 32})",
                       const std::string& ticks = "[16]", int version = 2) {
    return R"({"biosimRecord": )" + std::to_string(version) +
           R"(, "seed": 7, "clockStepMs": 16, "mapId": 0, "contentHash": "0000000000000000", )" +
           (version == 2 ? R"("contentFiles": {"CORE/ini.crc": "0000000000000001"}, )" : "") +
           R"("desktop": )" + desktop + R"(, "joystickPresent": false, "passCount": 1, "passes": [
{"pass": 0, "ticks": [0]},
{"pass": 1, "ticks": )" +
           ticks + R"(}]})";
}

} // namespace

// The hash covers the files the configuration makes part of the world and nothing else: files a
// run or an editor leaves in the folder never change it, a changed byte in any world file always
// does, and the first difference is named.
TEST(ContentHash, CoversTheWorldFilesAndNothingElse) {
    support::TempFolder t("content_hash");
    const std::string w = t.path();
    support::writeWorldWithMap(w, {{"EFFECT_GFX", "_DATA/FX/"}, {"ANIMSYSTEM", "ANIMS/"}});
    support::writeFile(w + "SOUNDS/#L0.ogg", "music");
    support::writeFile(w + "SOUNDS/tick.ogg", "tick");
    support::writeBmp(w + "_DATA/FX/glow.bmp", 4, 4, 1, 2, 3);
    support::writeBmp(w + "ANIMS/blob/DEFAULT/1.bmp", 4, 4, 1, 2, 3);
    plat::headless::OffscreenPlatform platform;
    const auto e = support::configuredWorld(platform, w);
    const std::vector<WorldFile> world = makers::worldFiles(*e, {});
    const std::vector<std::string> expected = {"ANIMS/blob/DEFAULT/1.bmp",
                                               "CORE/codec.txt",
                                               "CORE/ini.crc",
                                               "CORE/systext.txt",
                                               "MAPS/0/0",
                                               "MAPS/0/_",
                                               "MAPS/0/_DATA/2DGFX/grass.bmp",
                                               "MAPS/0/_DATA/2DGFX/wall.bmp",
                                               "SOUNDS/#L0.ogg",
                                               "SOUNDS/tick.ogg",
                                               "_DATA/2DGFX/grass.bmp",
                                               "_DATA/2DGFX/grass.dll",
                                               "_DATA/2DGFX/wall.bmp",
                                               "_DATA/2DGFX/wall.dll",
                                               "_DATA/FX/glow.bmp"};
    EXPECT_EQ(paths(world), expected);
    const std::string hash = makers::combinedHash(world);

    // What runs, editors and people leave beside the world.
    for (const char* other :
         {"run.rec", "d.json", "s.png", "notes.txt", "CORE/warnings.txt", "CORE/startup.txt",
          "CORE/error.txt", "MAPS/0/0.bak", "MAPS/0/.0.4242.partial-abcdef", "MAPS/0/_DATA/2DGFX/readme.txt",
          "MAPS/0001/0", "MAPS/snapshots/0", "SOUNDS/readme.txt", "_DATA/2DGFX/.wall.bmp.swp", "TEMP/0/0",
          "_DATA/app.txt"})
        support::writeFile(w + other, "left here");
    support::writeBmp(w + "shot.bmp", 2, 2, 1, 1, 1);
    EXPECT_EQ(paths(makers::worldFiles(*e, {})), expected);
    EXPECT_EQ(makers::combinedHash(makers::worldFiles(*e, {})), hash);
    // A record, dump or screenshot the run names is left out wherever it lies.
    support::writeFile(w + "MAPS/0/_DATA/2DGFX/own.bmp", "screenshot");
    EXPECT_EQ(makers::combinedHash(makers::worldFiles(*e, {w + "MAPS/0/_DATA/2DGFX/own.bmp"})), hash);
    fs::remove(w + "MAPS/0/_DATA/2DGFX/own.bmp");

    for (const std::string& rel : expected) {
        SCOPED_TRACE(rel);
        const std::string before = support::readFile(w + rel);
        std::string changed = before;
        changed.back() = static_cast<char>(changed.back() ^ 1);
        support::writeFile(w + rel, changed);
        const std::vector<WorldFile> now = makers::worldFiles(*e, {});
        EXPECT_NE(makers::combinedHash(now), hash);
        EXPECT_EQ(makers::firstDifference(world, now), rel + " (changed)");
        support::writeFile(w + rel, before);
    }
    support::writeBmp(w + "_DATA/2DGFX/new.bmp", 2, 2, 1, 1, 1);
    EXPECT_EQ(makers::firstDifference(world, makers::worldFiles(*e, {})), "_DATA/2DGFX/new.bmp (new)");
    fs::remove(w + "_DATA/2DGFX/new.bmp");
    fs::remove(w + "SOUNDS/tick.ogg");
    EXPECT_EQ(makers::firstDifference(world, makers::worldFiles(*e, {})), "SOUNDS/tick.ogg (missing)");
}

// A record written and read back keeps its file hashes; version 1 records (one hash of the whole
// folder) still read; the reader refuses what would hang, read without end, open a screen beyond
// any desktop or overflow the engine's clock sums; the writer replaces a record whole and never
// waits on a FIFO.
TEST(RunRecords, ReadAndWrittenWithinBounds) {
    support::TempFolder t("records");
    // A FIFO nobody writes would hold open() and read() for ever: give up loudly instead.
    ::alarm(20);
    RunRecord r;
    std::string error;

    ASSERT_TRUE(makers::recordFromJson(recordText(), r, error)) << error;
    EXPECT_EQ(r.version, 2);
    ASSERT_EQ(r.contentFiles.size(), 1u);
    EXPECT_EQ(r.contentFiles[0], (WorldFile{"CORE/ini.crc", "0000000000000001"}));
    ASSERT_TRUE(makers::writeRecord(r, t.file("r.rec")));
    RunRecord back;
    ASSERT_TRUE(makers::readRecord(t.file("r.rec"), back, error)) << error;
    EXPECT_EQ(makers::recordToJson(back), makers::recordToJson(r));
    ASSERT_TRUE(makers::recordFromJson(recordText(R"({"width": 640, "height": 480, "depth": 32})", "[16]", 1),
                                       r, error))
        << error;
    EXPECT_EQ(r.version, 1);
    EXPECT_FALSE(makers::recordFromJson(
        recordText(R"({"width": 640, "height": 480, "depth": 32})", "[16]", 3), r, error));

    const std::vector<std::pair<std::string, std::string>> refused = {
        {R"({"width": 16384, "height": 16384, "depth": 32})", "[16]"},
        {R"({"width": 16385, "height": 2, "depth": 32})", "[16]"},
        {R"({"width": 0, "height": 480, "depth": 32})", "[16]"},
        {R"({"width": 640, "height": 480, "depth": 32})", "[9223372036854775000]"},
        {R"({"width": 640, "height": 480, "depth": 32})", "[-5]"},
    };
    for (const auto& [desktop, ticks] : refused) {
        SCOPED_TRACE(desktop + " " + ticks);
        EXPECT_FALSE(makers::recordFromJson(recordText(desktop, ticks), r, error));
    }

    ASSERT_EQ(::mkfifo(t.file("fifo").c_str(), 0600), 0);
    EXPECT_FALSE(makers::readRecord(t.file("fifo"), r, error));
    EXPECT_NE(error.find("FIFO"), std::string::npos) << error;
    EXPECT_FALSE(makers::readRecord("/dev/zero", r, error));
    EXPECT_FALSE(makers::writeRecord(r, t.file("fifo")));
    EXPECT_NE(makers::recordPathProblem(t.file("fifo")), "");
    EXPECT_EQ(makers::recordPathProblem(t.file("r.rec")), "");
    EXPECT_EQ(makers::recordPathProblem(t.file("none.rec")), "");
    ::alarm(0);

    // A record too large for any run is refused unread.
    {
        std::FILE* f = std::fopen(t.file("huge.rec").c_str(), "w");
        ASSERT_NE(f, nullptr);
        ASSERT_EQ(::ftruncate(::fileno(f), static_cast<off_t>(makers::kMaxRecordBytes + 1)), 0);
        std::fclose(f);
    }
    EXPECT_FALSE(makers::readRecord(t.file("huge.rec"), r, error));

    // The new record replaces the old one by rename, never in place: a second name of the old
    // file keeps the old content, and no temporary is left.
    const std::string old = support::readFile(t.file("r.rec"));
    ASSERT_EQ(::link(t.file("r.rec").c_str(), t.file("old.rec").c_str()), 0);
    back.seed = 99;
    ASSERT_TRUE(makers::writeRecord(back, t.file("r.rec")));
    EXPECT_EQ(support::readFile(t.file("old.rec")), old);
    EXPECT_NE(support::readFile(t.file("r.rec")), old);
    for (const auto& entry : fs::directory_iterator(t.path()))
        EXPECT_EQ(entry.path().filename().string().find(".partial-"), std::string::npos) << entry.path();
}
