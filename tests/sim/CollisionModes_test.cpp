// The engine's collision step (grid) against the all-pairs reference: a seeded world with every
// kind of mover, pusher, transporter, AI object, projectile, scroll and odd sizes runs 500 frames
// in both modes and must give identical worlds, frame for frame.
#include <gtest/gtest.h>

#include <random>

#include "SimHarness.h"
#include "platform/Keys.h"

using namespace engine;

using simtest::Tile;
using simtest::World;

namespace {

void makeKinds(World& w) {
    w.kind("walker", {{"worldFTileCollision", "1"},
                      {"worldFTileVELO", "2"},
                      {"worldFTileMoveH", "1"},
                      {"worldFTileMoveV", "1"},
                      {"worldFTileIDString", "WALKER"}});
    w.kind("wall", {{"worldFTileCollision", "1"}, {"worldFTileIDString", "WALL"}});
    w.kind("pusher", {{"worldFTileCollision", "2"},
                      {"worldFTileVELO", "3"},
                      {"worldFTileMoveH", "1"},
                      {"worldFTileMoveV", "-1"},
                      {"worldFTileUseMoveLogic", "23"},
                      {"worldFTileRandomMove", "6"}});
    w.kind("crate", {{"worldFTileCollision", "1"},
                     {"worldFTileTouchMove", "1"},
                     {"worldFTileRandomMove", "4"},
                     {"worldFTileTouchTransparency", "100"},
                     {"worldFTileTouchRotate", "1"},
                     {"worldFTileVELO", "1"},
                     {"worldFTileMoveV", "1"}});
    w.kind("ai", {{"worldFTileCollision", "1"},
                  {"AI", "1"},
                  {"worldFTileVELO", "2"},
                  {"worldFTileMoveH", "-1"},
                  {"worldFTileMoveV", "1"},
                  {"worldFTileIDString", "AIBOT"}});
    w.kind("left",
           {{"worldFTileCollision", "1"}, {"worldFTileTransport", "1"}, {"worldFTileIDString", "WALKLEFT"}});
    w.kind("right",
           {{"worldFTileCollision", "1"}, {"worldFTileTransport", "1"}, {"worldFTileIDString", "WALKRIGHT"}});
    w.kind("up",
           {{"worldFTileCollision", "1"}, {"worldFTileTransport", "1"}, {"worldFTileIDString", "WALKUP"}});
    w.kind("down",
           {{"worldFTileCollision", "1"}, {"worldFTileTransport", "1"}, {"worldFTileIDString", "WALKDOWN"}});
    w.kind("hero", {{"worldFTileCollision", "1"},
                    {"worldFTilePlayerID", "1"},
                    {"worldFTileUseKeyboard", "1"},
                    {"worldFTileVELO", "3"},
                    {"worldFTileIDString", "PLAYER"}});
    w.kind("gun", {{"useWeapon", "BLUEFIRE"}, {"worldFTileIDString", "GUN"}});
    w.kind("shot", {{"worldFTileCollision", "1"},
                    {"worldFTileVELO", "6"},
                    {"worldFTileMoveH", "1"},
                    {"worldFTileHideOnStart", "1"},
                    {"worldFTileRandomMove", "127"},
                    {"worldFTileIDString", "BLUEFIRE"}});
    w.kind("fly", {{"worldFTileCollision", "1"},
                   {"worldFTileVELO", "1"},
                   {"worldFTileMoveH", "-1"},
                   {"worldFTileMoveV", "-1"},
                   {"worldFTileFlire", "2"},
                   {"worldFTileRandomMove", "9"}});
    w.kind("chaser", {{"worldFTileCollision", "1"},
                      {"worldFTileVELO", "2"},
                      {"worldFTileMoveH", "1"},
                      {"worldFTileMoveV", "1"},
                      {"worldFTileFollowObject", "1"},
                      {"worldFTileFollow", "PLAYER"},
                      {"worldFTileRandomMove", "50"}});
    w.kind("gui", {{"worldFTileCollision", "1"}, {"worldFTileIsGUI", "1"}});
    w.kind("flat", {{"worldFTileCollision", "1"}, {"worldFTileVELO", "1"}, {"worldFTileMoveH", "1"}});
}

std::vector<Tile> makeMap() {
    std::mt19937 rng(1234);
    auto coord = [&](int lo, int hi) {
        return static_cast<float>(std::uniform_int_distribution<int>(lo, hi)(rng));
    };
    std::vector<Tile> t;
    t.push_back({"wall", -400, 700, 2000, 20}); // huge: wider than any cell range
    t.push_back({"wall", 0, 0, 1024, 16});
    t.push_back({"gui", 500, 20, 40, 40});
    t.push_back({"flat", 300, 300, 0, 32}); // zero width: a hit needs the other rectangle around it
    t.push_back({"flat", 340, 300, 32, 0});
    t.push_back({"shot", 0, 0, 12, 6});
    t.push_back({"gun", 60, 200, 30, 30});
    // Early in the list, so that most objects are tested after the world scrolled in a frame; near
    // the right edge, so that moving right scrolls.
    t.push_back({"hero", 800, 400, 32, 32});
    const char* movers[] = {"walker", "walker", "walker", "pusher", "crate",
                            "crate",  "ai",     "fly",    "chaser", "wall"};
    for (int i = 0; i < 300; ++i) {
        const char* k = movers[i % 10];
        const float size = coord(8, 40);
        t.push_back({k, coord(-100, 1100), coord(-60, 800), size, coord(8, 40)});
    }
    for (int i = 0; i < 24; ++i) {
        const char* belts[] = {"left", "right", "up", "down"};
        t.push_back({belts[i % 4], coord(0, 1000), coord(0, 740), 48, 48});
    }
    t.push_back({"shot", 0, 0, 12, 6});
    return t;
}

void script(World& w, int frame) {
    auto& in = w.tp().input();
    const int phase = (frame / 40) % 6;
    in.releaseAll();
    if (phase == 0) in.press(plat::key::Right);
    if (phase == 1) in.press(plat::key::Down);
    if (phase == 2) {
        in.press(plat::key::Left);
        in.press(plat::key::Up);
    }
    if (phase == 4) in.press(plat::key::Right);
}

} // namespace

