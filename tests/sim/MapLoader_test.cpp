// The map loader on real map folders: segments and layers, the "_" count, music, screen scaling,
// the unknown-tile warning, the DNA copy rules, capacity, templates and the grid markers.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "SimHarness.h"
#include "engine/MapLoader.h"
#include "engine/TileKinds.h"
#include "world/TileDna.h"

using namespace engine;

using simtest::Tile;
using simtest::World;

namespace {

void touch(const std::string& p) {
    std::filesystem::create_directories(std::filesystem::path(p).parent_path());
    std::ofstream(p) << "x";
}

} // namespace

TEST(MapLoader, SegmentZeroMissingLoadsNothingEvenWhenOneExists) {
    World w;
    w.kind("rock", {});
    w.segment(5, 1, {{"rock", 10, 10, 32, 32, 1}});
    w.load(5);
    EXPECT_EQ(w.e().actualMapId, 5);
    EXPECT_EQ(w.e().level.liveObjects, 0);
    EXPECT_EQ(w.e().level.objectCount, 0);
    EXPECT_EQ(w.e().mapMissing, 0); // the folder exists; only a missing folder sets it

    World m;
    m.load(77); // no folder at all
    EXPECT_EQ(m.e().mapMissing, 1);
    EXPECT_EQ(m.e().level.liveObjects, 0);
}

TEST(MapLoader, RecordOfAnotherLayerIsSkippedAndNotLoadedLater) {
    World w;
    w.kind("rock", {});
    w.segment(5, 0, {{"rock", 10, 10, 32, 32, 0}, {"rock", 50, 10, 32, 32, 1}});
    w.segment(5, 1, {{"rock", 90, 10, 32, 32, 1}});
    w.load(5);
    ASSERT_EQ(w.e().level.liveObjects, 2);
    EXPECT_EQ(w.obj(0).MapX, 10);
    EXPECT_EQ(w.obj(1).MapX, 90);
    EXPECT_EQ(w.obj(1).Layer, 1);
    EXPECT_EQ(w.e().level.maxLayer, 1);
    // Segment 2 missing ends the map; later segments are never read.
    w.segment(5, 3, {{"rock", 200, 10, 32, 32, 3}});
    w.load(6);
    w.load(5);
    EXPECT_EQ(w.e().level.liveObjects, 2);
}

TEST(MapLoader, TileCountAbove500StartsLoadingMusicAndLoadingSteps) {
    for (int count : {500, 501}) {
        World w;
        w.e().cfg.FILELOADMUSIC = "LOADING";
        w.e().cfg.LOADPIC = 1;
        touch(w.root() + "SOUNDS/LOADING.ogg");
        w.kind("rock", {});
        w.segment(5, 0, {{"rock", 10, 10}, {"rock", 40, 10}});
        w.tileCountFile(5, std::to_string(count) + "\r\n");
        w.load(5);
        EXPECT_EQ(w.e().mapTileCount, count);
        bool loopedLoadingMusic = false;
        for (const auto& c : w.tp().sound().calls())
            if (c.op == plat::test::SoundOp::Play && c.looped &&
                w.tp().sound().path(c.sound).find("LOADING.ogg") != std::string::npos)
                loopedLoadingMusic = true;
        EXPECT_EQ(loopedLoadingMusic, count == 501) << count;
        if (count == 501) {
            EXPECT_FLOAT_EQ(w.e().loadStep, 1024.0f / 501.0f);
            EXPECT_GT(w.e().loadProgress, 1.0f); // two loading steps advanced the bar
            EXPECT_FALSE(w.tp().sound().isPlaying(w.e().loadMusicSound)); // stopped after the load
        }
    }
}

