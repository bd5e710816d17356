// The world frame through the recording test backend: draw order, blending pairs, mirrors,
// overview, stretch, shadows and effects, the frame-rate sampler, pause, after-image.
#include <gtest/gtest.h>

#include <filesystem>

#include "SimHarness.h"
#include "sim/WorldFrame.h"

using namespace engine;
using namespace sim;

using plat::test::Call;
using plat::test::Op;
using simtest::World;

namespace {

// The draw calls of the last world frame (the test never flips, so: since the last clearCalls).
std::vector<Call> drawsOf(World& w) {
    return w.tp().graphics().draws();
}

} // namespace

TEST(WorldFrame, DrawsInIndexOrderWithEachObjectsBlendingPair) {
    World w;
    w.kind("plain", {});
    w.kind("add", {{"postEFFECT", "5x2"}});
    w.kind("keep", {{"postEFFECT", "0x6"}});
    w.kind("half", {{"postEFFECT", "5x"}});
    w.kind("mul", {{"postEFFECT", "9x1"}, {"worldFTileTransparency", "180"}, {"worldFTileFadeIn", "20.5"}});
    w.segment(5, 0,
              {{"plain", 10, 10}, {"add", 20, 20}, {"keep", 30, 30}, {"half", 40, 40}, {"mul", 50, 50}});
    w.load(5);
    w.tp().graphics().clearCalls();
    w.step(1);
    const auto draws = drawsOf(w);
    ASSERT_EQ(draws.size(), 5u);
    const int pairs[5][2] = {{5, 6}, {5, 2}, {5, 2}, {5, 2}, {9, 1}};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(draws[i].sprite, w.obj(i).Sprite) << i;
        EXPECT_EQ(draws[i].x, 10 + 10 * i);
        EXPECT_EQ(draws[i].blendSrc, pairs[i][0]) << i;
        EXPECT_EQ(draws[i].blendDst, pairs[i][1]) << i;
    }
    EXPECT_EQ(draws[0].alpha, 255);
    EXPECT_EQ(draws[4].alpha, 160); // nearest(180 - 20.5): halves go to even
}

TEST(WorldFrame, MirrorGrabsBelowItselfAndDrawsWithThePairLeftByTheLastObject) {
    World w;
    w.kind("mirror", {{"worldFTileIsMirror", "150"}, {"worldFTileMirrorAt", "DOWN"}});
    w.kind("glow", {{"postEFFECT", "5x2"}});
    w.segment(5, 0, {{"mirror", 100, 50, 80, 40}, {"glow", 300, 300}});
    w.load(5);
    w.step(1); // first frame: flags settle
    w.tp().graphics().clearCalls();
    w.step(1);
    const auto& calls = w.tp().graphics().calls();
    std::vector<Call> draws, grabs;
    for (const Call& c : calls) {
        if (c.op == Op::Draw) draws.push_back(c);
        if (c.op == Op::Grab) grabs.push_back(c);
    }
    // The mirror object itself is not drawn; the glow is, then the mirror image.
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(draws[0].sprite, w.obj(1).Sprite);
    ASSERT_EQ(grabs.size(), 1u);
    EXPECT_EQ(grabs[0].x, 100);
    EXPECT_EQ(grabs[0].y, 90);
    EXPECT_EQ(grabs[0].w, 80);
    EXPECT_EQ(grabs[0].h, 48);
    EXPECT_EQ(grabs[0].mode, 4);
    EXPECT_EQ(draws[1].sprite, w.e().sim.mirrorSprite);
    EXPECT_EQ(draws[1].x, 100);
    EXPECT_EQ(draws[1].y, 50);
    EXPECT_EQ(draws[1].w, 80);
    EXPECT_EQ(draws[1].h, 40);
    EXPECT_EQ(draws[1].alpha, 150);
    EXPECT_EQ(draws[1].blendSrc, 5);
    EXPECT_EQ(draws[1].blendDst, 2);
    const auto grab = w.tp().graphics().sprite(w.e().sim.mirrorGrabSprite);
    ASSERT_TRUE(grab);
    EXPECT_TRUE(grab->hasTransparent);
    EXPECT_EQ(grab->transparent, plat::rgb(255, 255, 255));
    // Each frame's grab and image replace the last ones: no sprite piles up.
    const int live = w.tp().graphics().liveSprites();
    w.step(5);
    EXPECT_EQ(w.tp().graphics().liveSprites(), live);

    // F10's switch hides mirror images; an unknown side draws nothing.
    w.e().mirrorsHidden = 1;
    w.tp().graphics().clearCalls();
    w.step(1);
    EXPECT_EQ(drawsOf(w).size(), 1u);
    w.e().mirrorsHidden = 0;
    w.obj(0).worldFTileMirrorAt = "down";
    w.tp().graphics().clearCalls();
    w.step(1);
    EXPECT_EQ(drawsOf(w).size(), 1u);
}

