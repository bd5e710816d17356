// The main loop's exit keys, the hotkey table with its edge cases, the overview zoom and the mouse
// position in the world, through the test backend.
#include <gtest/gtest.h>

#include <cmath>

#include "EngineTestKit.h"
#include "engine/InputStep.h"
#include "platform/Keys.h"

using namespace engine;

using kit::Harness;
using kit::TempDir;
namespace key = plat::key;
using plat::test::Op;

namespace {

struct Loop : kit::Started {
    explicit Loop(const kit::KV& extra = {}) : kit::Started(extra) {
        EXPECT_TRUE(h.pass()); // the first pass switches to the entry map
    }
    // Holds the keys for one pass, releases the last one for the next pass (the others still
    // held, as fingers do), then releases the others.
    void tap(std::initializer_list<int> keys) {
        for (int k : keys) h.in().press(k);
        EXPECT_TRUE(h.pass());
        h.in().release(*(keys.end() - 1));
        EXPECT_TRUE(h.pass());
        for (int k : keys) h.in().release(k);
        EXPECT_TRUE(h.pass());
    }
    // Gives objects 0..n-1 a drawable sprite and a size, as a loaded map would.
    void objects(int n) {
        auto& g = h.gfx();
        for (int i = 0; i < n; ++i) {
            WorldObject& o = e().objectTable[static_cast<std::size_t>(i)];
            const plat::SpriteId img = g.grabSprite(0, 0, 10, 10, 4);
            o.Sprite = g.createDrawable(img);
            o.Width = 95.0f + static_cast<float>(i);
            o.Height = 41.0f;
        }
        e().level.objectCount = n - 1;
        e().actualMapId = 0;
        e().nextMapId = 0;
    }
};

} // namespace

TEST(MainLoop, EscapeAndLeftAltTogetherEndTheLoopAtTheStartOfTheNextPass) {
    Loop l;
    l.h.in().press(key::Escape);
    EXPECT_TRUE(l.h.pass());
    EXPECT_TRUE(l.h.pass()); // Escape alone
    l.h.in().release(key::Escape);
    l.h.in().press(key::LAlt);
    EXPECT_TRUE(l.h.pass());
    EXPECT_TRUE(l.h.pass()); // left Alt alone
    l.h.in().press(key::Escape);
    const int flips = l.h.gfx().flips();
    EXPECT_TRUE(l.h.pass());  // this pass examines both keys held ...
    EXPECT_FALSE(l.h.pass()); // ... and the next one ends before drawing
    EXPECT_EQ(l.h.gfx().flips(), flips + 1);
}

TEST(MainLoop, RightAltDoesNotCountForTheExit) {
    Loop l;
    l.h.in().press(key::Escape);
    l.h.in().press(key::RAlt);
    EXPECT_TRUE(l.h.pass());
    EXPECT_TRUE(l.h.pass());
}

TEST(MainLoop, FrameStepDrawsInOrderAndSleepsTheDelay) {
    Loop l(kit::KV{{"MULTITASK", "9"}});
    l.h.gfx().clearCalls();
    const std::int64_t slept = l.h.tp.clock().totalSlept();
    ASSERT_TRUE(l.h.pass());
    const int delay = l.e().multitaskDelayMs; // as the world frame's rate sampler left it
    std::vector<Op> order;
    for (const auto& c : l.h.gfx().calls())
        if (c.op == Op::Begin3D || c.op == Op::End3D || c.op == Op::Begin2D || c.op == Op::End2D ||
            c.op == Op::Flip)
            order.push_back(c.op);
    EXPECT_EQ(order, (std::vector<Op>{Op::Begin3D, Op::End3D, Op::Begin2D, Op::End2D, Op::Flip}));
    EXPECT_EQ(l.h.gfx().callsOf(Op::Flip)[0].mode, 1);
    EXPECT_GT(delay, 0);
    EXPECT_EQ(l.h.tp.clock().totalSlept(), slept + delay);
}

TEST(MainLoop, FrameLimitEndsTheLoop) {
    Loop l;
    l.e().run.options.frames = 3;
    EXPECT_TRUE(l.h.pass());
    EXPECT_TRUE(l.h.pass());
    EXPECT_FALSE(l.h.pass());
    EXPECT_EQ(l.e().run.framesRun, 3);
}

TEST(Hotkeys, AltCtrlPageUpAndDownChangeTheNextMap) {
    Loop l(kit::KV{{"APPENTRY", "5"}});
    l.tap({key::LAlt, key::LControl, key::PageUp});
    EXPECT_EQ(l.e().nextMapId, 6);
    l.tap({key::LAlt, key::LControl, key::PageDown});
    l.tap({key::LAlt, key::LControl, key::PageDown});
    EXPECT_EQ(l.e().nextMapId, 4);
    // Without Ctrl nothing happens.
    l.tap({key::LAlt, key::PageUp});
    EXPECT_EQ(l.e().nextMapId, 4);
}

