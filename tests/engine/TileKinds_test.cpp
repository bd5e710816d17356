// Tile kinds of a map, the sound file list, the grid matrix and the object tables.
#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>
#include <utility>

#include "EngineTestKit.h"
#include "engine/EngineSetup.h"
#include "engine/TileKinds.h"

using namespace engine;

using kit::Harness;
using kit::TempDir;
using plat::test::Op;

TEST(TileListing, CutAtTheFirstExtensionSortedAndFoldersSkipped) {
    TempDir dir;
    dir.write("g/b.png", "x");
    dir.write("g/a.png", "x");
    dir.write("g/c.png.png", "x");  // the extension twice: cut at the first
    dir.write("g/.png", "x");       // only the extension: an empty name
    dir.write("g/d.pngold", "x");   // the pattern is *ext*: matched, cut before the extension
    dir.write("g/readme.txt", "x"); // no extension: not a tile
    dir.mkdir("g/e.png");           // a folder: no image
    EXPECT_EQ(listNamesWithExtension(dir.path() + "g/", ".png"),
              (std::vector<std::string>{"", "a", "b", "c", "d"}));
    EXPECT_TRUE(listNamesWithExtension(dir.path() + "missing/", ".png").empty());
    // No codec configured: whole names.
    EXPECT_EQ(listNamesWithExtension(dir.path() + "g/", "").size(), 6u);
}

namespace {

// A started engine on a world with tile images in the shared folder and maps listing them.
struct TileWorld {
    TempDir dir;
    Harness h;
    TileWorld() {
        kit::writeWorld(dir);
        dir.write("_DATA/2DGFX/grass.bmp", kit::bmp(16, 8));
        dir.write("_DATA/2DGFX/grass.dll", "worldFTileCollision\r\n1\r\nworldFTileIDString\r\nGRASS\r\n");
        dir.write("_DATA/2DGFX/wall.bmp", kit::bmp(32, 4));
        dir.write("_DATA/2DGFX/wall.dll", "worldFTileVELO\r\n2.5\r\n");
        dir.write("_DATA/2DGFX/.bmp", kit::bmp(2, 2));
        // Map 1 lists wall, grass and a kind whose image is missing from the shared folder.
        dir.write("MAPS/1/_DATA/2DGFX/wall.bmp", "listing only");
        dir.write("MAPS/1/_DATA/2DGFX/grass.bmp", "listing only");
        dir.write("MAPS/1/_DATA/2DGFX/ghost.bmp", "listing only");
        // Map 2 lists only wall.
        dir.write("MAPS/2/_DATA/2DGFX/wall.bmp", "");
        EXPECT_TRUE(h.start(dir.path()));
    }
    Biosim& e() { return *h.e; }
    void load(int map) {
        e().actualMapId = map;
        loadMapTiles(e());
    }
};

} // namespace

TEST(TileKinds, MapFolderGivesTheIdsSharedFolderTheImagesAndDna) {
    TileWorld w;
    w.load(1);
    Biosim& e = w.e();
    EXPECT_EQ(e.kinds.tileCount, 2);
    ASSERT_GE(e.kinds.tileNames.size(), 4u); // one spare entry
    EXPECT_EQ(e.kinds.tileNames[0], "ghost");
    EXPECT_EQ(e.kinds.tileNames[1], "grass");
    EXPECT_EQ(e.kinds.tileNames[2], "wall");
    EXPECT_EQ(e.kinds.tileSprites[0], 0); // no image in the shared folder
    EXPECT_NE(e.kinds.tileSprites[1], 0);
    EXPECT_EQ(e.kinds.tileWidths[1], 16.0f);
    EXPECT_EQ(e.kinds.tileHeights[2], 4.0f);
    EXPECT_EQ(e.kinds.lastTileId, 2);
    EXPECT_EQ(e.kinds.dnaTable[1].worldFTileCollision, 1);
    EXPECT_EQ(e.kinds.dnaTable[1].worldFTileIDString, "GRASS");
    EXPECT_EQ(e.kinds.dnaTable[1].name, "grass");
    EXPECT_FLOAT_EQ(e.kinds.dnaTable[2].worldFTileVELO, 2.5f);
    EXPECT_EQ(e.kinds.dnaTable[0].dnaPath, ""); // no image: no DNA read
    // The images come from the shared folder and get pure green as their transparent colour.
    const auto loads = w.h.gfx().callsOf(Op::Load);
    EXPECT_EQ(loads.back().text, w.dir.path() + "_DATA/2DGFX/wall.bmp");
    auto info = w.h.gfx().sprite(e.kinds.tileSprites[2]);
    ASSERT_TRUE(info.has_value());
    EXPECT_TRUE(info->hasTransparent);
    EXPECT_EQ(info->transparent, plat::rgb(0, 255, 0));
    EXPECT_EQ(findTileId(e, "wall"), 2);
    EXPECT_EQ(findTileId(e, "lava"), -1);
}