TEST(WorldFrame, MirrorRectanglesOfTheFiveSides) {
    World w;
    w.kind("m", {{"worldFTileIsMirror", "1"}});
    w.segment(5, 0, {{"m", 100, 200, 50, 20}});
    w.load(5);
    w.e().level.scrollX = 10;
    w.e().level.scrollY = -5;
    w.step(1);
    struct Case {
        const char* at;
        float x, y, wd, ht;
    } cases[] = {{"LEFT", 60, 195, 60, 20},
                 {"RIGHT", 160, 195, 60, 20},
                 {"TOP", 110, 175, 50, 24},
                 {"DOWN", 110, 215, 50, 24},
                 {"FLOOR", 110, 195, 55, 22}};
    for (const Case& c : cases) {
        w.obj(0).worldFTileMirrorAt = c.at;
        w.tp().graphics().clearCalls();
        drawMirror(w.e(), 0);
        const auto grabs = w.tp().graphics().callsOf(Op::Grab);
        ASSERT_EQ(grabs.size(), 1u) << c.at;
        EXPECT_EQ(grabs[0].x, c.x) << c.at;
        EXPECT_EQ(grabs[0].y, c.y) << c.at;
        EXPECT_EQ(grabs[0].w, c.wd) << c.at;
        EXPECT_EQ(grabs[0].h, c.ht) << c.at;
        const auto draws = w.tp().graphics().draws();
        ASSERT_EQ(draws.size(), 1u);
        EXPECT_EQ(draws[0].x, 110);
        EXPECT_EQ(draws[0].y, 195);
    }
}

TEST(WorldFrame, ShadowAndEffectUnderGlobalFx) {
    World w;
    std::filesystem::create_directories(w.root() + "_DATA/FX");
    std::filesystem::copy_file(std::string(BT_SOURCE_DIR) + "/demo/_DATA/FX/shadow.png",
                               w.root() + "_DATA/FX/sh.png");
    std::filesystem::copy_file(std::string(BT_SOURCE_DIR) + "/demo/_DATA/FX/shadow.png",
                               w.root() + "_DATA/FX/fx.png");
    w.kind("hero", {{"worldFTileUseShadow", "sh"}, {"worldFTile_EFFECT_GFX", "fx"}});
    w.kind("next", {});
    w.segment(5, 0, {{"hero", 10.4f, 20.6f, 40, 30}, {"next", 0, 0}});
    w.e().cfg.GLOBAL_GFX_FX = 1;
    w.load(5);
    ASSERT_EQ(w.obj(0).HasShadow, 1);
    ASSERT_EQ(w.obj(0).HasEffect, 1);
    w.tp().graphics().clearCalls();
    w.step(1);
    auto draws = drawsOf(w);
    ASSERT_EQ(draws.size(), 4u);
    EXPECT_EQ(draws[0].sprite, w.obj(0).ShadowSprite);
    EXPECT_EQ(draws[0].alpha, 100);
    EXPECT_EQ(draws[0].x, 11); // positions are rounded up by the loader's scaling, then drawn
    EXPECT_EQ(draws[1].sprite, w.obj(0).Sprite);
    EXPECT_EQ(draws[2].sprite, w.obj(0).EffectSprite);
    EXPECT_EQ(draws[2].blendSrc, 3);
    EXPECT_EQ(draws[2].blendDst, 5);
    EXPECT_EQ(draws[2].alpha, 255);
    EXPECT_EQ(draws[3].blendSrc, 5); // the next object sets its own pair again
    EXPECT_EQ(draws[3].blendDst, 6);

    w.e().cfg.GLOBAL_GFX_FX = 0;
    w.tp().graphics().clearCalls();
    w.step(1);
    EXPECT_EQ(drawsOf(w).size(), 2u);
}

