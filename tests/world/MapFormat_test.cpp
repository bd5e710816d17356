// Map files: the record reader, the single-file and folder writers, tarn's readers.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "TempDir.h"
#include "platform/Rounding.h"
#include "world/MapFormat.h"

using namespace world;
using worldtest::readText;
using worldtest::TempDir;
using worldtest::writeText;

namespace {

PlacedTile tile(std::string name, float x, float y, std::int32_t layer, std::int32_t kind = 0) {
    PlacedTile t;
    t.name = std::move(name);
    t.kind = kind;
    t.x = x;
    t.y = y;
    t.width = 32;
    t.height = 16;
    t.layer = layer;
    return t;
}

const std::string kEmpty = "0\r\n0\r\nENGINETILEINFOEND\r\n";

MapFolderSave folderSave(const std::string& gfx = "", std::int32_t maxUsedLayer = 0,
                         std::int32_t highest = -1) {
    MapFolderSave s;
    s.gfxFolder = gfx;
    s.gfxExtension = ".png";
    s.maxUsedLayer = maxUsedLayer;
    s.highestTileIndex = highest;
    return s;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Record reader
// ---------------------------------------------------------------------------------------------

TEST(MapRecordReader, ReadsHeaderFloatsLayerAndStopsAtEndLine) {
    MapRecordReader r("5\r\n-7\r\nTILE\r\ngrass\r\n3\r\n10.6\r\n-4\r\n32\r\n16.25\r\n2\r\n"
                      "ENGINETILEINFOEND\r\nTILE\r\nafter\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n");
    EXPECT_EQ(r.scrollX(), 5);
    EXPECT_EQ(r.scrollY(), -7);
    MapRecord rec;
    ASSERT_TRUE(r.next(rec));
    EXPECT_EQ(rec.marker, "TILE");
    EXPECT_EQ(rec.name, "grass");
    EXPECT_EQ(rec.kindText, "3");
    EXPECT_FLOAT_EQ(rec.x, 10.6f);
    EXPECT_EQ(rec.y, -4.0f);
    EXPECT_EQ(rec.width, 32.0f);
    EXPECT_EQ(rec.height, 16.25f);
    EXPECT_EQ(rec.layer, 2);
    EXPECT_TRUE(rec.complete);
    EXPECT_FALSE(r.next(rec)); // the end line ends the file's records
    EXPECT_TRUE(r.sawEndMarker());
    EXPECT_FALSE(r.next(rec));
}

TEST(MapRecordReader, NumbersMatchTheSharedConversion) {
    // The record loop's fast path must give exactly what textio gives, for every shape of text.
    for (std::string_view text : {"0", "-0", "7", "-123456789", "999999999", "1234567890", "16777217", "+5",
                                  " 5", "5 ", "1e3", "0x10", "abc", "", "-", "3.5", "-2147483649"}) {
        std::string map = "0\r\n0\r\nTILE\r\nn\r\n0\r\n";
        map.append(text);
        map.append("\r\n0\r\n0\r\n0\r\n0\r\n");
        MapRecordReader r(map);
        MapRecord rec;
        ASSERT_TRUE(r.next(rec));
        const float expected = textio::toReal(text);
        EXPECT_EQ(std::signbit(rec.x), std::signbit(expected)) << text;
        EXPECT_EQ(rec.x, expected) << text;
    }
}

TEST(MapRecordReader, MarkerOtherThanTileAndEarlyEnd) {
    MapRecordReader r("0\n0\nTILE\na\n0\n1\n2\n3\n4\n0\nJUNK\nb\n0\n5\n6\n7\n8\n1\nTILE\nc\n0\n9");
    MapRecord rec;
    std::int32_t lines = 0;
    ASSERT_TRUE(r.next(rec, &lines));
    EXPECT_EQ(rec.name, "a");
    ASSERT_TRUE(r.next(rec, &lines));
    EXPECT_EQ(rec.marker, "JUNK");
    EXPECT_EQ(rec.name, "b");
    EXPECT_EQ(rec.layer, 1);
    EXPECT_EQ(lines, 14); // the second record of a load ends at line counter 14
    ASSERT_TRUE(r.next(rec, &lines));
    EXPECT_EQ(rec.name, "c");
    EXPECT_EQ(rec.x, 9.0f);
    EXPECT_EQ(rec.y, 0.0f); // missing lines read as empty
    EXPECT_FALSE(rec.complete);
    EXPECT_EQ(lines, 21);
    EXPECT_FALSE(r.next(rec, &lines));
    EXPECT_FALSE(r.sawEndMarker());
    EXPECT_EQ(lines, 21);
}

TEST(MapRecordReader, HeaderOnlyOrEmptyFileHasNoRecords) {
    MapRecord rec;
    for (std::string text : {"", "0\r\n", "0\r\n0\r\n", "3\r\n4"}) {
        MapRecordReader r(text);
        EXPECT_FALSE(r.next(rec)) << text;
    }
    MapRecordReader closed;
    EXPECT_FALSE(closed.open("/nonexistent/worldfmt/0"));
    EXPECT_FALSE(closed.next(rec));
}

// ---------------------------------------------------------------------------------------------
// Writers
// ---------------------------------------------------------------------------------------------

TEST(MapWriter, CoordinatesAreTheNearestInteger) {
    EXPECT_EQ(plat::roundHalfAwayInt32(10.6f), 11);
    EXPECT_EQ(plat::roundHalfAwayInt32(10.4f), 10);
    EXPECT_EQ(plat::roundHalfAwayInt32(10.5f), 11);
    EXPECT_EQ(plat::roundHalfAwayInt32(-10.5f), -11);
    EXPECT_EQ(plat::roundHalfAwayInt32(-0.3f), 0);
    EXPECT_EQ(plat::roundHalfAwayInt32(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(plat::roundHalfAwayInt32(1e20f), 2147483647);
    EXPECT_EQ(plat::roundHalfAwayInt32(-1e20f), -2147483647 - 1);
    EXPECT_EQ(plat::roundHalfAwayInt32(std::numeric_limits<float>::infinity()), 2147483647);

    std::vector<PlacedTile> tiles{tile("grass", 10.6f, 2.4f, 0, 4)};
    tiles[0].width = 31.5f;
    tiles[0].height = 0.49f;
    EXPECT_EQ(formatMap(tiles),
              "0\r\n0\r\nTILE\r\ngrass\r\n4\r\n11\r\n2\r\n32\r\n0\r\n0\r\nENGINETILEINFOEND\r\n");
}

TEST(MapWriter, EmptyMapIsThreeLines) {
    TempDir dir;
    const MapWriteResult r = writeMapFile(dir / "1", {});
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(readText(dir / "1"), kEmpty);
}

TEST(MapWriter, DeletedTilesVanishUnwritableNamesAreReported) {
    std::vector<PlacedTile> tiles{tile("a", 0, 0, 0),    tile("", 1, 1, 0),    tile("b\nTILE", 2, 2, 0),
                                  tile("dead", 3, 3, 0), tile("c\r", 4, 4, 0), tile("d", 5, 5, 1)};
    tiles[3].alive = false;
    tiles[1].alive = true;
    TempDir dir;
    const MapWriteResult r = writeMapFile(dir / "m", tiles);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.skipped, (std::vector<std::size_t>{1, 2, 4}));
    LoadedMap back;
    ASSERT_TRUE(readMapFile(dir / "m", back));
    ASSERT_EQ(back.tiles.size(), 2u);
    EXPECT_EQ(back.tiles[0].name, "a");
    EXPECT_EQ(back.tiles[1].name, "d");
    EXPECT_EQ(back.maxLayer, 1);
}

TEST(MapWriter, SingleFileRoundTripIsByteIdentical) {
    TempDir dir;
    std::vector<PlacedTile> tiles{tile("grass", 10.6f, -3.5f, 2, 1), tile("rock", 0.4f, 1e6f, 0, 0),
                                  tile("grass", 100, 200, 1, 1), tile("odd name ;,", 7, 8, 64, 2)};
    ASSERT_TRUE(writeMapFile(dir / "a", tiles).ok);
    LoadedMap back;
    ASSERT_TRUE(readMapFile(dir / "a", back));
    ASSERT_TRUE(writeMapFile(dir / "b", back.tiles).ok);
    EXPECT_EQ(readText(dir / "a"), readText(dir / "b"));
    EXPECT_EQ(back.tiles[0].x, 11.0f);
    EXPECT_EQ(back.maxLayer, 64);
}

TEST(MapWriter, FolderWritesEverySegmentUpToTheHighestLayer) {
    TempDir dir;
    const std::string map = dir / "7/";
    std::filesystem::create_directories(map);
    std::vector<PlacedTile> tiles{tile("a", 1, 2, 2), tile("b", 3, 4, 2)};
    const MapWriteResult r = writeMapFolder(map, tiles, folderSave("", 0, 5));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(readText(map + "0"), kEmpty);
    EXPECT_EQ(readText(map + "1"), kEmpty);
    EXPECT_NE(readText(map + "2").find("TILE\r\na\r\n"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(map + "3"));
    EXPECT_EQ(readText(map + "_"), "5\r\n");

    // The builder's max used layer can lie above every tile: those segments are written too.
    const std::string map2 = dir / "8/";
    std::filesystem::create_directories(map2);
    ASSERT_TRUE(writeMapFolder(map2, {tile("a", 0, 0, 0)}, folderSave("", 3, 0)).ok);
    for (const char* s : {"1", "2", "3"}) EXPECT_EQ(readText(map2 + s), kEmpty) << s;
    EXPECT_FALSE(std::filesystem::exists(map2 + "4"));
}

TEST(MapWriter, SavingASmallerMapOverALargerOneLeavesNoOldSegments) {
    TempDir dir;
    const std::string map = dir / "9/";
    std::filesystem::create_directories(map);
    ASSERT_TRUE(writeMapFolder(map, {tile("a", 0, 0, 0), tile("old", 5, 5, 4)}, folderSave("", 4, 1)).ok);
    ASSERT_TRUE(std::filesystem::exists(map + "4"));
    writeText(map + "notes.txt", "kept");

    ASSERT_TRUE(writeMapFolder(map, {tile("a", 0, 0, 1)}, folderSave("", 1, 0)).ok);
    for (const char* s : {"2", "3", "4"}) EXPECT_FALSE(std::filesystem::exists(map + s)) << s;
    EXPECT_EQ(readText(map + "notes.txt"), "kept");
    LoadedMap back;
    ASSERT_TRUE(readMapFolder(map, back, nullptr));
    ASSERT_EQ(back.tiles.size(), 1u);
    EXPECT_EQ(back.tiles[0].name, "a");
}

TEST(MapWriter, FolderLeavesOutLayersNoReaderOpens) {
    TempDir dir;
    std::vector<PlacedTile> tiles{tile("a", 0, 0, -1), tile("b", 0, 0, 256), tile("c", 0, 0, 255)};
    const MapWriteResult r = writeMapFolder(dir.path(), tiles, folderSave());
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.skipped, (std::vector<std::size_t>{0, 1}));
    EXPECT_TRUE(std::filesystem::exists(dir / "255"));
    EXPECT_FALSE(std::filesystem::exists(dir / "256"));
}

TEST(MapWriter, FolderCopiesKindFilesOnlyIntoAnExistingGraphicsFolder) {
    TempDir dir;
    const std::string gfx = dir / "tiles/";
    writeText(gfx + "a.png", "PNGDATA-a");
    writeText(gfx + "a.dll", "hp\r\n1\r\n");
    writeText(gfx + "b.png", "PNGDATA-b"); // b has no DNA file: that copy fails quietly
    writeText(dir / "secret.png", "outside");
    std::vector<PlacedTile> tiles{tile("a", 0, 0, 0), tile("b", 0, 0, 1), tile("a", 5, 5, 1),
                                  tile("../secret", 0, 0, 0)};

    // Without _DATA/2DGFX/ the map is still written and the folder is not created.
    const std::string bare = dir / "bare/";
    std::filesystem::create_directories(bare);
    MapWriteResult r = writeMapFolder(bare, tiles, folderSave(gfx, 0, 3));
    EXPECT_TRUE(r.ok);
    EXPECT_FALSE(std::filesystem::exists(bare + "_DATA"));
    EXPECT_TRUE(std::filesystem::exists(bare + "1"));

    const std::string map = dir / "map"; // no trailing separator
    std::filesystem::create_directories(map + "/_DATA/2DGFX");
    writeText(map + "/_DATA/2DGFX/a.png", "stale");
    r = writeMapFolder(map, tiles, folderSave(gfx, 0, 3));
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(readText(map + "/_DATA/2DGFX/a.png"), "PNGDATA-a"); // older copy replaced
    EXPECT_EQ(readText(map + "/_DATA/2DGFX/a.dll"), "hp\r\n1\r\n");
    EXPECT_EQ(readText(map + "/_DATA/2DGFX/b.png"), "PNGDATA-b");
    EXPECT_FALSE(std::filesystem::exists(map + "/_DATA/2DGFX/b.dll"));
    // A name with a separator is written as a record, but copies nothing across folders.
    EXPECT_FALSE(std::filesystem::exists(map + "/_DATA/secret.png"));
    LoadedMap back;
    ASSERT_TRUE(readMapFolder(map, back));
    EXPECT_EQ(back.tiles.size(), 4u);
}

TEST(MapWriter, FolderRoundTripIsByteIdentical) {
    TempDir dir;
    std::vector<PlacedTile> tiles{tile("a", 10.6f, 0, 1, 0), tile("b", -5.5f, 3, 0, 1), tile("a", 1, 2, 3, 0),
                                  tile("b", 9, 9, 0, 1)};
    const std::string first = dir / "first/", second = dir / "second/";
    std::filesystem::create_directories(first);
    std::filesystem::create_directories(second);
    ASSERT_TRUE(writeMapFolder(first, tiles, folderSave("", 0, 3)).ok);
    LoadedMap back;
    ASSERT_TRUE(readMapFolder(first, back, [](std::string_view n) { return n == "a" ? 0 : 1; }));
    EXPECT_EQ(back.maxLayer, 3);
    ASSERT_EQ(back.tiles.size(), 4u);
    EXPECT_EQ(back.tiles[0].name, "b"); // segment order: layer 0 first
    ASSERT_TRUE(
        writeMapFolder(second, back.tiles,
                       folderSave("", back.maxLayer, static_cast<std::int32_t>(back.tiles.size()) - 1))
            .ok);
    for (const char* f : {"0", "1", "2", "3", "_"}) EXPECT_EQ(readText(first + f), readText(second + f)) << f;
}

TEST(MapWriter, UnwritableFolderReportsFailureAndKeepsOldFiles) {
    TempDir dir;
    // A map folder that does not exist: nothing can be written, nothing is created.
    MapWriteResult r = writeMapFolder(dir / "absent/", {tile("a", 0, 0, 1)}, folderSave());
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.failedFiles.size(), 3u); // "0", "1" and "_"
    EXPECT_FALSE(std::filesystem::exists(dir / "absent"));
    EXPECT_FALSE(writeMapFile(dir / "absent/1", {}).ok);

    // Something in the way of one file (this also fails for root): the save is refused as a whole.
    const std::string blocked = dir / "blocked/";
    std::filesystem::create_directories(blocked + "_");
    r = writeMapFolder(blocked, {tile("a", 0, 0, 1)}, folderSave());
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.failedFiles, std::vector<std::string>{blocked + "_"});
    EXPECT_FALSE(std::filesystem::exists(blocked + "1"));
    EXPECT_FALSE(writeMapFile(blocked + "_", {}).ok);
    // Writes that run out of space and other faults that hold for root: WriterFaults_test.cpp.
}

// ---------------------------------------------------------------------------------------------
// tarn's readers
// ---------------------------------------------------------------------------------------------

TEST(MapReader, RecordOnAnotherLayerIsLoadedByTarn) {
    TempDir dir;
    writeText(dir / "0",
              "1\r\n2\r\nTILE\r\na\r\n9\r\n10.9\r\n-3.7\r\n32\r\n16\r\n1\r\nENGINETILEINFOEND\r\n");
    LoadedMap m;
    ASSERT_TRUE(readMapFolder(dir.path(), m, [](std::string_view) { return 42; }));
    ASSERT_EQ(m.tiles.size(), 1u);
    EXPECT_EQ(m.tiles[0].layer, 1);
    EXPECT_EQ(m.tiles[0].kind, 42); // found again by name; the kind number is dropped
    EXPECT_EQ(m.tiles[0].x, 10.0f); // read as integers
    EXPECT_EQ(m.tiles[0].y, -3.0f);
    EXPECT_EQ(m.maxLayer, 1);
    EXPECT_EQ(m.scrollX, 1);
    EXPECT_EQ(m.scrollY, 2);
}

TEST(MapReader, MissingSegmentsAreSkippedUpTo255) {
    TempDir dir;
    const std::string rec = "TILE\r\nt\r\n0\r\n0\r\n0\r\n1\r\n1\r\n";
    writeText(dir / "0", "0\r\n0\r\n" + rec + "0\r\nENGINETILEINFOEND\r\n");
    writeText(dir / "2", "0\r\n0\r\n" + rec + "2\r\nENGINETILEINFOEND\r\n");
    writeText(dir / "7", "4\r\n5\r\n" + rec + "7\r\nENGINETILEINFOEND\r\n");
    writeText(dir / "255", "0\r\n0\r\n" + rec + "255\r\nENGINETILEINFOEND\r\n");
    writeText(dir / "256", "0\r\n0\r\n" + rec + "256\r\nENGINETILEINFOEND\r\n");
    LoadedMap m;
    m.tiles.push_back(tile("stale", 0, 0, 0));
    ASSERT_TRUE(readMapFolder(dir.path(), m));
    ASSERT_EQ(m.tiles.size(), 4u);
    EXPECT_EQ(m.tiles[1].layer, 2);
    EXPECT_EQ(m.tiles[2].layer, 7);
    EXPECT_EQ(m.tiles[3].layer, 255);
    EXPECT_EQ(m.maxLayer, 255);
    EXPECT_EQ(m.scrollX, 0); // the last segment read sets the scroll position

    TempDir emptyDir;
    EXPECT_FALSE(readMapFolder(emptyDir.path(), m));
    EXPECT_TRUE(m.tiles.empty());
    EXPECT_FALSE(readMapFile(emptyDir / "none", m));
}
