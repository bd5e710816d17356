// Where mouse events land at the very edges of a tool window and of its inner area (every edge, on
// both axes), and that reloading the tile set gives back every picture it held.
#include "Harness.h"

#include "builder/DnaSet.h"

using namespace tarntest;

TEST(ToolWindowEdges, EveryEdgeOnBothAxesBelongsToTheRightWindow) {
    tarn::EventTranslator tr;
    // The whole window 100..299 x 50..199; the inner area 100..299 x 70..199.
    tr.setToolAreas({{102, true, 100, 50, 200, 150, 100, 70, 200, 130}});
    const auto windowAt = [&](int x, int y) {
        tr.wheel(x, y);
        return tr.pop().window;
    };
    for (auto [x, y] : {std::pair{100, 50}, {299, 50}, {100, 199}, {299, 199}}) {
        EXPECT_EQ(windowAt(x, y), 102) << x << "," << y;
    }
    for (auto [x, y] : {std::pair{99, 120}, {300, 120}, {150, 49}, {150, 200}}) {
        EXPECT_EQ(windowAt(x, y), tarn::kMainWindow) << x << "," << y;
    }

    // A left press counts only inside the inner area: its corners yes, one pixel above or left of it
    // (the title bar and the frame) no.
    const auto pressGives = [&](int x, int y) {
        tr.mouseButton(1, true, x, y);
        const tarn::WindowEvent ev = tr.pop();
        tr.mouseButton(1, false, x, y);
        tr.pop();
        return ev;
    };
    tarn::WindowEvent ev = pressGives(100, 70);
    EXPECT_EQ(ev.value, tarn::kEventLeftButtonDown);
    EXPECT_EQ(std::make_pair(ev.x, ev.y), std::make_pair(0, 0));
    ev = pressGives(299, 199);
    EXPECT_EQ(ev.value, tarn::kEventLeftButtonDown);
    EXPECT_EQ(std::make_pair(ev.x, ev.y), std::make_pair(199, 129));
    tr.setToolAreas({{102, true, 90, 50, 210, 150, 100, 70, 200, 130}});
    EXPECT_EQ(pressGives(99, 120).value, 0) << "the frame left of the inner area";
    EXPECT_EQ(pressGives(150, 69).value, 0) << "the bar above the inner area";
    EXPECT_EQ(pressGives(100, 120).value, tarn::kEventLeftButtonDown);
    EXPECT_EQ(pressGives(150, 70).value, tarn::kEventLeftButtonDown);
}

TEST(TileSet, ReloadingGivesBackEveryPicture) {
    Harness h;
    for (const char* k : {"a", "b", "c"}) h.addKind(k, 16, 16);
    ASSERT_TRUE(h.start());
    ASSERT_EQ(h.b.tiles.kinds.size(), 3u);
    const int sprites = h.gfx().liveSprites();
    ASSERT_GE(sprites, 6) << "a picture and a drawable per kind";
    tarn::loadDnaSet(h.b);
    tarn::loadDnaSet(h.b);
    EXPECT_EQ(h.b.tiles.kinds.size(), 3u);
    EXPECT_EQ(h.gfx().liveSprites(), sprites);
    tarn::freeDnaSet(h.b);
    EXPECT_EQ(h.gfx().liveSprites(), sprites - 6);
}
