// Object update, movement, player control, collision, following, actions and title screens.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <tuple>

#include "SimHarness.h"
#include "platform/Keys.h"
#include "sim/Collision.h"
#include "sim/Following.h"
#include "sim/ObjectUpdate.h"

using namespace engine;
using namespace sim;

using simtest::World;

// ---- visibility, flicker, life time, weapons ----------------------------------------------------

TEST(ObjectUpdate, EdgeTouchingTheScreenCountsAsOnScreen) {
    World w;
    WorldObject o;
    o.Width = 32;
    o.Height = 32;
    o.MapX = -32; // x + w + scrollX = 0
    visibilityTest(w.e(), o);
    EXPECT_EQ(o.IsInScreen, 1);
    EXPECT_EQ(o.mirrorVisible, 1);
    o.MapX = -32.5f;
    visibilityTest(w.e(), o);
    EXPECT_EQ(o.IsInScreen, 0);
    o.MapX = 1024; // x + scrollX = desktopWidth
    visibilityTest(w.e(), o);
    EXPECT_EQ(o.IsInScreen, 1);
    w.e().level.scrollY = -800; // the scroll offset shifts the test
    visibilityTest(w.e(), o);
    EXPECT_EQ(o.IsInScreen, 0);
}

TEST(ObjectUpdate, FlickerHidesAboutOneFrameInRangePlusOne) {
    for (auto [flire, low, high] : {std::tuple{1, 0.42, 0.58}, std::tuple{9, 0.06, 0.14}}) {
        World w(7);
        w.kind("fly", {{"worldFTileFlire", std::to_string(flire)}});
        w.segment(5, 0, {{"fly", 100, 100}});
        w.load(5);
        int hidden = 0;
        const int frames = 3000;
        for (int f = 0; f < frames; ++f) {
            w.step(1);
            if (w.obj(0).Visible == -1) ++hidden;
            EXPECT_NE(w.obj(0).Visible, 0);
        }
        const double share = static_cast<double>(hidden) / frames;
        EXPECT_GT(share, low) << flire;
        EXPECT_LT(share, high) << flire;
    }
}

TEST(ObjectUpdate, EffectObjectsPlacedOnScreenLiveAndThoseOffScreenEnd) {
    World w;
    w.kind("fly", {{"worldFTileIDString", "GREENFIREFLY"}});
    w.kind("defly", {{"worldFTileIDString", "DEFLY"}});
    w.segment(5, 0, {{"fly", 100, 100}, {"defly", 200, 100}, {"fly", 2000, 100}});
    w.load(5);
    w.step(3);
    EXPECT_EQ(w.obj(0).Visible, 1);
    EXPECT_EQ(w.obj(1).Visible, 1);
    EXPECT_EQ(w.obj(2).Visible, 0);
    w.obj(1).MapX = -300; // leaves the screen: tested this frame, ended the next
    w.step(1);
    EXPECT_EQ(w.obj(1).Visible, 1);
    w.step(1);
    EXPECT_EQ(w.obj(1).Visible, 0);
}

TEST(ObjectUpdate, LifeTimeOfThreeAtHundredMsEndsAfterAbout400Ms) {
    World w;
    w.kind("fly", {{"worldFTileLifeTime", "3"}, {"worldFTileTimerMS", "100"}});
    w.segment(5, 0, {{"fly", 100, 100}});
    w.tp().clock().set(5000);
    w.load(5);
    int endedAt = -1;
    for (int t = 0; t < 1000 && endedAt < 0; t += 10) {
        w.step(1, 10);
        if (w.obj(0).Visible == 0) endedAt = t;
    }
    EXPECT_GE(endedAt, 380);
    EXPECT_LE(endedAt, 440);
    EXPECT_EQ(w.obj(0).worldFTileLifeTime, 0);
}