TEST(TileKinds, ASecondMapRestartsTheNamesAndFreesTheOldSprites) {
    TileWorld w;
    w.load(1);
    Biosim& e = w.e();
    const plat::SpriteId oldWall = e.kinds.tileSprites[2];
    const plat::SpriteId oldGrass = e.kinds.tileSprites[1];
    w.load(2);
    EXPECT_EQ(e.kinds.tileCount, 0);
    EXPECT_EQ(e.kinds.tileNames[0], "wall");
    EXPECT_EQ(e.kinds.tileNames[1], "grass"); // older entries stay in memory
    EXPECT_EQ(e.kinds.lastTileId, 0);
    EXPECT_EQ(e.kinds.tileSprites.size(), 1u);
    EXPECT_FALSE(w.h.gfx().isSprite(oldWall));
    EXPECT_FALSE(w.h.gfx().isSprite(oldGrass)); // dropped from the table: not kept loaded
    EXPECT_EQ(findTileId(e, "grass"), -1);
    EXPECT_EQ(findTileId(e, "wall"), 0);
}

TEST(TileKinds, MissingMapFolderKeepsLastTileIdAndLoadsNameZeroAgain) {
    TileWorld w;
    w.load(1);
    w.load(7);
    Biosim& e = w.e();
    EXPECT_EQ(e.kinds.tileCount, 0);
    // Tile id 0 is loaded again from the name the list still holds ("ghost": no image).
    EXPECT_EQ(e.kinds.tileSprites[0], 0);
    EXPECT_EQ(e.kinds.lastTileId, 2);
    EXPECT_EQ(findTileId(e, "wall"), -1); // never beyond this map's table
}

TEST(TileKinds, FileNamedOnlyByTheExtensionLoadsTheBareExtensionImage) {
    TileWorld w;
    w.dir.write("MAPS/3/_DATA/2DGFX/.bmp", "");
    w.load(3);
    EXPECT_EQ(w.e().kinds.tileNames[0], "");
    EXPECT_NE(w.e().kinds.tileSprites[0], 0);
    EXPECT_EQ(w.h.gfx().callsOf(Op::Load).back().text, w.dir.path() + "_DATA/2DGFX/.bmp");
    EXPECT_EQ(w.e().kinds.tileWidths[0], 2.0f);
}

TEST(TileKinds, SetTileCountKeepsSurvivingEntries) {
    TileWorld w;
    w.load(1);
    Biosim& e = w.e();
    const plat::SpriteId grass = e.kinds.tileSprites[1];
    setTileCount(e, 4);
    EXPECT_EQ(e.kinds.tileSprites.size(), 5u);
    EXPECT_EQ(e.kinds.dnaTable.size(), 5u);
    EXPECT_EQ(e.kinds.tileSprites[1], grass);
    EXPECT_EQ(e.kinds.dnaTable[1].worldFTileIDString, "GRASS");
    setTileCount(e, -3);
    EXPECT_EQ(e.kinds.tileCount, 0);
    EXPECT_EQ(e.kinds.tileSprites.size(), 1u);
}

TEST(SoundFiles, ListedFromTheSoundFolderIntoTheSoundTable) {
    TempDir dir;
    kit::writeWorld(dir);
    dir.write("SOUNDS/#L1.ogg", "");
    dir.write("SOUNDS/boom.ogg", "");
    dir.write("SOUNDS/notes.txt", "");
    Harness h;
    ASSERT_TRUE(h.start(dir.path()));
    EXPECT_EQ(h.e->soundFiles, (std::vector<std::string>{"#L1", "boom"}));
    EXPECT_EQ(h.e->soundCount, 1);
    EXPECT_EQ(h.e->soundTable[1].name, "boom");
    EXPECT_EQ(h.e->soundTable.size(), 257u);
}

