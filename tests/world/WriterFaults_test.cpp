// Every writer of the shared formats (DNA file, single map file, map folder, and the safe file write
// under them) against faults that hold for every user, root included: it replaces the old file
// instead of writing into it, reports a write that runs out of space and keeps the old file then,
// and refuses a path whose parent is a regular file or whose place is taken by a folder. No
// temporary file is left behind in any case.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

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

TEST(WriterFaults, MapFolderReportsEachFailedFileAndWritesTheOthers) {
    TempDir dir;
    const std::string folder = dir / "map/";
    writeText(folder + "_", "7\r\n");
    writeText(folder + "1", "old segment 1");
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
    EXPECT_EQ(readText(folder + "_"), "0\r\n") << "the count file is still written";
    EXPECT_EQ(folderEntries(folder), (std::vector<std::string>{"0", "1", "_"}));
}