TEST(ObjectUpdate, ShooterFiresFreeProjectileThatEndsOffScreenAndIsReused) {
    World w;
    w.kind("gun", {{"useWeapon", "BLUEFIRE"}, {"worldFTileIDString", "GUN"}});
    w.kind("shot", {{"worldFTileIDString", "BLUEFIRE"},
                    {"worldFTileVELO", "50"},
                    {"worldFTileMoveH", "1"},
                    {"worldFTileRandomMove", "127"},
                    {"worldFTileHideOnStart", "1"}});
    w.kind("seed", {{"useWeapon", "SEED"}, {"worldFTileIDString", "TREE"}});
    w.kind("seedling", {{"worldFTileIDString", "SEED"}, {"worldFTileHideOnStart", "1"}});
    w.segment(
        5, 0,
        {{"shot", 0, 0, 16, 8}, {"gun", 100, 200, 40, 30}, {"seed", 500, 500, 40, 30}, {"seedling", 0, 0}});
    w.load(5);
    w.step(2); // a projectile's first flight after placing ends at once (its flag is stale)
    WorldObject& shot = w.obj(0);
    WorldObject& gun = w.obj(1);
    EXPECT_EQ(gun.shotInFlight, 1);
    EXPECT_EQ(shot.ownerIndex, 1);
    EXPECT_EQ(shot.Visible, 1);
    // BLUEFIRE starts at the shooter's bottom-right corner; other kinds at its centre.
    EXPECT_EQ(w.obj(3).MapX, 520);
    EXPECT_EQ(w.obj(3).MapY, 515);
    EXPECT_EQ(shot.MapX, 140 + 50); // placed at 140, then its own move
    EXPECT_EQ(shot.MapY, 230);
    // Fly until off screen; the next frames end it and the gun, free again, fires it anew.
    int frames = 0;
    while (shot.IsInScreen != 0 && frames < 1000) {
        w.step(1);
        ++frames;
    }
    ASSERT_LT(frames, 1000);
    EXPECT_TRUE(shot.MapX > 1024 || shot.MapX < -16);
    w.step(1);
    EXPECT_EQ(shot.MapX, 140); // ended at the start of its update, fired again by the gun
    EXPECT_EQ(gun.shotInFlight, 1);
    w.step(2);
    EXPECT_EQ(shot.Visible, 1);
    EXPECT_LT(shot.MapX, 400);
}

// ---- movement and player control -----------------------------------------------------------------

TEST(Movement, LeftAndRightTogetherMoveRight) {
    World w;
    w.kind("hero", {{"worldFTilePlayerID", "1"}, {"worldFTileUseKeyboard", "1"}, {"worldFTileVELO", "3"}});
    w.segment(5, 0, {{"hero", 300, 300}});
    w.load(5);
    w.tp().input().press(plat::key::Left);
    w.tp().input().press(plat::key::Right);
    w.tp().input().press(plat::key::Up);
    w.tp().input().press(plat::key::Down);
    w.step(2);
    EXPECT_EQ(w.obj(0).MapX, 306);
    EXPECT_EQ(w.obj(0).MapY, 306);
}

TEST(Movement, RestrictionCodesLimitTheDirections) {
    struct Case {
        int code, key;
        float dx, dy;
    } cases[] = {{3, plat::key::Right, 0, 0}, {3, plat::key::Left, -2, 0}, {4, plat::key::Left, 0, 0},
                 {1, plat::key::Down, 0, 0},  {2, plat::key::Down, 0, 2},  {5, plat::key::Up, 0, -2},
                 {6, plat::key::Up, 0, 0},    {9, plat::key::Up, 0, -2}};
    for (const Case& c : cases) {
        World w;
        w.kind("hero", {{"worldFTilePlayerID", "1"},
                        {"worldFTileUseKeyboard", "1"},
                        {"worldFTileVELO", "2"},
                        {"worldFTilePlayerMOVE", std::to_string(c.code)}});
        w.segment(5, 0, {{"hero", 300, 300}});
        w.load(5);
        w.tp().input().press(c.key);
        w.step(1);
        EXPECT_EQ(w.obj(0).MapX, 300 + c.dx) << c.code;
        EXPECT_EQ(w.obj(0).MapY, 300 + c.dy) << c.code;
    }
}

TEST(Movement, JoystickPlayerWithoutJoystickIsSteeredByArrows) {
    World w;
    w.kind("hero", {{"worldFTilePlayerID", "1"}, {"worldFTileUseJoyStick", "1"}, {"worldFTileVELO", "2"}});
    w.segment(5, 0, {{"hero", 300, 300}});
    w.load(5);
    w.tp().input().press(plat::key::Left);
    w.step(1);
    EXPECT_EQ(w.obj(0).MapX, 298);
    EXPECT_EQ(w.obj(0).worldFTileUseKeyboard, 1);
    // With a joystick the axes steer and the arrows do not.
    w.e().joystickPresent = 1;
    w.e().joyAxisX = 1;
    w.e().joyAxisY = 0;
    w.step(1);
    EXPECT_EQ(w.obj(0).MapX, 300);
}