TEST(MapLoader, MusicVolumeByMapIdAndWarningWhenMissing) {
    World w;
    touch(w.root() + "SOUNDS/#L999.ogg");
    touch(w.root() + "SOUNDS/#L1000.ogg");
    w.load(999);
    ASSERT_NE(w.e().levelMusicSound, -1);
    EXPECT_EQ(w.tp().sound().volume(w.e().levelMusicSound), 50);
    EXPECT_TRUE(w.tp().sound().looped(w.e().levelMusicSound));
    const int old = w.e().levelMusicSound;
    w.load(1000);
    EXPECT_EQ(w.tp().sound().volume(w.e().levelMusicSound), 100);
    EXPECT_FALSE(w.tp().sound().isSound(old)); // the previous music was released
    EXPECT_EQ(w.warnings(), "");
    w.load(7);
    EXPECT_EQ(w.e().levelMusicSound, -1);
    EXPECT_NE(w.warnings().find("COULD NOT FIND SOUND:SOUNDS/#L7.ogg\r\n"), std::string::npos);
}

TEST(MapLoader, AspectLetterboxOnWiderScreen) {
    World w;
    w.e().scrW = 1280;
    w.e().scrH = 800;
    w.kind("rock", {{"worldFTileVELO", "2"}, {"worldFTileGravity", "3"}});
    w.segment(5, 0, {{"rock", 100, 100, 32, 32}});
    w.load(5);
    Biosim& e = w.e();
    EXPECT_EQ(aspectText(e.sourceAspect), "1.33");
    EXPECT_FLOAT_EQ(e.aspectHeight, 800);
    EXPECT_FLOAT_EQ(e.aspectOffsetY, 0);
    EXPECT_FLOAT_EQ(e.scalerX, 1.25f);
    EXPECT_FLOAT_EQ(e.scalerY, 800.0f / 768.0f);
    const WorldObject& o = w.obj(0);
    EXPECT_EQ(o.MapX, 125);
    EXPECT_EQ(o.MapY, 105); // 104.17 rounded up
    EXPECT_EQ(o.Width, 40);
    EXPECT_EQ(o.Height, 34);
    EXPECT_EQ(o.StartY, o.MapY);
    EXPECT_EQ(o.OriginX, 100);
    EXPECT_EQ(o.ScaledWidth, 40);
    // Speeds are scaled twice per axis; the speed itself by the ratio of the factors.
    EXPECT_FLOAT_EQ(o.VelocityX, 2 * 1.25f * 1.25f);
    EXPECT_FLOAT_EQ(o.VelocityY, 2 * e.scalerY * e.scalerY);
    EXPECT_FLOAT_EQ(o.worldFTileVELO, 2 * (1.25f / e.scalerY));
    EXPECT_EQ(o.worldFTileGravity, 4); // 3 x 1.25 = 3.75
    const auto sprite = w.tp().graphics().sprite(o.Sprite);
    ASSERT_TRUE(sprite);
    EXPECT_EQ(sprite->zoomW, 40);
    EXPECT_EQ(sprite->zoomH, 34);
}

TEST(MapLoader, UnknownAspectUsesTheCorrectionBranch) {
    World w;
    w.e().srcScrW = 1000;
    w.e().srcScrH = 700; // 1.43
    w.kind("rock", {});
    w.segment(5, 0, {{"rock", 0, 0}});
    w.load(5);
    Biosim& e = w.e();
    EXPECT_EQ(aspectText(e.sourceAspect), "1.43");
    EXPECT_FLOAT_EQ(e.scalerY, 640.0f / 700.0f - (1024.0f / 768.0f - 1000.0f / 700.0f));
    EXPECT_FLOAT_EQ(e.aspectOffsetY, 700 - 768);
}

TEST(MapLoader, UnknownTileWarnsWithSegmentAndLineAndIsSkipped) {
    World w;
    w.kind("rock", {});
    w.segment(5, 0, {{"rock", 0, 0}, {"ghost", 10, 0}, {"rock", 20, 0}});
    w.load(5);
    EXPECT_EQ(w.e().level.liveObjects, 2);
    EXPECT_EQ(w.obj(1).MapX, 20);
    EXPECT_NE(
        w.warnings().find("ghost IS NOT PART OF THE GFXSYSTEM, ENTRY SKIPPED,\rMAP SEGMENT: MAPS/5/0\rAT "
                          "LINE: 14\r\n"),
        std::string::npos)
        << w.warnings();
    EXPECT_EQ(w.e().mapLineCounter, 21);
    EXPECT_EQ(w.e().lastObjectName, "rock");
}

