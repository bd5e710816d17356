// Events and keys: the button latch, tool window visibility, menu items, the quit question, the
// keyboard order and the main loop's passes.
#include "Harness.h"

#include "builder/EditorScreen.h"
#include "builder/MapEditing.h"
#include "platform/Keys.h"

using namespace tarntest;
namespace key = plat::key;

namespace {
struct Editor : Harness {
    Editor() {
        addKind("wall", 32, 16);
        writeDna(dir + "_DATA/DNA.dll", {{"worldFTileTransparency", "255"}});
        EXPECT_TRUE(start());
        tarn::newMap(b);
        b.edit.rasterMode = tarn::kRasterOff;
    }
    // Sprites one redraw draws (the map's tiles and the cursor tile).
    int draws() {
        gfx().clearCalls();
        tarn::redraw(b);
        int n = 0;
        for (const auto& c : gfx().calls()) n += c.op == plat::test::Op::Draw ? 1 : 0;
        return n;
    }
    void tap(int scanCode) {
        in().press(scanCode);
        in().release(scanCode);
        mainEvent();
    }
};
} // namespace

TEST(Buttons, OnePressPlacesOneTileHoweverLongItIsHeld) {
    Editor e;
    e.in().setMouseButton(1, true);
    for (int i = 0; i < 5; ++i) {
        e.in().setMouse(100 + 10 * i, 100);
        e.mainEvent();
    }
    EXPECT_EQ(e.b.map.lastObject, 0);
    e.in().setMouseButton(1, false);
    e.mainEvent();
    e.in().setMouseButton(1, true);
    e.mainEvent();
    EXPECT_EQ(e.b.map.lastObject, 1);
    EXPECT_FLOAT_EQ(e.b.map.objects[0].x, 100.0f);
    // Undo bookkeeping of two placements after the start snapshot 0.
    EXPECT_EQ(e.b.edit.undoCounter, 3);
    EXPECT_EQ(e.b.edit.undoPosition, 2);
    EXPECT_EQ(e.b.edit.undoHighMark, 2);
}

TEST(Buttons, RightButtonIsBlockedWhileTheLeftIsHeld) {
    Editor e;
    e.in().setMouse(10, 10);
    e.in().setMouseButton(1, true);
    e.mainEvent(); // places at (10, 10)
    e.in().setMouseButton(2, true);
    e.mainEvent();
    EXPECT_EQ(e.b.map.objects[0].present, 1);
    e.in().setMouseButton(1, false);
    e.mainEvent(); // right still held: latch stays
    EXPECT_EQ(e.b.map.objects[0].present, 1);
    e.in().setMouseButton(2, false);
    e.mainEvent();
    e.in().setMouseButton(2, true);
    e.mainEvent();
    EXPECT_EQ(e.b.map.objects[0].present, 0);
}

TEST(Buttons, WheelResizesTheCurrentKindOncePerExamination) {
    Editor e;
    e.in().addWheel(1);
    e.mainEvent();
    EXPECT_FLOAT_EQ(e.b.tiles.kinds[0].width, 34.0f);
    EXPECT_FLOAT_EQ(e.b.tiles.kinds[0].height, 16.5f);
    e.mainEvent(); // no wheel movement: no change
    EXPECT_FLOAT_EQ(e.b.tiles.kinds[0].width, 34.0f);
    // Keypad + resizes by one notch too when the wheel did not move.
    e.tap(key::Add);
    EXPECT_GT(e.b.tiles.kinds[0].width, 34.0f);
    // With Shift held a notch counts as eight: one notch of the plain wheel grows the height by
    // h / w, one Shift notch by eight times that.
    const float w = e.b.tiles.kinds[0].width, h = e.b.tiles.kinds[0].height;
    e.in().press(key::LShift);
    e.mainEvent();
    e.in().addWheel(1);
    e.mainEvent();
    EXPECT_FLOAT_EQ(e.b.tiles.kinds[0].height, h + 8.0f * h / w);
    EXPECT_FLOAT_EQ(e.b.tiles.kinds[0].width, w + 8.0f * w / h);
}

TEST(ToolWindows, CloseBoxHidesBothAndTabToggles) {
    Editor e;
    e.event(tarn::kEventClose, tarn::kTileWindow);
    e.event(tarn::kEventMouseMove, tarn::kMainWindow);
    e.run(2);
    EXPECT_EQ(e.b.edit.toolsHidden, 1);
    EXPECT_FALSE(e.win.isVisible(102));
    EXPECT_FALSE(e.win.isVisible(103));
    EXPECT_TRUE(e.win.isOpen(102)); // hidden, not closed
    e.tap(key::Tab);
    e.mainEvent(); // the windows follow the flag at the next event
    EXPECT_TRUE(e.win.isVisible(102));
    EXPECT_TRUE(e.win.isVisible(103));
    e.tap(key::Tab);
    e.mainEvent();
    EXPECT_FALSE(e.win.isVisible(102));
}