TEST(Movement, MoveLogicOneWaitsUntilADrawSetsAnAxis) {
    World w(3);
    w.kind("lazy", {{"worldFTileUseMoveLogic", "1"},
                    {"worldFTileVELO", "1"},
                    {"worldFTileMoveH", "1"},
                    {"worldFTileMoveV", "1"},
                    {"worldFTileRandomMove", "100"}});
    w.segment(5, 0, {{"lazy", 300, 300}});
    w.load(5);
    int waited = 0;
    while (w.obj(0).worldFTileUseMoveLogic == 1 && waited < 2000) {
        EXPECT_EQ(w.obj(0).MapX, 300);
        EXPECT_EQ(w.obj(0).MapY, 300);
        w.step(1);
        ++waited;
    }
    const int logic = w.obj(0).worldFTileUseMoveLogic;
    ASSERT_TRUE(logic == 23 || logic == 24);
    w.step(20);
    if (logic == 23 && w.obj(0).worldFTileUseMoveLogic == 23) {
        EXPECT_EQ(w.obj(0).MapY, 300);
    }
    if (logic == 24 && w.obj(0).worldFTileUseMoveLogic == 24) {
        EXPECT_EQ(w.obj(0).MapX, 300);
    }
}

TEST(Movement, DynamicScrollMovesEveryNonGuiObjectTheOtherWay) {
    World w;
    w.e().cfg.DYNAMICSCROLL = 1;
    w.kind("hero", {{"worldFTilePlayerID", "1"}, {"worldFTileUseKeyboard", "1"}, {"worldFTileVELO", "4"}});
    w.kind("rock", {});
    w.kind("gui", {{"worldFTileIsGUI", "1"}});
    w.segment(5, 0, {{"rock", 500, 100}, {"hero", 900, 300}, {"gui", 10, 10}});
    w.load(5);
    w.tp().input().press(plat::key::Right);
    w.step(1);
    EXPECT_EQ(w.obj(1).MapX, 900); // moved by 4, scrolled back by 4
    EXPECT_EQ(w.obj(0).MapX, 496);
    EXPECT_EQ(w.obj(2).MapX, 10);
    w.tp().input().release(plat::key::Right);
    w.tp().input().press(plat::key::Left);
    w.step(10); // x 900 is still beyond 80 %: moving left scrolls too
    EXPECT_EQ(w.obj(1).MapX, 900);
    EXPECT_EQ(w.obj(0).MapX, 536);

    // The same on the vertical axis: below 80 % of the view's height moving down scrolls the world up.
    World v;
    v.e().cfg.DYNAMICSCROLL = 1;
    v.kind("hero", {{"worldFTilePlayerID", "1"}, {"worldFTileUseKeyboard", "1"}, {"worldFTileVELO", "4"}});
    v.kind("rock", {});
    v.kind("gui", {{"worldFTileIsGUI", "1"}});
    v.segment(5, 0, {{"rock", 100, 500}, {"hero", 500, 700}, {"gui", 10, 10}});
    v.load(5);
    v.tp().input().press(plat::key::Down);
    v.step(1);
    EXPECT_EQ(v.obj(1).MapY, 700);
    EXPECT_EQ(v.obj(0).MapY, 496);
    EXPECT_EQ(v.obj(2).MapY, 10);
    EXPECT_EQ(v.obj(0).MapX, 100) << "no horizontal scroll in the middle of the view";
    v.tp().input().release(plat::key::Down);
    v.tp().input().press(plat::key::Up);
    v.step(10);
    EXPECT_EQ(v.obj(1).MapY, 700);
    EXPECT_EQ(v.obj(0).MapY, 536);
}

TEST(Movement, RotationCornersAtAngleZeroShowAQuarterTurn) {
    World w;
    w.kind("gear", {{"worldFTileRotate", "0.5"}});
    w.segment(5, 0, {{"gear", 100, 100, 40, 20}});
    w.load(5);
    w.tp().graphics().clearCalls();
    w.step(1);
    const auto corners = w.tp().graphics().callsOf(plat::test::Op::Corners);
    ASSERT_EQ(corners.size(), 1u);
    const float expected[8] = {30, -10, 30, 30, 10, 30, 10, -10};
    for (int k = 0; k < 8; ++k) EXPECT_NEAR(corners[0].corners[k], expected[k], 1e-3) << k;
    EXPECT_FLOAT_EQ(w.obj(0).rotationAngle, 0.5f);
}