TEST(MapLoader, HideOnStartRulesAndTheirTemplates) {
    World w;
    w.kind("ghost", {{"worldFTileTransparency", "200.6"}, {"worldFTileHideOnStart", "2"}});
    w.kind("shy", {{"worldFTileHideOnStart", "1"}, {"worldFTileIDString", "SHY"}});
    w.segment(5, 0, {{"ghost", 0, 0}, {"shy", 40, 0}});
    w.load(5);
    EXPECT_EQ(w.obj(0).worldFTileTransparency, 0);
    EXPECT_EQ(w.obj(0).TransparencyValue, 201);
    EXPECT_EQ(w.obj(0).Visible, 1);
    EXPECT_EQ(w.obj(1).Visible, 0);
    // Templates are taken before the rule.
    EXPECT_EQ(w.e().spawnTemplates[0].transparency, 201);
    EXPECT_EQ(w.e().spawnTemplates[1].Visible, 1);
    EXPECT_EQ(w.e().spawnTemplates[1].worldFTileIDString, "SHY");
}

TEST(MapLoader, EveryKeyTheTableCopiesOrConvertsReachesTheObject) {
    // One kind with a value for every key the loader takes over: a row the copy loop skips, or a
    // converted row without its code in the loader, leaves its object field at zero.
    World w;
    simtest::Dna dna;
    for (const world::TileDnaKey& row : world::tileDnaKeys())
        if (row.copy.rule == world::DnaCopy::Copied || row.copy.rule == world::DnaCopy::Converted)
            dna.push_back({std::string(row.name), row.asText ? "x" : "3"});
    ASSERT_GT(dna.size(), 40u);
    w.kind("all", dna);
    w.segment(5, 0, {{"all", 0, 0}});
    w.load(5);
    const WorldObject& o = w.obj(0);
    for (const world::TileDnaKey& row : world::tileDnaKeys()) {
        const world::DnaLanding& c = row.copy;
        if (c.toText) {
            EXPECT_EQ(o.*c.toText, "x") << row.name;
        }
        if (c.toInt) {
            EXPECT_NE(o.*c.toInt, 0) << row.name;
        }
        if (c.toByte) {
            EXPECT_EQ(o.*c.toByte, 3) << row.name;
        }
        if (c.toFloat) {
            EXPECT_NE(o.*c.toFloat, 0) << row.name;
        }
    }
}

TEST(MapLoader, OneObjectAndNoObjectBothGiveCountZero) {
    World w;
    w.kind("rock", {{"worldFTileCollision", "1"}});
    w.segment(5, 0, {{"rock", 3, 4}});
    w.load(5);
    EXPECT_EQ(w.e().level.objectCount, 0);
    EXPECT_EQ(w.e().level.collisionCount, 0);
    EXPECT_EQ(w.e().level.liveObjects, 1);
    EXPECT_EQ(w.obj(0).MapX, 3);
    EXPECT_EQ(w.e().collisionList[0], 0);
    w.segment(6, 0, {});
    w.load(6);
    EXPECT_EQ(w.e().level.objectCount, 0);
    EXPECT_EQ(w.e().level.liveObjects, 0);
    EXPECT_EQ(w.e().level.collisionEntries, 0);
}

TEST(MapLoader, CollisionListHoldsExactlyTheCollisionOneObjects) {
    World w;
    w.kind("a", {{"worldFTileCollision", "1"}});
    w.kind("b", {{"worldFTileCollision", "2"}});
    w.kind("c", {{"worldFTileCollision", "257"}}); // low 8 bits: 1
    w.segment(5, 0, {{"a", 0, 0}, {"b", 0, 0}, {"c", 0, 0}, {"a", 0, 0}});
    w.load(5);
    EXPECT_EQ(w.e().level.collisionCount, 2);
    EXPECT_EQ(w.e().collisionList[0], 0);
    EXPECT_EQ(w.e().collisionList[1], 2);
    EXPECT_EQ(w.e().collisionList[2], 3);
}

