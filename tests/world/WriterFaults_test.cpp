// Every writer of the shared formats (DNA file, single map file, map folder, and the safe file write
// under them) against faults that hold for every user, root included: it replaces the old file
// instead of writing into it, reports a write that runs out of space and keeps the old file then,
// and refuses a path whose parent is a regular file or whose place is taken by a folder. No
// temporary file is left behind in any case.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string_view>
#include <sys/wait.h>
#include <unistd.h>

#include "TempDir.h"
#include "platform/TextIo.h"
#include "tests/support/FileFaults.h"
#include "world/DnaFile.h"
#include "world/MapFormat.h"

namespace fs = std::filesystem;
using support::folderEntries;
using worldtest::readText;
using worldtest::TempDir;
using worldtest::writeText;

namespace {

// A writer under test: writes its (large) content to `path`, returns its success report.
struct Writer {
    const char* name;
    std::function<bool(const std::string& path)> write;
};

std::vector<world::PlacedTile> manyTiles() {
    std::vector<world::PlacedTile> tiles;
    for (int i = 0; i < 400; ++i) {
        world::PlacedTile t;
        t.name = "tile" + std::to_string(i);
        t.x = static_cast<float>(i * 3);
        t.y = static_cast<float>(i * 5);
        t.width = 32;
        t.height = 16;
        tiles.push_back(t);
    }
    return tiles;
}

std::vector<Writer> writers() {
    return {{"writeFileAtomic",
             [](const std::string& p) { return textio::writeFileAtomic(p, std::string(20000, 'n')); }},
            {"writeDnaFile",
             [](const std::string& p) {
                 std::vector<world::DnaEntry> entries;
                 for (int i = 0; i < 500; ++i) entries.push_back({"key" + std::to_string(i), "value"});
                 return world::writeDnaFile(p, entries).ok;
             }},
            {"writeMapFile", [](const std::string& p) { return world::writeMapFile(p, manyTiles()).ok; }},
            // The folder writer's segment "0": `p` is taken as the folder's segment file.
            {"writeMapFolder", [](const std::string& p) {
                 world::MapFolderSave save;
                 save.highestTileIndex = 399;
                 const fs::path file(p);
                 if (file.filename() != "0") return false;
                 return world::writeMapFolder(file.parent_path().string() + "/", manyTiles(), save).ok;
             }}};
}

} // namespace

TEST(WriterFaults, EveryWriterReplacesWholeFilesAndKeepsTheOldOneOnFailure) {
    for (const Writer& w : writers()) {
        SCOPED_TRACE(w.name);
        TempDir dir;
        const std::string folder = dir / "m/";
        const std::string target = folder + "0";
        writeText(target, "old");

        // Success replaces the file: a hard link made before still shows the old content.
        ASSERT_TRUE(support::hardLink(target, dir / "link"));
        ASSERT_TRUE(w.write(target));
        EXPECT_GT(readText(target).size(), 4096u);
        EXPECT_EQ(readText(dir / "link"), "old") << "written in place instead of replaced";

        // A write that runs out of space part way (as on a full disk) fails and keeps the old file.
        writeText(target, "old");
        const auto before = folderEntries(folder);
        {
            support::FileSizeLimit limit(1024);
            EXPECT_FALSE(w.write(target));
        }
        EXPECT_EQ(readText(target), "old");
        EXPECT_EQ(folderEntries(folder), before) << "a temporary file was left behind";

        // A regular file where the parent folder should be: nothing written, nothing created.
        writeText(dir / "plain", "a file");
        EXPECT_FALSE(w.write(dir / "plain/0"));
        EXPECT_EQ(readText(dir / "plain"), "a file");

        // A folder in the target's place stays as it is.
        fs::remove(target);
        writeText(target + "/inside", "kept");
        EXPECT_FALSE(w.write(target));
        EXPECT_EQ(readText(target + "/inside"), "kept");
        EXPECT_EQ(folderEntries(target), std::vector<std::string>{"inside"});
    }
}