// ---- collision -------------------------------------------------------------------------------------

TEST(Collision, RectanglesSharingAnEdgeDoNotHit) {
    for (CollisionMode mode : {CollisionMode::Reference, CollisionMode::Grid}) {
        World w;
        w.e().sim.collisionMode = mode;
        w.kind("mover", {{"worldFTileCollision", "1"},
                         {"worldFTileVELO", "2"},
                         {"worldFTileMoveH", "1"},
                         {"worldFTileRandomMove", "127"}});
        w.kind("wall", {{"worldFTileCollision", "1"}});
        // Predicted mover rectangle 102..134 touches the wall at 134.
        w.segment(5, 0, {{"mover", 100, 100}, {"wall", 134, 100}, {"wall", 100, 132}});
        w.load(5);
        for (int i = 0; i < 3; ++i) w.obj(i).IsInScreen = 1;
        collisionStep(w.e(), 0);
        EXPECT_EQ(w.obj(0).canMoveH, 1);
        w.obj(1).MapX = 133.6f; // rounds to 134: still only touching
        collisionGridSync(w.e(), 1);
        collisionStep(w.e(), 0);
        EXPECT_EQ(w.obj(0).canMoveH, 1);
        w.obj(1).MapX = 133.4f;
        collisionGridSync(w.e(), 1);
        collisionStep(w.e(), 0);
        EXPECT_EQ(w.obj(0).canMoveH, 0);
        EXPECT_EQ(w.obj(0).canMoveV, 1); // not moving vertically: that axis stays free
    }
}

TEST(Collision, ObjectWithoutSpeedNeverTestsButCanBeHit) {
    World w;
    w.kind("post", {{"worldFTileCollision", "1"}, {"worldFTileMoveH", "1"}});
    w.kind("mover", {{"worldFTileCollision", "1"},
                     {"worldFTileVELO", "2"},
                     {"worldFTileMoveH", "1"},
                     {"worldFTileRandomMove", "127"}});
    w.segment(5, 0, {{"post", 100, 100}, {"mover", 80, 100}});
    w.load(5);
    const std::int64_t hits = w.e().sim.hits;
    w.step(1);
    EXPECT_EQ(w.e().sim.hits, hits + 1); // the mover hit the post; the post tested nothing
    EXPECT_EQ(w.obj(1).MapX, 80);        // blocked
}

TEST(Collision, PushesAndTouchReactions) {
    World w;
    w.kind("hero", {{"worldFTilePlayerID", "1"},
                    {"worldFTileUseKeyboard", "1"},
                    {"worldFTileVELO", "3"},
                    {"worldFTileCollision", "1"}});
    w.kind("crate", {{"worldFTileCollision", "1"},
                     {"worldFTileTouchMove", "1"},
                     {"worldFTileTouchTransparency", "90"},
                     {"worldFTileTouchRotate", "1"}});
    w.segment(5, 0, {{"hero", 100, 100}, {"crate", 131, 100}});
    w.load(5);
    w.step(1); // on-screen flags
    w.tp().input().press(plat::key::Right);
    w.tp().graphics().clearCalls();
    w.step(1);
    const WorldObject& crate = w.obj(1);
    EXPECT_EQ(crate.MapX, 134);    // pushed by the player's step
    EXPECT_EQ(w.obj(0).MapX, 100); // the player was blocked
    // The touch shows in the frame of the hit: the crate is drawn with its touch transparency, then
    // the post step restores it.
    const auto draws = w.tp().graphics().draws();
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(draws[1].alpha, 90);
    EXPECT_EQ(crate.worldFTileTransparency, 255);
    EXPECT_NEAR(crate.worldFTileRotate, 0.05f, 1e-6); // +0.1, then one decay step
    // A push by a player standing still on an axis moves nothing on that axis.
    w.tp().input().release(plat::key::Right);
    w.tp().input().press(plat::key::Up);
    w.obj(0).MapY = 100;
    w.obj(1).MapY = 97;
    w.obj(1).MapX = 110;
    w.step(1);
    EXPECT_EQ(w.obj(1).MapX, 110);
    EXPECT_EQ(w.obj(1).MapY, 94);
}