TEST(MapLoader, FullTableKeepsMadeObjectsAndWarnsOnce) {
    World w(1, 3); // capacity 4 objects
    w.kind("rock", {{"worldFTileCollision", "1"}});
    std::vector<Tile> tiles;
    for (int i = 0; i < 7; ++i) tiles.push_back({"rock", static_cast<float>(i * 10), 0});
    w.segment(5, 0, tiles);
    w.segment(5, 1, {{"rock", 0, 100, 32, 32, 1}});
    w.load(5);
    EXPECT_EQ(w.e().level.liveObjects, 4);
    EXPECT_EQ(w.e().level.objectCount, 3);
    EXPECT_EQ(w.e().level.collisionCount, 3);
    EXPECT_EQ(w.e().objectTable.size(), 4u);
    EXPECT_EQ(w.obj(3).MapX, 30);
    const std::string log = w.warnings();
    const auto first = log.find("MAP 5 HOLDS MORE TILES THAN MAXOBJECTS (3)");
    ASSERT_NE(first, std::string::npos) << log;
    EXPECT_EQ(log.find("MAXOBJECTS", first + 40), std::string::npos); // one warning only
    w.step(3);                                                        // the full world runs
}

TEST(MapLoader, ProjectilesAreResetOnlyFromThisMapsTemplates) {
    World w;
    // Map 1 places a BLUEFIRE kind with speed 9; map 2 has its own BLUEFIRE kind with speed 3.
    w.kind("oldfire",
           {{"worldFTileIDString", "BLUEFIRE"}, {"worldFTileVELO", "9"}, {"worldFTileMoveH", "1"}});
    w.kind("newfire", {{"worldFTileIDString", "BLUEFIRE"},
                       {"worldFTileVELO", "3"},
                       {"worldFTileMoveH", "1"},
                       {"worldFTileHideOnStart", "1"}});
    w.kind("gun", {{"useWeapon", "BLUEFIRE"}, {"worldFTileIDString", "GUN"}});
    w.segment(1, 0, {{"oldfire", 0, 0}, {"oldfire", 50, 0}});
    w.segment(2, 0, {{"gun", 100, 100}, {"newfire", 0, 0, 16, 8}});
    w.load(1);
    w.load(2);
    // The first shot ends at once: its on-screen flag is still the one of its fresh record.
    w.step(2);
    const WorldObject& shot = w.obj(1);
    EXPECT_EQ(shot.Visible, 1);
    EXPECT_EQ(shot.ownerIndex, 0);
    EXPECT_FLOAT_EQ(shot.VelocityX, 3);
    EXPECT_EQ(w.e().level.spawnTemplatePos, 2);
}

TEST(MapLoader, GridMarkersAndExtentsThatNeverShrink) {
    World w;
    w.e().cfg.GRIDSIZE = 32;
    w.e().matrixSize = 16;
    w.e().gridCell(0, 0).marker = 5;
    w.kind("wall", {{"worldFTileCollision", "12"}});
    w.kind("rock", {{"worldFTileCollision", "1"}});
    w.segment(5, 0,
              {{"wall", 40, 40, 64, 64},
               {"rock", 0, 0, 8, 8},
               {"rock", 900, 700, 100, 60},
               {"wall", 512, 256, 32, 32}});
    w.load(5);
    Biosim& e = w.e();
    EXPECT_EQ(e.gridCell(1, 1).marker, 12);
    EXPECT_EQ(e.gridCell(3, 1).marker, 12);
    EXPECT_EQ(e.gridCell(1, 3).marker, 12);
    EXPECT_EQ(e.gridCell(3, 3).marker, 0);
    EXPECT_EQ(e.gridCell(0, 0).marker, 0);
    // Cell 16, the highest in use, is marked; the corner in cell 17 lies outside the matrix.
    EXPECT_EQ(e.gridCell(16, 8).marker, 12);
    EXPECT_EQ(e.gridCell(16, 9).marker, 12);
    EXPECT_EQ(e.gridCell(17, 8).marker, 0);
    EXPECT_EQ(e.mapExtentX, 1000);
    EXPECT_EQ(e.mapExtentY, 760);
    w.segment(6, 0, {{"rock", 0, 0, 8, 8}});
    w.load(6);
    EXPECT_EQ(e.mapExtentX, 1000);
    EXPECT_EQ(e.mapExtentY, 760);
}