TEST(WorldFrame, StretchedBackgroundAlwaysDrawnAtOriginAndNoClear) {
    World w;
    w.kind("bg", {{"worldFStretch", "1"}});
    w.kind("rock", {});
    w.segment(5, 0, {{"bg", 5000, 5000, 64, 48}, {"rock", 10, 10}});
    w.load(5);
    EXPECT_EQ(w.e().clearScreenNeeded, 0);
    const auto bg = w.tp().graphics().sprite(w.obj(0).Sprite);
    EXPECT_EQ(bg->zoomW, 1024);
    EXPECT_EQ(bg->zoomH, 768);
    w.tp().graphics().clearCalls();
    w.step(1);
    EXPECT_EQ(w.tp().graphics().count(Op::Clear), 0u);
    const auto draws = drawsOf(w);
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(draws[0].x, 0);
    EXPECT_EQ(draws[0].y, 0);
    EXPECT_EQ(w.obj(0).IsInScreen, 0); // off screen, still drawn

    World c;
    c.kind("rock", {});
    c.segment(5, 0, {{"rock", 10, 10}});
    c.load(5);
    c.tp().graphics().clearCalls();
    c.step(1);
    const auto clears = c.tp().graphics().callsOf(Op::Clear);
    ASSERT_EQ(clears.size(), 1u);
    EXPECT_EQ(clears[0].colour, plat::rgb(1, 1, 1));
}

TEST(WorldFrame, OverviewDrawsActiveObjectsScaledAndSkipsThePostPass) {
    World w;
    w.kind("rock", {{"worldFTileLifeTime", "5"}, {"worldFTileTimerMS", "10"}});
    w.kind("hidden", {{"worldFTileHideOnStart", "1"}});
    w.kind("m", {{"worldFTileIsMirror", "100"}, {"worldFTileMirrorAt", "FLOOR"}});
    w.segment(5, 0, {{"rock", 500, 300}, {"hidden", 10, 10}, {"m", 5000, 5000}});
    w.load(5);
    w.step(1);
    w.e().mapOverview = 1;
    w.e().overviewScaleX = 0.1f;
    w.e().overviewScaleY = 0.1f;
    const int life = w.obj(0).worldFTileLifeTime;
    w.tp().graphics().clearCalls();
    w.step(3);
    const auto draws = drawsOf(w);
    ASSERT_EQ(draws.size(), 6u); // rock and the mirror object, three frames; never the hidden one
    EXPECT_EQ(draws[0].x, 50);
    EXPECT_EQ(draws[0].y, 30);
    EXPECT_EQ(draws[1].x, 500);
    EXPECT_EQ(w.tp().graphics().count(Op::Grab), 0u);
    EXPECT_EQ(w.tp().graphics().count(Op::Clear), 6u); // two clears per frame
    EXPECT_EQ(w.obj(0).worldFTileLifeTime, life);
}

TEST(WorldFrame, FrameRateSamplerLowersTheSleepBelowFiftyFrames) {
    World w;
    w.kind("rock", {});
    w.segment(5, 0, {{"rock", 10, 10}});
    w.load(5);
    w.e().multitaskDelayMs = 3;
    w.step(49 * 3, 1000 / 49 + 1); // about 47 frames per second for three seconds
    EXPECT_LE(w.e().multitaskDelayMs, 1);
    w.step(49 * 4, 21);
    EXPECT_EQ(w.e().multitaskDelayMs, 0); // never below 0

    World f;
    f.kind("rock", {});
    f.segment(5, 0, {{"rock", 10, 10}});
    f.load(5);
    f.e().multitaskDelayMs = 3;
    f.step(60 * 4, 16);                   // 62 frames per second
    EXPECT_EQ(f.e().multitaskDelayMs, 2); // only the very first sample (a partial second) lowers it
}