TEST(Collision, WalkLeftWhileMovingDownContinuesLeftOnly) {
    World w;
    w.kind("mover", {{"worldFTileCollision", "1"},
                     {"worldFTileVELO", "2"},
                     {"worldFTilePlayerID", "1"},
                     {"worldFTileUseKeyboard", "1"}});
    w.kind("belt",
           {{"worldFTileCollision", "1"}, {"worldFTileTransport", "1"}, {"worldFTileIDString", "WALKLEFT"}});
    w.segment(5, 0, {{"mover", 300, 290}, {"belt", 290, 320, 64, 64}});
    w.load(5);
    WorldObject& m = w.obj(0);
    w.tp().input().press(plat::key::Down);
    w.step(1);
    EXPECT_EQ(m.worldFTileMoveH, -1);
    EXPECT_EQ(m.MapX, 298);
    EXPECT_EQ(m.MapY, 290);
    w.step(1);
    EXPECT_EQ(m.MapX, 296);
    EXPECT_EQ(m.MapY, 290);
}

// A level as a game: a player walking into a goal ("FASS") goes on to the map the goal's
// worldFTileID names; walking into a "NOGO" object sends the player back to the title screen.
TEST(Collision, GoalLeadsToItsMapAndNogoBackToTheTitle) {
    for (auto [kind, id, next] : {std::tuple{"FASS", "7", 7}, std::tuple{"NOGO", "7", 1000}}) {
        World w;
        w.kind("hero", {{"worldFTileCollision", "1"},
                        {"worldFTileVELO", "2"},
                        {"worldFTilePlayerID", "1"},
                        {"worldFTileUseKeyboard", "1"}});
        w.kind("thing", {{"worldFTileCollision", "1"}, {"worldFTileIDString", kind}, {"worldFTileID", id}});
        w.segment(5, 0, {{"hero", 300, 300}, {"thing", 340, 300}});
        w.load(5);
        w.tp().input().press(plat::key::Right);
        w.step(3);
        EXPECT_EQ(w.e().nextMapId, 5) << kind << ": not touching yet";
        w.step(3);
        EXPECT_EQ(w.e().nextMapId, next) << kind;
    }
}

TEST(Collision, AiTargetsPredictOnlyTheAxisTheyMayMoveOn) {
    World w;
    w.kind("ai", {{"worldFTileCollision", "1"},
                  {"AI", "1"},
                  {"worldFTileVELO", "10"},
                  {"worldFTileMoveH", "1"},
                  {"worldFTileMoveV", "1"}});
    w.kind("probe", {{"worldFTileCollision", "1"},
                     {"worldFTileVELO", "1"},
                     {"worldFTileMoveH", "0"},
                     {"worldFTileMoveV", "1"}});
    // Probe below the AI object, under its horizontally predicted position only.
    w.segment(5, 0, {{"ai", 100, 100}, {"probe", 140, 131}});
    w.load(5);
    w.step(1); // flags settle
    WorldObject& ai = w.obj(0);
    WorldObject& probe = w.obj(1);
    ai.MapX = 100, ai.MapY = 100, ai.worldFTileMoveH = 1, ai.worldFTileMoveV = 1;
    probe.MapX = 125, probe.MapY = 131;
    ai.canMoveH = 1;
    probe.canMoveV = 1;
    ai.IsInScreen = probe.IsInScreen = 1;
    ai.Visible = probe.Visible = 1;
    collisionGridSync(w.e(), 0);
    collisionStep(w.e(), 1); // AI predicted at x 110, y 100: probe at 125..157, y 132.. -> no overlap in y
    EXPECT_EQ(probe.canMoveV, 1);
    probe.MapY = 120;
    collisionGridSync(w.e(), 1);
    collisionStep(w.e(), 1);
    EXPECT_EQ(probe.canMoveV, 0);
}

// ---- following, actions, title screens --------------------------------------------------------------

// Following over the whole table, as the engine's "MAP" mode would (no key selects it; the rules of
// steering are the same as on screen).
void followMap(Biosim& e, const std::string& kind, std::int32_t follower) {
    for (std::int32_t j = 0; j <= e.level.objectCount; ++j) {
        const WorldObject& t = e.objectTable[static_cast<std::size_t>(j)];
        if (t.Visible != 0 && t.worldFTileIDString == kind) {
            steerTowards(e, j, follower);
            return;
        }
    }
}

