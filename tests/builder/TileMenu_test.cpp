// The tile window: picture grid, hit test and selection; the event translation of the window
// layer; input scripts.
#include "Harness.h"

#include "builder/MapEditing.h"
#include "builder/ScriptedInput.h"
#include "builder/TileMenu.h"

#include <tuple>

using namespace tarntest;

namespace {
struct Tiles : Harness {
    explicit Tiles(int kinds) {
        for (int i = 0; i < kinds; ++i) addKind("k" + std::to_string(10 + i), 16, 16);
        EXPECT_TRUE(start());
    }
};
} // namespace

TEST(TileMenu, RowWrapsOnceXPassesInnerWidthMinus64) {
    Tiles t(9);
    t.win.wins[102].w = 400;
    tarn::drawTileMenu(t.b);
    ASSERT_EQ(t.win.cells.size(), 9u);
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(std::make_pair(t.win.cells[i].x, t.win.cells[i].y), std::make_pair(50 * i, 0));
    EXPECT_EQ(std::make_pair(t.win.cells[7].x, t.win.cells[7].y), std::make_pair(0, 50));
    // A narrower window and "Refresh" re-flow the grid.
    t.win.wins[102].w = 200;
    tarn::dispatchMenuItem(t.b, 116);
    EXPECT_EQ(std::make_pair(t.win.cells[3].x, t.win.cells[3].y), std::make_pair(0, 50));
}

TEST(TileMenu, KindsWithoutAPictureTakeNoCellAndCannotBeChosen) {
    Tiles t(3);
    t.b.tiles.kinds[1].menuPicture = 0;
    t.win.wins[102].w = 400;
    tarn::drawTileMenu(t.b);
    ASSERT_EQ(t.win.cells.size(), 2u);
    EXPECT_EQ(t.win.cells[1].kind, 2);
    EXPECT_EQ(t.win.cells[1].x, 50);
    EXPECT_EQ(std::make_pair(t.b.tiles.kinds[1].menuX, t.b.tiles.kinds[1].menuY), std::make_pair(50, 0));
    t.b.tiles.currentKind = 0;
    tarn::selectTileAtMouse(t.b, 60, 10);
    EXPECT_EQ(t.b.tiles.currentKind, 2);

    // A set none of whose pictures decode still has a current kind inside the set: the last.
    Harness broken;
    for (const char* name : {"p", "q"}) {
        broken.addKind(name, 16, 16);
        ASSERT_TRUE(support::writeFile(broken.dir + "_DATA/2DGFX/" + name + ".bmp", "not a picture"));
    }
    ASSERT_TRUE(broken.start());
    ASSERT_EQ(broken.b.tiles.kinds.size(), 2u);
    EXPECT_EQ(broken.b.tiles.kinds[1].picture, 0);
    EXPECT_EQ(broken.b.tiles.currentKind, 1);
}

TEST(TileMenu, ClickStrictlyInsideSelectsAndSetsTheTitle) {
    Tiles t(2);
    t.win.wins[102].w = 400;
    tarn::drawTileMenu(t.b);
    t.b.tiles.currentKind = 0;
    tarn::selectTileAtMouse(t.b, 50, 10); // left edge of cell 1
    EXPECT_EQ(t.b.tiles.currentKind, 0);
    tarn::selectTileAtMouse(t.b, 60, 0); // top edge
    EXPECT_EQ(t.b.tiles.currentKind, 0);
    tarn::selectTileAtMouse(t.b, 98, 48); // bottom/right edge
    EXPECT_EQ(t.b.tiles.currentKind, 0);
    tarn::selectTileAtMouse(t.b, 97, 47);
    EXPECT_EQ(t.b.tiles.currentKind, 1);
    EXPECT_EQ(t.win.title(102), "Tile:1MAP: 1");
}

TEST(TileMenu, LeftButtonEventInTheTileWindowSelectsThenThePaintMessageRedraws) {
    Tiles t(3);
    t.b.tiles.currentKind = 0;
    t.event(tarn::kEventLeftButtonDown, tarn::kTileWindow, 0, 110, 20);
    t.run(1);
    EXPECT_EQ(t.b.tiles.currentKind, 2);
    t.win.cells.clear();
    t.event(tarn::kEventPaint, tarn::kTileWindow);
    t.run(1);
    EXPECT_EQ(t.win.cells.size(), 3u);
}

TEST(TileMenu, MenuBarHasEveryTitleAndItem) {
    const auto& bar = tarn::tileMenuBar();
    std::vector<std::string> titles;
    std::vector<int> items;
    for (const auto& m : bar) {
        titles.emplace_back(m.title);
        for (const auto& i : m.items) items.push_back(i.number);
    }
    EXPECT_EQ(titles, (std::vector<std::string>{"BUILDER:", "MAP", "Refresh Tiles?", "Hide Window?",
                                                "Tools:", "Info"}));
    EXPECT_EQ(items, (std::vector<int>{128, 0,   129, 0,   131, 130, 0,   106, 115, 0,  117,
                                       0,   150, 151, 152, 116, 122, 125, 126, 127, 107}));
}