TEST(WorldFrame, PausedWorldStillResetsFlagsButNeitherMovesNorAges) {
    World w;
    w.kind("walker", {{"worldFTileVELO", "2"},
                      {"worldFTileMoveH", "1"},
                      {"worldFTileTouchTransparency", "40"},
                      {"worldFTileTransparency", "220"},
                      {"worldFTileLifeTime", "9"},
                      {"worldFTileTimerMS", "10"}});
    w.segment(5, 0, {{"walker", 300, 300}});
    w.load(5);
    w.step(1);
    w.e().pauseFlag = 1;
    WorldObject& o = w.obj(0);
    const float x = o.MapX;
    const int life = o.worldFTileLifeTime;
    o.canMoveH = 0;
    o.worldFTileTransparency = 40;
    w.tp().graphics().clearCalls();
    w.step(5);
    EXPECT_EQ(o.MapX, x);
    EXPECT_EQ(o.worldFTileLifeTime, life);
    EXPECT_EQ(o.canMoveH, 1);
    EXPECT_EQ(o.worldFTileTransparency, 220);
    EXPECT_EQ(drawsOf(w).size(), 5u);
}

TEST(WorldFrame, AfterImageByBloom) {
    struct Case {
        int bloom, map, src, dst;
        bool drawn;
    } cases[] = {{1, 5, 5, 2, true}, {0, 5, 5, 6, true}, {1, 1000, 5, 6, true}, {2, 5, 0, 0, false}};
    for (const Case& c : cases) {
        World w;
        w.kind("rock", {});
        w.segment(c.map, 0, {{"rock", 10, 10}});
        w.e().cfg.APPSMOOTH = 1;
        w.e().cfg.BLOOM = static_cast<std::int8_t>(c.bloom);
        w.load(c.map);
        w.tp().graphics().clearCalls();
        w.step(1);
        const auto draws = drawsOf(w);
        ASSERT_EQ(draws.size(), c.drawn ? 2u : 1u) << c.bloom << " " << c.map;
        if (!c.drawn) continue;
        EXPECT_EQ(draws[1].sprite, w.e().sim.smoothSprite);
        EXPECT_EQ(draws[1].alpha, 150);
        EXPECT_EQ(draws[1].blendSrc, c.src);
        EXPECT_EQ(draws[1].blendDst, c.dst);
        EXPECT_EQ(draws[1].quality, 1);
        EXPECT_EQ(w.tp().graphics().quality(), 0);
        const auto grabs = w.tp().graphics().callsOf(Op::Grab);
        ASSERT_EQ(grabs.size(), 1u);
        EXPECT_EQ(grabs[0].mode, 5);
        EXPECT_EQ(grabs[0].w, 1024);
    }
}

TEST(WorldFrame, PictureInPictureIsAQuarterOfTheGrab) {
    World w;
    w.kind("rock", {});
    w.segment(5, 0, {{"rock", 10, 10}});
    w.e().cfg.PIP = 1;
    w.load(5);
    w.tp().graphics().clearCalls();
    w.step(1);
    const auto grabs = w.tp().graphics().callsOf(Op::Grab);
    ASSERT_EQ(grabs.size(), 1u);
    EXPECT_EQ(grabs[0].w, 922); // 1024 x 0.9
    EXPECT_EQ(grabs[0].h, 690); // (768 - 1) x 0.9
    const auto draws = drawsOf(w);
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(draws[1].x, 1);
    EXPECT_EQ(draws[1].alpha, 200);
    EXPECT_FLOAT_EQ(draws[1].w, 922 / 4.0f);
}

TEST(WorldFrame, EmptyWorldRunsNoObjectUpdate) {
    World w;
    w.segment(1001, 0, {});
    w.load(1001);
    w.step(400); // 6.4 s, well past the switch time
    EXPECT_EQ(w.e().nextMapId, 1001);
    EXPECT_EQ(w.tp().graphics().count(Op::Draw), 0u);
}