TEST(Hotkeys, DebugMirrorsAndMusicToggles) {
    Loop l;
    l.tap({key::LAlt, key::LControl, key::D});
    EXPECT_EQ(l.e().debugMode, 1);
    l.tap({key::LAlt, key::LControl, key::D});
    EXPECT_EQ(l.e().debugMode, 0);
    l.tap({key::F10});
    EXPECT_EQ(l.e().mirrorsHidden, 1);

    auto& snd = l.h.tp.sound();
    l.dir.write("m.ogg", "not really a sound");
    l.e().levelMusicSound = snd.loadSound(l.dir.path() + "m.ogg");
    ASSERT_TRUE(snd.isSound(l.e().levelMusicSound));
    l.tap({key::LAlt, key::LControl, key::S});
    EXPECT_EQ(l.e().musicOn, 0);
    EXPECT_EQ(snd.count(plat::test::SoundOp::Stop), 1u);
    l.tap({key::LAlt, key::LControl, key::S});
    EXPECT_EQ(l.e().musicOn, 1);
    EXPECT_TRUE(snd.isPlaying(l.e().levelMusicSound));
    EXPECT_TRUE(snd.looped(l.e().levelMusicSound));
}

TEST(Hotkeys, MWhilePausedDoesNothingAndPWhileInOverviewDoesNothing) {
    Loop l;
    l.objects(2);
    l.tap({key::P});
    EXPECT_EQ(l.e().pauseFlag, 1);
    l.tap({key::M});
    EXPECT_EQ(l.e().mapOverview, 0);
    l.tap({key::P});
    EXPECT_EQ(l.e().pauseFlag, 0);
    l.tap({key::M});
    EXPECT_EQ(l.e().mapOverview, 1);
    l.tap({key::P});
    EXPECT_EQ(l.e().pauseFlag, 0);
}

TEST(Hotkeys, AltCtrlMResetsTheDelayAndAlsoTogglesTheOverview) {
    Loop l(kit::KV{{"MULTITASK", "20"}});
    l.objects(1);
    l.tap({key::LAlt, key::LControl, key::M});
    EXPECT_EQ(l.e().multitaskDelayMs, 0);
    EXPECT_EQ(l.e().mapOverview, 1);
}

TEST(Hotkeys, TitleScreensHaveNoOverviewPauseOrDelayReset) {
    Loop l(kit::KV{{"MULTITASK", "20"}});
    l.objects(1);
    l.e().actualMapId = 1000;
    l.e().nextMapId = 1000;
    l.tap({key::LAlt, key::LControl, key::M});
    l.tap({key::P});
    EXPECT_GT(l.e().multitaskDelayMs, 0); // not reset (the frame-rate sampler may lower it)
    EXPECT_EQ(l.e().mapOverview, 0);
    EXPECT_EQ(l.e().pauseFlag, 0);
    l.e().actualMapId = 999;
    l.e().nextMapId = 999;
    l.tap({key::P});
    EXPECT_EQ(l.e().pauseFlag, 1);
}

TEST(Hotkeys, ScrollingOnlyWithUsrScroll) {
    Loop off;
    off.h.in().press(key::Left);
    off.h.in().press(key::Up);
    off.h.in().setJoystick(true, 1, -1);
    off.e().joystickPresent = 1;
    EXPECT_TRUE(off.h.pass());
    EXPECT_EQ(off.e().level.scrollX, 0.0f);
    EXPECT_EQ(off.e().level.scrollY, 0.0f);

    Loop on(kit::KV{{"USRSCROLL", "1"}});
    on.h.in().press(key::Left);
    on.h.in().press(key::Up);
    EXPECT_TRUE(on.h.pass());
    EXPECT_TRUE(on.h.pass());
    EXPECT_EQ(on.e().level.scrollX, -2.0f);
    EXPECT_EQ(on.e().level.scrollY, 2.0f); // Up adds to scrollY
    on.h.in().releaseAll();
    on.e().joystickPresent = 1;
    on.h.in().setJoystick(true, 1, -1);
    EXPECT_TRUE(on.h.pass());
    EXPECT_EQ(on.e().level.scrollX, -1.0f);
    EXPECT_EQ(on.e().level.scrollY, 1.0f);
}

TEST(Hotkeys, JoystickButtonsToggleOncePerPressOnlyWhenAJoystickIsPresent) {
    Loop l;
    l.objects(1);
    l.h.in().setJoystickButton(10, true);
    EXPECT_TRUE(l.h.pass());
    EXPECT_EQ(l.e().pauseFlag, 0); // no joystick found at start-up
    l.e().joystickPresent = 1;
    l.h.in().setJoystick(true, 0, 0);
    EXPECT_TRUE(l.h.pass());
    EXPECT_EQ(l.e().pauseFlag, 1);
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(l.h.pass()); // held: no further toggles
    EXPECT_EQ(l.e().pauseFlag, 1);
    l.h.in().setJoystickButton(10, false);
    EXPECT_TRUE(l.h.pass());
    l.h.in().setJoystickButton(10, true);
    EXPECT_TRUE(l.h.pass()); // the next press
    EXPECT_EQ(l.e().pauseFlag, 0);
    l.h.in().setJoystickButton(9, true);
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(l.h.pass());
    EXPECT_EQ(l.e().mapOverview, 1); // button 9 likewise toggles the overview once
}