TEST(SoundFiles, NoFolderGivesCountZero) {
    TempDir dir;
    kit::writeWorld(dir);
    Harness h;
    ASSERT_TRUE(h.start(dir.path()));
    EXPECT_TRUE(h.e->soundFiles.empty());
    EXPECT_EQ(h.e->soundCount, 0);
}

TEST(SoundFiles, MoreFilesThanTheTableHoldsAreCutWithAWarning) {
    TempDir dir;
    kit::writeWorld(dir, {{"WARNINGS", "CORE/w.txt"}});
    for (int i = 0; i < 260; ++i) dir.write("SOUNDS/s" + std::to_string(1000 + i) + ".ogg", "");
    Harness h;
    ASSERT_TRUE(h.start(dir.path()));
    EXPECT_EQ(h.e->soundCount, 256);
    EXPECT_NE(dir.read("CORE/w.txt").find("TOO MANY SOUND FILES"), std::string::npos);
}

TEST(GridMatrix, CellsScaledRoundedUpUpToMatrixSize) {
    TempDir dir;
    kit::writeWorld(dir, {{"GRIDSIZE", "10"}, {"MATRIXSIZE", "300"}});
    Harness h;
    ASSERT_TRUE(h.start(dir.path()));
    Biosim& e = *h.e;
    e.scalerX = 1.25f;
    e.scalerY = 0.5f;
    e.gridCell(3, 3).marker = 7;
    buildGridMatrix(e);
    EXPECT_EQ(e.gridCellWidth, 13.0f); // 12.5 rounded up
    EXPECT_EQ(e.gridCellHeight, 5.0f);
    EXPECT_EQ(e.gridCell(256, 256).x, 256.0f * 13.0f);
    EXPECT_EQ(e.gridCell(256, 256).y, 256.0f * 5.0f);
    EXPECT_EQ(e.gridCell(2, 7).width, 13.0f);
    EXPECT_EQ(e.gridCell(2, 7).height, 5.0f);
    EXPECT_EQ(e.gridCell(3, 3).marker, 7); // left alone
    // A second map load does not grow the cells again.
    buildGridMatrix(e);
    EXPECT_EQ(e.gridCellWidth, 13.0f);
}

TEST(GridMatrix, OnlyCellsUpToMatrixSizeAreSet) {
    TempDir dir;
    kit::writeWorld(dir, {{"GRIDSIZE", "32"}, {"MATRIXSIZE", "0"}});
    Harness h;
    ASSERT_TRUE(h.start(dir.path()));
    h.e->scalerX = h.e->scalerY = 1.0f;
    buildGridMatrix(*h.e);
    EXPECT_EQ(h.e->gridCell(0, 0).width, 32.0f);
    EXPECT_EQ(h.e->gridCell(0, 1).width, 0.0f);
    EXPECT_EQ(h.e->gridCell(1, 0).width, 0.0f);
}

TEST(ObjectTables, ThreeRecordsBeforeStartupThenMaxObjectsPlusOne) {
    plat::test::TestPlatform tp;
    Biosim fresh(tp);
    EXPECT_EQ(fresh.objectTable.size(), 3u);
    EXPECT_EQ(fresh.collisionList.size(), 3u);
    EXPECT_EQ(fresh.spawnTemplates.size(), 3u);

    TempDir dir;
    kit::writeWorld(dir, {{"MAXOBJECTS", "120"}});
    Harness h;
    ASSERT_TRUE(h.start(dir.path()));
    EXPECT_EQ(h.e->objectTable.size(), 121u);
    EXPECT_EQ(h.e->collisionList.size(), 121u);
    EXPECT_EQ(h.e->spawnTemplates.size(), 121u);
    EXPECT_EQ(h.e->level.collisionCount, 120);
    // New records are zero-filled and have no frame block.
    const WorldObject& o = h.e->objectTable[120];
    EXPECT_EQ(o.Sprite, 0);
    EXPECT_TRUE(o.ObjectFile.empty());
    EXPECT_EQ(o.anim, nullptr);
}