TEST(Following, LowerIndexIsChasedAndLevelAxisKeepsItsDirection) {
    World w;
    w.kind("prey", {{"worldFTileIDString", "PREY"}});
    w.kind("hunter", {{"worldFTileFollowObject", "1"},
                      {"worldFTileFollow", "PREY"},
                      {"worldFTileVELO", "1"},
                      {"worldFTileMoveH", "1"},
                      {"worldFTileMoveV", "-1"},
                      {"worldFTileRandomMove", "127"}});
    w.segment(5, 0, {{"prey", 10, 500}, {"hunter", 500, 500}, {"prey", 520, 400}});
    w.load(5);
    w.e().mapMode = 14; // "MAP"
    followMap(w.e(), "PREY", 1);
    EXPECT_EQ(w.obj(1).worldFTileMoveH, -1); // towards the first prey, far away
    EXPECT_EQ(w.obj(1).worldFTileMoveV, -1); // level with it: unchanged
    // A follower standing still on an axis is never started on it.
    w.obj(1).worldFTileMoveV = 0;
    followMap(w.e(), "PREY", 1);
    EXPECT_EQ(w.obj(1).worldFTileMoveV, 0);
}

TEST(Following, RegionModeIgnoresTargetsOffScreen) {
    World w;
    w.kind("prey", {{"worldFTileIDString", "PREY"}});
    w.kind("hunter", {{"worldFTileFollowObject", "1"},
                      {"worldFTileFollow", "PREY"},
                      {"worldFTileVELO", "1"},
                      {"worldFTileMoveH", "1"},
                      {"worldFTileRandomMove", "127"}});
    w.segment(5, 0, {{"prey", -500, 300}, {"hunter", 500, 300}, {"prey", 800, 300}});
    w.load(5);
    w.step(1); // on-screen flags
    w.obj(1).worldFTileMoveH = -1;
    followRegion(w.e(), "PREY", 1);
    EXPECT_EQ(w.obj(1).worldFTileMoveH, 1); // the second prey, on screen
    followMap(w.e(), "PREY", 1);
    EXPECT_EQ(w.obj(1).worldFTileMoveH, -1); // "MAP": the whole table
}

TEST(TitleScreens, IntroSwitchesAfterTheSwitchTime) {
    World w;
    w.kind("logo", {});
    w.segment(1001, 0, {{"logo", 100, 100}});
    w.load(1001);
    w.step(4000 / 16); // t = 3984 at the last frame
    EXPECT_EQ(w.e().nextMapId, 1001);
    w.step(2);
    EXPECT_EQ(w.e().nextMapId, 1000);
    // The switch check does nothing on other maps but restart its timer.
    w.segment(1002, 0, {{"logo", 100, 100}});
    w.load(1002);
    w.step(300);
    EXPECT_EQ(w.e().nextMapId, 1002);
}

TEST(TitleScreens, SpaceOrJoystickButtonTenStartsTheFirstLevel) {
    for (int map : {999, 1000}) {
        World w;
        w.kind("title", {});
        w.segment(map, 0, {{"title", 100, 100}});
        w.load(map);
        w.step(3);
        EXPECT_EQ(w.e().nextMapId, map);
        w.tp().input().press(plat::key::Space);
        w.step(1);
        EXPECT_EQ(w.e().nextMapId, 0);
    }
    World j;
    j.kind("title", {});
    j.segment(1000, 0, {{"title", 100, 100}});
    j.load(1000);
    j.e().joystickPresent = 1;
    j.tp().input().press(plat::key::Space);
    j.step(2);
    EXPECT_EQ(j.e().nextMapId, 1000); // with a joystick the key does not start the game
    j.tp().input().setJoystick(true, 0, 0);
    j.tp().input().setJoystickButton(10, true);
    j.tp().input().examineJoystick();
    j.step(1);
    EXPECT_EQ(j.e().nextMapId, 0);
}

// ---- animation -------------------------------------------------------------------------------------