TEST(Hotkeys, AltCtrlKHidesThePlayerObjects) {
    Loop l;
    l.objects(3);
    for (auto& o : l.e().objectTable) o.Visible = 1;
    l.e().objectTable[1].worldFTilePlayerID = 2;
    l.e().objectTable[3].worldFTilePlayerID = 1; // beyond objectCount: untouched
    l.tap({key::LAlt, key::LControl, key::K});
    EXPECT_EQ(l.e().objectTable[0].Visible, 1);
    EXPECT_EQ(l.e().objectTable[1].Visible, 0);
    EXPECT_EQ(l.e().objectTable[3].Visible, 1);
}

TEST(Overview, ZoomsNonStretchedObjectsToATenthAndRestoresAll) {
    Loop l;
    l.objects(3);
    l.e().objectTable[1].worldFStretch = 1;
    auto& g = l.h.gfx();
    const float stretchedW = g.sprite(l.e().objectTable[1].Sprite)->zoomW;
    l.tap({key::M});
    EXPECT_EQ(l.e().overviewScaleX, 0.1f);
    EXPECT_EQ(l.e().overviewScaleY, 0.1f);
    auto s0 = g.sprite(l.e().objectTable[0].Sprite);
    auto s1 = g.sprite(l.e().objectTable[1].Sprite);
    auto s2 = g.sprite(l.e().objectTable[2].Sprite);
    EXPECT_EQ(s0->zoomW, 10.0f);      // 9.5 rounded up
    EXPECT_EQ(s0->zoomH, 5.0f);       // 4.1 rounded up
    EXPECT_EQ(s2->zoomW, 10.0f);      // 9.7 rounded up
    EXPECT_EQ(s1->zoomW, stretchedW); // stretched: left alone
    l.tap({key::M});
    EXPECT_EQ(l.e().mapOverview, 0);
    EXPECT_EQ(l.e().overviewScaleX, 1.0f);
    EXPECT_EQ(g.sprite(l.e().objectTable[0].Sprite)->zoomW, 95.0f);
    EXPECT_EQ(g.sprite(l.e().objectTable[1].Sprite)->zoomW, 96.0f); // the stretched one too
    EXPECT_EQ(g.sprite(l.e().objectTable[1].Sprite)->zoomH, 41.0f);
}

TEST(MouseWorld, PositionPlusScrollAndTheCellRoundedUp) {
    Loop l;
    l.e().level.scrollX = 10;
    l.e().level.scrollY = -5;
    l.h.in().setMouse(100, 64);
    EXPECT_TRUE(l.h.pass());
    EXPECT_EQ(l.e().mouseWorldX, 110.0f);
    EXPECT_EQ(l.e().mouseWorldY, 59.0f);
    EXPECT_EQ(l.e().mouseCellX, 4); // 110 / 32 = 3.4 -> 4
    EXPECT_EQ(l.e().mouseCellY, 2); // 59 / 32 = 1.8 -> 2
    l.h.in().setMouse(22, 69);      // exactly on a cell border: 32 / 32 = 1
    EXPECT_TRUE(l.h.pass());
    EXPECT_EQ(l.e().mouseCellX, 1);
}

TEST(MouseWorld, NoGridGivesCellZeroInsteadOfAnUndefinedConversion) {
    Loop l(kit::KV{{"GRIDSIZE", "0"}});
    l.h.in().setMouse(100, 64);
    EXPECT_TRUE(l.h.pass());
    EXPECT_EQ(l.e().mouseCellX, 0);
    EXPECT_EQ(l.e().mouseCellY, 0);
}

TEST(MainLoop, FirstPassLoadsTheEntryMapEvenWhenItIsZero) {
    TempDir dir;
    kit::writeWorld(dir, kit::KV{{"APPENTRY", "0"}});
    Harness h;
    ASSERT_TRUE(h.start(dir.path()));
    EXPECT_EQ(h.e->actualMapId, -1000);
    EXPECT_EQ(h.e->nextMapId, 0);
    ASSERT_TRUE(h.pass());
    EXPECT_EQ(h.e->actualMapId, 0);
}

TEST(MainLoop, AltCtrlPageUpLoadsTheNextMapAtTheEndOfTheSamePass) {
    Loop l(kit::KV{{"APPENTRY", "5"}});
    ASSERT_EQ(l.e().actualMapId, 5);
    l.h.in().press(key::LAlt);
    l.h.in().press(key::LControl);
    l.h.in().press(key::PageUp);
    EXPECT_TRUE(l.h.pass());
    l.h.in().release(key::PageUp);
    EXPECT_TRUE(l.h.pass());
    EXPECT_EQ(l.e().nextMapId, 6);
    EXPECT_EQ(l.e().actualMapId, 6);
}