TEST(Menu, ItemsDispatch) {
    Editor e;
    tarn::dispatchMenuItem(e.b, 125);
    EXPECT_FLOAT_EQ(e.b.screen.zoomX, 0.1f);
    EXPECT_FLOAT_EQ(e.b.screen.zoomY, 0.1f);
    const auto before = e.gfx().calls().size();
    tarn::dispatchMenuItem(e.b, 126); // "Save MiniMap (Screenshot)": nothing
    tarn::dispatchMenuItem(e.b, 999);
    EXPECT_EQ(e.gfx().calls().size(), before);
    tarn::dispatchMenuItem(e.b, 127);
    EXPECT_FLOAT_EQ(e.b.screen.zoomX, 1.0f);
    tarn::dispatchMenuItem(e.b, 122);
    EXPECT_EQ(e.b.edit.toolsHidden, 1);
    tarn::dispatchMenuItem(e.b, 107);
    ASSERT_EQ(e.tp.dialogs().boxes().size(), 1u);
    EXPECT_EQ(e.tp.dialogs().boxes()[0].title, "MAP BUILDER MESSAGE:\n");
    EXPECT_NE(e.tp.dialogs().boxes()[0].text.find("DEVELOPER VERSION"), std::string::npos);
}

TEST(Menu, NewMapAsksFirst) {
    Editor e;
    tarn::placeTile(e.b);
    e.tp.dialogs().queueAnswer(false);
    tarn::dispatchMenuItem(e.b, 117);
    EXPECT_EQ(e.b.map.lastObject, 0);
    e.b.map.scrollOffsetX = 7;
    e.tp.dialogs().queueAnswer(true);
    tarn::dispatchMenuItem(e.b, 117);
    EXPECT_EQ(e.b.map.lastObject, -1);
    EXPECT_EQ(e.b.map.scrollOffsetX, 0);
    EXPECT_EQ(e.tp.dialogs().boxes().back().text, "START NEW MAP ?");
}

// A new map empties the map and its caches at once but keeps what outlives a map: the highest layer
// used in the session, the map file's name and the tile kinds.
TEST(Menu, NewMapStartsCleanAndKeepsTheLayerMarkAndTheFile) {
    Editor e;
    e.b.mapFile.name = "7";
    e.b.edit.currentLayer = 5;
    e.b.edit.cursorX = e.b.edit.cursorY = 10;
    ASSERT_TRUE(tarn::placeTile(e.b));
    const int oneTileDraws = e.draws();
    ASSERT_TRUE(tarn::placeTile(e.b));
    ASSERT_TRUE(tarn::deleteTile(e.b)); // the deletion cache now lists both tiles at (10, 10)
    e.tp.dialogs().queueAnswer(true);
    tarn::dispatchMenuItem(e.b, 117);
    EXPECT_EQ(e.b.map.lastObject, -1);
    EXPECT_EQ(e.b.map.maxUsedLayer, 5);
    EXPECT_EQ(e.b.mapFile.name, "7");
    EXPECT_FALSE(e.b.mapFile.modified);
    EXPECT_EQ(e.b.tiles.kinds.size(), 1u);
    // A tile placed elsewhere is found there, and nothing of the old map is left at (10, 10).
    e.b.edit.cursorX = e.b.edit.cursorY = 300;
    ASSERT_TRUE(tarn::placeTile(e.b));
    EXPECT_EQ(e.b.map.lastObject, 0);
    EXPECT_EQ(e.draws(), oneTileDraws); // the layer buckets hold the new tile once, and nothing else
    e.b.edit.cursorX = e.b.edit.cursorY = 10;
    EXPECT_FALSE(tarn::deleteTile(e.b));
    e.b.edit.cursorX = e.b.edit.cursorY = 300;
    EXPECT_TRUE(tarn::deleteTile(e.b));
}

TEST(Menu, QuitQuestionNoKeepsRunningYesEndsAfterThePass) {
    Editor e;
    e.tp.dialogs().queueAnswer(false);
    e.event(tarn::kEventMenu, tarn::kTileWindow, 106);
    EXPECT_EQ(e.run(3), 3);
    EXPECT_EQ(e.b.edit.quit, 0);
    EXPECT_EQ(e.tp.dialogs().boxes().back().title, "MAP BUILDER: Quit?");
    EXPECT_EQ(e.tp.dialogs().boxes().back().text,
              "Do you really want to quit\nMAP Builder?\nNot saved MAPs will be lost");
    e.tp.dialogs().queueAnswer(true);
    e.event(tarn::kEventMenu, tarn::kTileWindow, 106);
    EXPECT_EQ(e.run(100), 1);
    EXPECT_EQ(e.b.edit.quit, 1);
}