TEST(Translator, MouseEventsGoToTheWindowUnderTheMouseWithCapture) {
    tarn::EventTranslator tr;
    tr.setToolAreas({{102, true, 0, 0, 200, 150, 0, 40, 200, 110}});
    tr.mouseButton(1, true, 30, 60); // inside the tile window's inner area
    auto ev = tr.pop();
    EXPECT_EQ(ev.value, tarn::kEventLeftButtonDown);
    EXPECT_EQ(ev.window, 102);
    EXPECT_EQ(std::make_pair(ev.x, ev.y), std::make_pair(30, 20));
    tr.mouseMove(500, 500); // dragged out while held: still the tile window's
    EXPECT_EQ(tr.pop().window, 102);
    tr.mouseButton(1, false, 500, 500);
    EXPECT_EQ(tr.pop().window, 102);
    tr.mouseMove(500, 500);
    EXPECT_EQ(tr.pop().window, 100);
    tr.mouseButton(1, true, 30, 10); // title bar: the window's own business
    EXPECT_TRUE(tr.empty());
    tr.mouseButton(1, false, 30, 10);
    tr.pop();
}

TEST(Translator, MovesMergeAndHiddenWindowsTakeNothing) {
    tarn::EventTranslator tr;
    tr.setToolAreas({{102, false, 0, 0, 200, 150, 0, 40, 200, 110}});
    tr.mouseMove(10, 10);
    tr.mouseMove(20, 20);
    tr.mouseMove(30, 30);
    const auto ev = tr.pop();
    EXPECT_EQ(ev.window, 100);
    EXPECT_EQ(ev.x, 30);
    EXPECT_TRUE(tr.empty());
    tr.setActive(102);
    tr.key(true);
    EXPECT_EQ(tr.pop().window, 102);
}

TEST(InputScript, ParsesAndOrdersByPass) {
    std::vector<tarn::ScriptAction> acts;
    std::string err;
    ASSERT_TRUE(tarn::parseInputScript(
        "# comment\n3 press left\n1 move 10 20\n\n2 menu 106\n2 key 35\n4 release right\n", acts, err))
        << err;
    ASSERT_EQ(acts.size(), 5u);
    EXPECT_EQ(acts[0].verb, tarn::ScriptAction::Verb::Move);
    EXPECT_EQ(std::make_pair(acts[0].a, acts[0].b), std::make_pair(10, 20));
    EXPECT_EQ(acts[1].verb, tarn::ScriptAction::Verb::Menu);
    EXPECT_EQ(std::make_pair(acts[1].a, acts[1].b), std::make_pair(106, 102));
    EXPECT_EQ(acts[2].verb, tarn::ScriptAction::Verb::Key);
    EXPECT_EQ(acts[3].verb, tarn::ScriptAction::Verb::Press);
    EXPECT_EQ(acts[3].a, 1);
    EXPECT_EQ(acts[4].verb, tarn::ScriptAction::Verb::Release);
    EXPECT_EQ(acts[4].a, 2);
    // A requester's answer keeps its path whole, blanks inside included; no path cancels.
    ASSERT_TRUE(tarn::parseInputScript("2 answer\n1 answer MAPS/my map/ \n", acts, err)) << err;
    ASSERT_EQ(acts.size(), 2u);
    EXPECT_EQ(acts[0].verb, tarn::ScriptAction::Verb::Answer);
    EXPECT_EQ(acts[0].text, "MAPS/my map/");
    EXPECT_EQ(acts[1].text, "");
    for (const char* bad : {"x move 1 2", "0 move 1 2", "1 move 1", "1 key 300", "1 press up", "1 jump",
                            "1 wheel 99999999999999999999"}) {
        EXPECT_FALSE(tarn::parseInputScript(bad, acts, err)) << bad;
        EXPECT_NE(err.find("line 1"), std::string::npos);
    }
}

TEST(InputScript, ReadsBiosimSpellingsAsTheEditorsActions) {
    std::vector<tarn::ScriptAction> acts;
    std::string err;
    // biosim's words for keys and the mouse become tarn's actions; its joystick and quit are skipped.
    ASSERT_TRUE(tarn::parseInputScript("1 mouse 10 20\n2 mousebutton 1 down\n3 mousebutton 1 up\n4 35 down\n"
                                       "5 key 35 up\n5 joystick 1 0\n5 joybutton 2 down\n6 quit\n",
                                       acts, err))
        << err;
    using V = tarn::ScriptAction::Verb;
    const std::vector<std::tuple<long, V, int, int>> want = {{1, V::Move, 10, 20},
                                                             {2, V::Press, 1, 0},
                                                             {3, V::Release, 1, 0},
                                                             {4, V::KeyDown, 35, 0},
                                                             {5, V::KeyUp, 35, 0}};
    std::vector<std::tuple<long, V, int, int>> got;
    for (const tarn::ScriptAction& a : acts) got.emplace_back(a.pass, a.verb, a.a, a.b);
    EXPECT_EQ(got, want);
}