TEST(CollisionModes, GridAndReferenceGiveIdenticalWorldsFor500Frames) {
    World ref(99, 2000), fast(99, 2000);
    ref.e().sim.collisionMode = CollisionMode::Reference;
    fast.e().sim.collisionMode = CollisionMode::Grid;
    for (World* w : {&ref, &fast}) {
        w->e().cfg.DYNAMICSCROLL = 1;
        makeKinds(*w);
        w->segment(5, 0, makeMap());
        w->load(5);
    }
    ASSERT_GT(ref.e().level.liveObjects, 300);
    ASSERT_EQ(simtest::dumpWorld(ref.e()), simtest::dumpWorld(fast.e()));
    for (int f = 0; f < 500; ++f) {
        script(ref, f);
        script(fast, f);
        ref.step(1);
        fast.step(1);
        ASSERT_EQ(ref.e().sim.hits, fast.e().sim.hits) << "frame " << f;
        if (f % 25 == 24) {
            ASSERT_EQ(simtest::dumpWorld(ref.e()), simtest::dumpWorld(fast.e())) << "frame " << f;
        }
    }
    EXPECT_EQ(simtest::dumpWorld(ref.e()), simtest::dumpWorld(fast.e()));
    // The world really collided, scrolled and shot.
    EXPECT_GT(ref.e().sim.hits, 2000);
    EXPECT_NE(ref.obj(1).MapX, 0.0f) << "the world never scrolled";
    EXPECT_EQ(ref.obj(2).MapX, 500); // the GUI object stays
}

TEST(CollisionModes, ListNamingAnObjectTwiceFallsBackToTheSameHits) {
    World ref(5, 2000), fast(5, 2000);
    ref.e().sim.collisionMode = CollisionMode::Reference;
    for (World* w : {&ref, &fast}) {
        makeKinds(*w);
        w->segment(5, 0, makeMap());
        w->load(5);
        // A hand-made list: position 3 names the object of position 0 again.
        w->e().collisionList[3] = w->e().collisionList[0];
    }
    for (int f = 0; f < 60; ++f) {
        ref.step(1);
        fast.step(1);
    }
    EXPECT_TRUE(fast.e().sim.grid.unusable);
    EXPECT_EQ(ref.e().sim.hits, fast.e().sim.hits);
    EXPECT_EQ(simtest::dumpWorld(ref.e()), simtest::dumpWorld(fast.e()));
}

// The grid's query counter wraps around (every list position then holds a stamp equal to the first
// id after the wrap) and the list holds entries that name no object: the grid must still see every
// hit the reference loop sees.
TEST(CollisionModes, CounterWrapAndEntriesNamingNoObjectKeepEveryHit) {
    World ref(3, 50), fast(3, 50);
    ref.e().sim.collisionMode = CollisionMode::Reference;
    fast.e().sim.collisionMode = CollisionMode::Grid;
    for (World* w : {&ref, &fast}) {
        // The walker (tested first) bounces between two walls.
        w->kind("walker", {{"worldFTileCollision", "1"}, {"worldFTileVELO", "2"}, {"worldFTileMoveH", "1"}});
        w->kind("wall", {{"worldFTileCollision", "1"}});
        w->segment(5, 0,
                   {{"walker", 100, 100, 32, 32}, {"wall", 70, 60, 16, 120}, {"wall", 160, 60, 16, 120}});
        w->load(5);
        w->step(1);
        auto& list = w->e().collisionList;
        ASSERT_GE(list.size(), 6u);
        list[3] = -5;
        list[4] = 100000000;
        w->e().level.collisionEntries = std::max(w->e().level.collisionEntries, 5);
        w->e().level.collisionCount = std::max(w->e().level.collisionCount, 4);
    }
    for (int f = 0; f < 60; ++f) {
        CollisionGrid& g = fast.e().sim.grid;
        g.queryId = 0xFFFFFFFFu;
        std::fill(g.stamp.begin(), g.stamp.end(), 1u);
        ref.step(1);
        fast.step(1);
        ASSERT_EQ(ref.e().sim.hits, fast.e().sim.hits) << "frame " << f;
    }
    EXPECT_FALSE(fast.e().sim.grid.unusable);
    EXPECT_GT(ref.e().sim.hits, 5) << "the walker never reached a wall";
    EXPECT_EQ(simtest::dumpWorld(ref.e()), simtest::dumpWorld(fast.e()));
}