TEST(Menu, MenuEventsOfTheTileWindowSetItsTitleToTheMapName) {
    Editor e;
    e.win.setTitle(102, "Tile:0MAP: 1");
    e.event(tarn::kEventSize, tarn::kTileWindow);
    e.run(1);
    EXPECT_EQ(e.win.title(102), "1");
}

TEST(MainLoop, PassesWithoutEventsReadNoKeysAndIdle) {
    Editor e;
    const int exams = e.in().keyboardExaminations();
    e.in().press(key::H);
    e.in().release(key::H);
    e.run(5);
    EXPECT_EQ(e.in().keyboardExaminations(), exams);
    EXPECT_EQ(e.win.idles, 5);
    EXPECT_EQ(e.b.edit.quickHelp, 0);
    e.event(tarn::kEventMouseMove, tarn::kMainWindow);
    e.run(1);
    EXPECT_EQ(e.b.edit.quickHelp, 1); // the release waited for a pass with an event
}

TEST(Keys, RasterModesAndTheCursorReset) {
    Editor e;
    e.tap(key::LAlt);
    EXPECT_EQ(e.b.edit.rasterMode, tarn::kRasterObjectSize);
    e.b.edit.cursorX = e.b.edit.cursorY = 77;
    e.tap(key::G);
    EXPECT_EQ(e.b.edit.rasterMode, tarn::kRasterMatrixSize);
    EXPECT_EQ(std::make_pair(e.b.edit.cursorX, e.b.edit.cursorY), std::make_pair(0, 0));
    e.tap(key::C);
    EXPECT_EQ(e.b.edit.rasterMode, tarn::kRasterOff);
}

TEST(Keys, ArrowScrollingByRasterMode) {
    Editor e;
    tarn::placeTile(e.b); // object at the cursor (0, 0)
    auto& o = e.b.map.objects[0];
    // Mode 0: held keys scroll one pixel in every pass with an event.
    e.in().press(key::Right);
    e.mainEvent();
    e.mainEvent();
    e.in().release(key::Right);
    EXPECT_FLOAT_EQ(o.x, 2.0f);
    e.mainEvent(); // the release itself does not scroll in mode 0
    EXPECT_FLOAT_EQ(o.x, 2.0f);
    // Mode 1: once per release, by the kind's size (32 x 16).
    e.b.edit.rasterMode = tarn::kRasterObjectSize;
    e.in().press(key::Down);
    e.mainEvent();
    EXPECT_FLOAT_EQ(o.y, 0.0f);
    e.in().release(key::Down);
    e.mainEvent();
    EXPECT_FLOAT_EQ(o.y, 16.0f);
    e.tap(key::Left);
    EXPECT_FLOAT_EQ(o.x, -30.0f);
    // Mode 2: by MATRIXRASTER; chosen and used in the same pass.
    e.in().press(key::G);
    e.in().release(key::G);
    e.tap(key::Up);
    EXPECT_FLOAT_EQ(o.y, -16.0f);
    EXPECT_EQ(e.b.map.scrollOffsetY, -16);
}

TEST(Keys, PageKeysChangeTheLayer) {
    Editor e;
    e.tap(key::PageUp);
    EXPECT_EQ(e.b.edit.currentLayer, 2);
    EXPECT_EQ(e.b.map.maxUsedLayer, 2);
    e.tap(key::PageDown);
    e.tap(key::PageDown);
    e.tap(key::PageDown);
    EXPECT_EQ(e.b.edit.currentLayer, 0);
}

TEST(DnaWindow, GadgetAndMenuEventsReachTheDnaEditorWithoutTouchingTheMap) {
    Editor e;
    tarn::placeTile(e.b);
    e.event(tarn::kEventGadget, tarn::kDnaWindow, 100);
    e.event(tarn::kEventGadget, tarn::kDnaWindow, 101);
    e.event(tarn::kEventMenu, tarn::kDnaWindow, 110);
    e.event(tarn::kEventMenu, tarn::kDnaWindow, 109);
    EXPECT_EQ(e.run(4), 4);
    EXPECT_EQ(e.b.map.lastObject, 0);
    EXPECT_TRUE(e.tp.dialogs().boxes().empty());
}