TEST(MapLoader, SecondLoadReleasesEverySpriteOfTheFirst) {
    World w;
    w.kind("rock", {});
    w.segment(5, 0, {{"rock", 0, 0}, {"rock", 40, 0}, {"rock", 80, 0}});
    w.load(5);
    const plat::SpriteId first = w.obj(0).Sprite;
    EXPECT_TRUE(w.tp().graphics().isSprite(first));
    w.load(5);
    EXPECT_FALSE(w.tp().graphics().isSprite(first));
    EXPECT_TRUE(w.tp().graphics().isSprite(w.obj(0).Sprite));
    // A fresh record for every object: nothing of the first load's run-time state stays.
    w.obj(0).rotationAngle = 2;
    w.load(5);
    EXPECT_EQ(w.obj(0).rotationAngle, 0);
    EXPECT_EQ(w.obj(0).ownerIndex, -1);
}

// Every object loads its own copy of its sound; a map switch frees them all, so switching back and
// forth never adds to the sounds held.
TEST(MapLoader, MapSwitchesFreeEveryObjectsSound) {
    World w;
    ASSERT_TRUE(support::writeFile(w.root() + "SOUNDS/ring.ogg", ""));
    buildSoundFileList(w.e());
    w.kind("bell", {{"worldFTileSoundFile", "ring"}});
    w.kind("rock", {{"worldFTileSoundFile", "NOPE"}});
    w.segment(1, 0, {{"bell", 0, 0}, {"rock", 40, 0}, {"bell", 80, 0}});
    w.segment(2, 0, {{"rock", 0, 0}});
    plat::test::TestSound& s = w.tp().sound();
    w.load(1);
    ASSERT_EQ(s.liveSounds(), 2);
    const plat::SoundId first = w.obj(0).SoundHandle;
    EXPECT_TRUE(s.isSound(first));
    EXPECT_NE(w.obj(2).SoundHandle, first);
    w.load(2);
    EXPECT_EQ(s.liveSounds(), 0);
    EXPECT_FALSE(s.isSound(first));
    for (int i = 0; i < 5; ++i) {
        w.load(1);
        w.load(1);
    }
    EXPECT_EQ(s.liveSounds(), 2);
}

TEST(MapLoader, CutRecordAndGarbageSurvive) {
    World w;
    w.kind("rock", {});
    w.segmentText(5, 0, "0\r\n0\r\nTILE\r\nrock\r\n0\r\n1\r\n2\r\n3\r\n4\r\n0\r\nTILE\r\nrock\r\n0\r\n7");
    w.listKinds(5, {"rock"});
    w.load(5);
    EXPECT_EQ(w.e().level.liveObjects, 1);
    w.segmentText(6, 0, "\xff\xfe\r\n\r\nTILE\r\n\r\nx\r\nnan\r\n-inf\r\n1e40\r\n-5\r\n0\r\n");
    w.listKinds(6, {"rock"});
    w.load(6);
    EXPECT_EQ(w.e().level.liveObjects, 0);
    w.step(2);
}

// Content faults a player would meet: a kind whose image is gone keeps no DNA of an earlier map,
// names that climb out of their folder are refused, and repeated map switches leak no sprite.
TEST(MapLoader, KindWithoutImageTakesNoDnaOfAnEarlierMapAndIsNamedInAWarning) {
    World w;
    w.kind("ghost", {{"worldFTileCollision", "1"}, {"worldFTileVELO", "3"}});
    w.segment(1, 0, {{"ghost", 0, 0}});
    w.load(1);
    ASSERT_EQ(w.e().kinds.dnaTable[0].worldFTileCollision, 1);
    // Map 2 lists a kind at the same tile id whose image does not exist.
    w.listKinds(2, {"haunt"});
    w.segment(2, 0, {{"haunt", 40, 40}});
    w.load(2);
    EXPECT_EQ(w.e().kinds.dnaTable[0].worldFTileCollision, 0);
    EXPECT_EQ(w.e().kinds.dnaTable[0].worldFTileVELO, 0);
    EXPECT_EQ(w.obj(0).worldFTileCollision, 0); // no invisible wall
    EXPECT_EQ(w.e().level.collisionCount, 0);
    EXPECT_NE(w.warnings().find("COULD NOT LOAD TILE IMAGE: _DATA/2DGFX/haunt.png"), std::string::npos)
        << w.warnings();
}