TEST(WriterFaults, MapFolderReportsEachFailedFileAndKeepsTheOldMap) {
    TempDir dir;
    const std::string folder = dir / "map/";
    writeText(folder + "_", "7\r\n");
    writeText(folder + "1", "old segment 1");
    // Segments of an older, larger map: a failed save must not remove them either.
    const std::string old2 = "0\r\n0\r\nTILE\r\nx\r\n0\r\n1\r\n1\r\n5\r\n5\r\n2\r\nENGINETILEINFOEND\r\n";
    writeText(folder + "2", old2);
    writeText(folder + "3", "0\r\n0\r\nENGINETILEINFOEND\r\n");
    world::MapFolderSave save;
    save.maxUsedLayer = 1;
    save.highestTileIndex = 0;
    world::PlacedTile t;
    t.name = "a";
    t.layer = 1;
    // Segment "0" is blocked by a folder; segment 1 runs out of space; "_" fits.
    fs::create_directories(folder + "0");
    std::vector<world::PlacedTile> tiles(300, t);
    world::MapWriteResult r;
    {
        support::FileSizeLimit limit(2048);
        r = world::writeMapFolder(folder, tiles, save);
    }
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.failedFiles, (std::vector<std::string>{folder + "0", folder + "1"}));
    EXPECT_EQ(readText(folder + "1"), "old segment 1");
    EXPECT_EQ(readText(folder + "_"), "7\r\n") << "a failed save left part of the new map";
    EXPECT_EQ(readText(folder + "2"), old2);
    EXPECT_EQ(folderEntries(folder), (std::vector<std::string>{"0", "1", "2", "3", "_"}));

    // A disk full from the first file on: nothing of the old map goes either.
    fs::remove(folder + "0");
    writeText(folder + "0", "old segment 0");
    {
        support::FileSizeLimit limit(0);
        r = world::writeMapFolder(folder, tiles, save);
    }
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(readText(folder + "2"), old2);
    EXPECT_EQ(readText(folder + "0"), "old segment 0");
    EXPECT_EQ(folderEntries(folder), (std::vector<std::string>{"0", "1", "2", "3", "_"}));
}

namespace {

// Files of a folder and its sub-folders (hidden ones too), by relative path, with their content.
std::map<std::string, std::string> snapshot(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        if (e.is_regular_file()) files[fs::relative(e.path(), folder).string()] = readText(e.path().string());
    return files;
}

int gStepsLeft = 0;
bool gCommitted = false;

// Stands in for kill -9 at the chosen step: the process ends there, without cleaning up.
void endAtStep(const char* step) {
    if (std::string_view(step) == "committed") gCommitted = true;
    if (--gStepsLeft == 0) ::_exit(gCommitted ? 11 : 10);
}

std::vector<world::PlacedTile> layeredTiles(const std::string& name, int layers) {
    std::vector<world::PlacedTile> tiles;
    for (int l = 0; l < layers; ++l)
        for (int i = 0; i < 50; ++i) {
            world::PlacedTile t;
            t.name = name;
            t.x = static_cast<float>(i * 32);
            t.layer = l;
            tiles.push_back(t);
        }
    return tiles;
}

} // namespace

// A save ended at each of its steps in turn (a child process that exits there, as kill -9 would
// end it), then the next program opens the folder: it holds the whole old map or the whole new one,
// never a mix, no temporary or journal is left, and from the commit on it is the new one.
TEST(WriterFaults, MapFolderSaveEndedAtAnyStepLeavesTheOldOrTheNewMapWhole) {
    TempDir dir;
    const std::string kinds = dir / "kinds/";
    writeText(kinds + "old.png", "old picture");
    writeText(kinds + "old.dll", "hp\r\n1\r\n");
    writeText(kinds + "new.png", "new picture");
    writeText(kinds + "new.dll", "hp\r\n2\r\n");
    world::MapFolderSave oldSave;
    oldSave.gfxFolder = kinds;
    oldSave.gfxExtension = ".png";
    oldSave.highestTileIndex = 199;
    const std::string model = dir / "model/";
    fs::create_directories(model + "_DATA/2DGFX");
    ASSERT_TRUE(world::writeMapFolder(model, layeredTiles("old", 4), oldSave).ok);
    writeText(model + "notes.txt", "the user's own file");
    const auto oldMap = snapshot(model);

    world::MapFolderSave newSave = oldSave;
    newSave.highestTileIndex = 99;
    const auto saveNew = [&](const std::string& folder) {
        return world::writeMapFolder(folder, layeredTiles("new", 2), newSave).ok;
    };
    const std::string whole = dir / "whole/";
    fs::copy(model, whole, fs::copy_options::recursive);
    ASSERT_TRUE(saveNew(whole));
    const auto newMap = snapshot(whole);
    ASSERT_NE(oldMap, newMap);
    ASSERT_FALSE(fs::exists(whole + "2"));

    int endedAfterCommit = 0;
    for (int stop = 1;; ++stop) {
        SCOPED_TRACE("save ended at step " + std::to_string(stop));
        const std::string run = dir / ("run" + std::to_string(stop) + "/");
        fs::copy(model, run, fs::copy_options::recursive);
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            gStepsLeft = stop;
            world::setMapSaveStepHook(endAtStep);
            ::_exit(saveNew(run) ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status));
        const int code = WEXITSTATUS(status);
        if (code == 0) break; // the save ran through: every step was tried
        ASSERT_TRUE(code == 10 || code == 11) << code;
        // The next start: the loader (and any writer) recovers the folder first.
        world::LoadedMap back;
        ASSERT_TRUE(world::readMapFolder(run, back));
        const auto after = snapshot(run);
        if (code == 11) {
            ++endedAfterCommit;
            EXPECT_TRUE(after == newMap) << "not the whole new map";
        } else {
            EXPECT_TRUE(after == oldMap) << "not the whole old map";
        }
        ASSERT_LT(stop, 100);
    }
    // Ended between renames and between removals of the old segments, too.
    EXPECT_GE(endedAfterCommit, 6);
}