TEST(Animation, FramesLoadWithGapsAndStepByDirectionAndTimer) {
    World w;
    const std::string src = std::string(BT_SOURCE_DIR) + "/demo/_DATA/2DGFX/";
    const std::string anim = w.root() + "ANIMS/runner/";
    for (const char* f : {"RIGHT/1.png", "RIGHT/2.png", "RIGHT/4.png", "LEFT/1.png"}) {
        std::filesystem::create_directories(std::filesystem::path(anim + f).parent_path());
        std::filesystem::copy_file(src + (f[0] == 'L' ? "walker.png" : "wall.png"), anim + f);
    }
    w.e().cfg.MAXANIMFRAMES = 5;
    w.kind("runner", {{"animContainer", "runner"},
                      {"animTimer", "50"},
                      {"worldFTileVELO", "1"},
                      {"worldFTileMoveH", "1"},
                      {"worldFTileRandomMove", "127"}});
    w.segment(5, 0, {{"runner", 300, 300, 64, 32}});
    w.load(5);
    WorldObject& o = w.obj(0);
    ASSERT_TRUE(o.anim);
    EXPECT_EQ(o.AnimFramesRight, 4);
    EXPECT_EQ(o.AnimFramesLeft, 1);
    EXPECT_EQ(o.AnimFramesDefault, 0);
    EXPECT_EQ(o.anim->FrameSprites[AnimRight][3], 0);
    EXPECT_EQ(o.anim->FrameWidths[AnimRight][1], 64); // 32 x ZoomX 2
    EXPECT_EQ(o.anim->FrameHeights[AnimRight][1], 32);
    EXPECT_EQ(o.AnimFrame, 1);
    w.step(3, 20); // 0, 20, 40 ms: the timer has not run out
    EXPECT_EQ(o.AnimFrame, 1);
    w.step(1, 20); // 60 ms
    EXPECT_EQ(o.AnimFrame, 2);
    EXPECT_EQ(o.Sprite, o.anim->FrameSprites[AnimRight][2]);
    // A direction without frames keeps the object's sprite.
    w.obj(0).worldFTileMoveH = 0;
    w.obj(0).worldFTileMoveV = 1;
    const plat::SpriteId before = o.Sprite;
    w.step(5, 20);
    EXPECT_EQ(o.Sprite, before);
}

TEST(Collision, StaleListEntryOfAnEarlierMapIsNeverTested) {
    World w;
    w.kind("listed", {{"worldFTileCollision", "1"}});
    w.kind("post", {{"worldFTileCollision", "2"}}); // tests nothing (no speed), is not listed
    w.kind("mover", {{"worldFTileCollision", "2"},
                     {"worldFTileVELO", "2"},
                     {"worldFTileMoveH", "1"},
                     {"worldFTileRandomMove", "127"}});
    w.segment(1, 0, {{"listed", 0, 0}});
    w.segment(2, 0, {{"post", 100, 100}, {"mover", 80, 100}});
    w.load(1);
    w.load(2);
    EXPECT_EQ(w.e().collisionList[0], 0); // left over from map 1
    EXPECT_EQ(w.e().level.collisionCount, 0);
    w.step(3);
    EXPECT_EQ(w.e().sim.hits, 0); // the post is not on this map's list
    EXPECT_GT(w.obj(1).MapX, 80);
}

// An object that goes back returns to its start on both axes from either side (despite the random
// turns every mover takes) and stops within two pixels of it; a fade-in counts down by its step,
// and a step past zero is cleared to zero on the next frame.
TEST(ObjectUpdate, GoBackReturnsHomeOnBothAxesAndFadeInEndsAtZero) {
    for (auto [x, y] : {std::pair{130.0f, 70.0f}, {70.0f, 130.0f}}) {
        World w;
        w.kind("homer", {{"worldFTileGOBACK", "1"}, {"worldFTileVELO", "2"}});
        w.segment(5, 0, {{"homer", 100, 100}});
        w.load(5);
        WorldObject& h = w.obj(0);
        h.MapX = x;
        h.MapY = y;
        w.step(150);
        EXPECT_LE(std::fabs(h.MapX - 100), 2.0f) << x;
        EXPECT_LE(std::fabs(h.MapY - 100), 2.0f) << y;
        EXPECT_EQ(h.worldFTileMoveH, 0);
        EXPECT_EQ(h.worldFTileMoveV, 0);
    }

    World f;
    f.kind("ghost", {{"worldFTileFadeIn", "10"}, {"worldFTileFadeInStep", "4"}});
    f.segment(5, 0, {{"ghost", 300, 300}});
    f.load(5);
    std::vector<float> seen;
    for (int k = 0; k < 5; ++k) {
        f.step(1);
        seen.push_back(f.obj(0).worldFTileFadeIn);
    }
    EXPECT_EQ(seen, (std::vector<float>{6, 2, -2, 0, 0}));
}