TEST(MapLoader, NamesThatLeaveTheirFolderAreRefusedWithOneWarningEach) {
    World w;
    // Images that exist outside their folders: a refused name must not reach them.
    touch(w.root() + "secret.png");
    w.kind("sneak", {{"animContainer", "../.."},
                     {"worldFTile_EFFECT_GFX", "../../secret"},
                     {"worldFTileUseShadow", "/etc/passwd"}});
    w.kind("fine", {{"worldFTile_EFFECT_GFX", "sub/glow"}});
    w.segment(1, 0, {{"sneak", 0, 0}, {"sneak", 40, 0}, {"fine", 80, 0}});
    w.load(1);
    const std::string log = w.warnings();
    for (const char* what :
         {"ANIMATION CONTAINER ../..", "EFFECT IMAGE ../../secret", "SHADOW IMAGE /etc/passwd"}) {
        const std::size_t at = log.find(what);
        ASSERT_NE(at, std::string::npos) << what << "\n" << log;
        EXPECT_EQ(log.find(what, at + 1), std::string::npos) << "warned twice: " << what;
    }
    EXPECT_EQ(log.find("sub/glow"), std::string::npos); // a name inside its folder is fine
    EXPECT_EQ(w.obj(0).animContainer, "");
    EXPECT_EQ(w.obj(0).HasEffect, 0);
    EXPECT_EQ(w.obj(1).HasShadow, 0);
}

// A shooter whose shot kind is not in the map would stay silent: the load says so, once per weapon.
TEST(MapLoader, WeaponWithoutItsShotInTheMapIsWarnedAbout) {
    World w;
    w.kind("gun", {{"useWeapon", "ZAP"}, {"worldFTileIDString", "GUN"}});
    w.kind("shot", {{"worldFTileIDString", "ZAP"}, {"worldFTileHideOnStart", "1"}});
    w.segment(1, 0, {{"gun", 0, 0}, {"gun", 40, 0}});
    w.segment(2, 0, {{"gun", 0, 0}, {"shot", 40, 0}});
    w.load(1);
    const std::string first = w.warnings();
    const std::size_t at = first.find("WEAPON ZAP HAS NO SHOT IN MAP 1");
    ASSERT_NE(at, std::string::npos) << first;
    EXPECT_EQ(first.find("WEAPON ZAP", at + 1), std::string::npos);
    w.load(2);
    EXPECT_EQ(w.warnings().find("NO SHOT IN MAP 2"), std::string::npos); // its shot is placed
}

TEST(MapLoader, FiftyMapSwitchesWithAnimatedObjectsLeakNoSprite) {
    World w;
    for (const char* dir : {"DEFAULT", "RIGHT", "LEFT"})
        for (int n = 1; n <= 3; ++n) {
            const std::string to = w.root() + "ANIMS/walk/" + dir + "/" + std::to_string(n) + ".png";
            std::filesystem::create_directories(std::filesystem::path(to).parent_path());
            std::filesystem::copy_file(std::string(BT_SOURCE_DIR) + "/demo/_DATA/2DGFX/walker.png", to);
        }
    w.kind("walker", {{"animContainer", "walk"},
                      {"animAutoPlay", "1"},
                      {"animTimer", "1"},
                      {"worldFTileMoveH", "1"},
                      {"worldFTileVELO", "1"},
                      {"worldFTileUseMoveLogic", "1"}});
    w.kind("rock", {});
    w.segment(1, 0, {{"walker", 10, 10}, {"walker", 100, 10}, {"rock", 200, 10}});
    w.segment(2, 0, {{"walker", 50, 50}, {"rock", 0, 0}});
    auto live = [&] { return w.tp().graphics().liveSprites(); };
    w.load(1);
    w.step(6);
    ASSERT_NE(w.obj(0).Sprite, w.obj(0).KindSprite); // the animation has replaced the drawn sprite
    w.load(2);
    w.step(6);
    const int settled = live();
    for (int i = 0; i < 24; ++i) {
        w.load(1);
        w.step(6);
        w.load(2);
        w.step(6);
    }
    EXPECT_EQ(live(), settled);
}