TEST(ObjectTables, AbsurdMaxObjectsIsLimitedWithAWarning) {
    TempDir dir;
    kit::writeWorld(dir, {{"MAXOBJECTS", "2000000000"}, {"WARNINGS", "CORE/w.txt"}});
    Harness h;
    EXPECT_EQ(h.e->maxObjectsLimit, 300000);
    h.e->maxObjectsLimit = 1000; // the same rule, without allocating the real limit in a test
    ASSERT_TRUE(h.start(dir.path()));
    EXPECT_EQ(h.e->objectTable.size(), 1001u);
    EXPECT_EQ(h.e->cfg.MAXOBJECTS, 1000);
    EXPECT_EQ(h.e->level.collisionCount, 1000);
    EXPECT_NE(dir.read("CORE/w.txt").find("MAXOBJECTS"), std::string::npos);
}

TEST(ObjectTables, ResetReleasesEveryResourceOfEveryRecord) {
    TempDir dir;
    kit::writeWorld(dir, {{"MAXOBJECTS", "4"}});
    Harness h;
    ASSERT_TRUE(h.start(dir.path()));
    Biosim& e = *h.e;
    auto& g = h.gfx();
    const int before = g.liveSprites();
    auto image = [&] { return g.grabSprite(0, 0, 4, 4, 4); };
    // Record 4 (the last, beyond objectCount) holds everything an object can hold.
    WorldObject& o = e.objectTable[4];
    o.Sprite = g.createDrawable(image());
    o.EffectImage = image();
    o.EffectSprite = g.createDrawable(o.EffectImage);
    o.ShadowImage = image();
    o.ShadowSprite = g.createDrawable(o.ShadowImage);
    AnimFrameBlock& a = o.animFrames();
    a.FrameImages[AnimLeft][3] = image();
    a.FrameSprites[AnimLeft][3] = g.createDrawable(a.FrameImages[AnimLeft][3]);
    a.FrameImages[AnimDown][31] = image();
    a.FrameSprites[AnimDown][31] = g.createDrawable(a.FrameImages[AnimDown][31]);
    e.level.objectCount = 2;
    e.level.collisionCount = 3;
    e.level.maxLayer = 5;
    o.ObjectFile = "kept";
    resetObjectTable(e);
    EXPECT_EQ(g.liveSprites(), before + 1); // Sprite's source image belongs to the tile table
    EXPECT_FALSE(g.isSprite(o.Sprite));
    EXPECT_FALSE(g.isSprite(o.EffectSprite));
    EXPECT_FALSE(g.isSprite(o.ShadowImage));
    EXPECT_FALSE(g.isSprite(a.FrameSprites[AnimDown][31]));
    EXPECT_FALSE(g.isSprite(a.FrameImages[AnimLeft][3]));
    EXPECT_EQ(o.ObjectFile, "kept"); // texts stay
    EXPECT_EQ(e.level.objectCount, 0);
    EXPECT_EQ(e.level.collisionCount, 0);
    EXPECT_EQ(e.level.maxLayer, 0);
}

TEST(ObjectTables, MemoryFollowsTheRecordsInUseNotMaxObjects) {
    auto residentKb = [] {
        long pages = 0, resident = 0;
        if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
            if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
            std::fclose(f);
        }
        return resident * (sysconf(_SC_PAGESIZE) / 1024);
    };
    TempDir dir;
    kit::writeWorld(dir, {{"MAXOBJECTS", "300000"}});
    Harness h;
    const long before = residentKb();
    ASSERT_TRUE(h.start(dir.path()));
    // Full-size tables of 300,001 records would take over 300 MB; untouched records cost nothing.
    EXPECT_LT(residentKb() - before, 32 * 1024);
    EXPECT_EQ(h.e->objectTable.size(), 300001u);
    EXPECT_EQ(h.e->spawnTemplates.size(), 300001u);
    // The last record is there to write and read back; records it did not touch read as fresh.
    h.e->objectTable[300000].ObjectFile = "last";
    EXPECT_EQ(std::as_const(*h.e).objectTable[300000].ObjectFile, "last");
    EXPECT_TRUE(std::as_const(*h.e).objectTable[150000].ObjectFile.empty());
    // A smaller table drops the records past its end: growing again gives fresh ones.
    h.e->objectTable.resize(299990);
    h.e->objectTable.resize(300001);
    EXPECT_TRUE(h.e->objectTable[300000].ObjectFile.empty());
}
