// The editor screen: frame order, layers, blending pairs, stretch, mini-map zoom, the cursor tile,
// the screen log, the grid and the quick help.
#include "Harness.h"

#include "builder/EditorScreen.h"
#include "builder/MapEditing.h"

using namespace tarntest;
using plat::test::Op;

namespace {
struct Screen : Harness {
    Screen() {
        addKind("a", 100, 50, {{"worldFTileTransparency", "255"}, {"worldFTileID", "GA"}});
        addKind("b", 20, 20, {{"worldFTileTransparency", "128"}, {"postEFFECT", "5x2"}});
        addKind("c", 10, 10, {{"worldFTileTransparency", "255"}, {"postEFFECT", "0x2"}});
        screen.push_back({"MATRIXRASTER", "256"});
        EXPECT_TRUE(start());
        tarn::newMap(b);
        b.edit.rasterMode = tarn::kRasterOff;
    }
    int place(const std::string& kind, int x, int y, int layer) {
        b.tiles.currentKind = tarn::findKind(b, kind);
        b.edit.cursorX = x;
        b.edit.cursorY = y;
        b.edit.currentLayer = layer;
        EXPECT_TRUE(tarn::placeTile(b));
        return b.map.lastObject;
    }
    std::vector<plat::test::Call> frame() {
        gfx().clearCalls();
        tarn::redraw(b);
        return gfx().calls();
    }
    plat::SpriteId sprite(const std::string& kind) {
        return b.tiles.kinds[static_cast<std::size_t>(tarn::findKind(b, kind))].sprite;
    }
};

std::vector<plat::test::Call> only(const std::vector<plat::test::Call>& calls, Op op) {
    std::vector<plat::test::Call> out;
    for (const auto& c : calls)
        if (c.op == op) out.push_back(c);
    return out;
}
} // namespace

TEST(PostEffect, PairsNeedBothPartsNonZero) {
    EXPECT_EQ(tarn::postEffectPair("5x2"), std::make_pair(5, 2));
    EXPECT_EQ(tarn::postEffectPair("0x2"), std::make_pair(0, 0));
    EXPECT_EQ(tarn::postEffectPair("5x"), std::make_pair(0, 0));
    EXPECT_EQ(tarn::postEffectPair("2"), std::make_pair(0, 0));
    EXPECT_EQ(tarn::postEffectPair("9x10x3"), std::make_pair(9, 10));
}

TEST(Redraw, FrameStepsInOrder) {
    Screen s;
    s.b.edit.quickHelp = 1;
    const auto calls = s.frame();
    std::vector<Op> order;
    for (const auto& c : calls)
        if (order.empty() || order.back() != c.op) order.push_back(c.op);
    const std::vector<Op> expect = {Op::Begin3D, Op::Clear,    Op::Blend, Op::Zoom,  Op::Draw, Op::End3D,
                                    Op::Begin2D, Op::TextMode, Op::Text,  Op::Point, Op::Text, Op::TextMode,
                                    Op::FillBox, Op::Text,     Op::End2D, Op::Flip};
    // The cursor tile (kind "c" with a pair of 0x2: no blend call of its own) is the only sprite.
    ASSERT_GE(order.size(), 3u);
    std::vector<Op> filtered;
    for (Op op : order)
        if (op != Op::Blend) filtered.push_back(op);
    std::vector<Op> expectFiltered;
    for (Op op : expect)
        if (op != Op::Blend) expectFiltered.push_back(op);
    EXPECT_EQ(filtered, expectFiltered);
    EXPECT_EQ(only(calls, Op::Clear)[0].colour, plat::rgb(10, 10, 10));
}

TEST(Redraw, LayersBottomUpThenIndexOrderWithAlphaAndPairs) {
    Screen s;
    const int top = s.place("a", 0, 0, 3);
    const int mid = s.place("b", 10, 10, 1);
    const int low = s.place("c", 20, 20, 1);
    s.b.tiles.currentKind = tarn::findKind(s.b, "a");
    s.in().setMouseButton(2, true); // no cursor tile while the right button is down
    s.in().examineMouse();
    const auto calls = s.frame();
    const auto draws = only(calls, Op::Draw);
    ASSERT_EQ(draws.size(), 3u);
    EXPECT_EQ(draws[0].sprite, s.sprite("b"));
    EXPECT_EQ(draws[1].sprite, s.sprite("c"));
    EXPECT_EQ(draws[2].sprite, s.sprite("a"));
    EXPECT_EQ(draws[0].alpha, 128);
    EXPECT_EQ(std::make_pair(draws[0].blendSrc, draws[0].blendDst), std::make_pair(5, 2));
    // "0x2" keeps the default pair.
    EXPECT_EQ(std::make_pair(draws[1].blendSrc, draws[1].blendDst), std::make_pair(5, 6));
    EXPECT_EQ(std::make_pair(draws[2].x, draws[2].y), std::make_pair(0.0f, 0.0f));
    (void)top;
    (void)mid;
    (void)low;
}

TEST(Redraw, DeletedOffscreenAndHigherLayersAreNotDrawn) {
    Screen s;
    const int gone = s.place("b", 0, 0, 0);
    s.b.map.objects[static_cast<std::size_t>(gone)].present = 0;
    s.place("b", 2000, 0, 0); // right of the desktop
    s.place("b", -20, 0, 0);  // x + width = 0 still touches
    const int above = s.place("b", 0, 0, 2);
    s.b.map.maxUsedLayer = 1; // a layer above the max used layer is not drawn
    s.b.map.objects[static_cast<std::size_t>(above)].layer = 2;
    s.in().setMouseButton(2, true);
    s.in().examineMouse();
    const auto draws = only(s.frame(), Op::Draw);
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_FLOAT_EQ(draws[0].x, -20.0f);
}

TEST(Redraw, StretchedObjectsCoverTheDesktopAndStayThere) {
    Screen s;
    s.addKind("sky", 8, 8, {{"worldFStretch", "1"}, {"worldFTileTransparency", "255"}});
    tarn::clearWorld(s.b);
    s.b.map.lastObject = -1;
    const int sky = s.place("sky", 300, 200, 0);
    s.in().setMouseButton(2, true);
    s.in().examineMouse();
    const auto calls = s.frame();
    const auto draws = only(calls, Op::Draw);
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(std::make_pair(draws[0].x, draws[0].y), std::make_pair(0.0f, 0.0f));
    EXPECT_EQ(std::make_pair(draws[0].w, draws[0].h), std::make_pair(1024.0f, 768.0f));
    const auto& o = s.b.map.objects[static_cast<std::size_t>(sky)];
    EXPECT_EQ(std::make_pair(o.x, o.width), std::make_pair(0.0f, 1024.0f));
}

TEST(Redraw, MiniMapZoomsTheWorldButNotTheCursorTile) {
    Screen s;
    s.place("a", 300, 200, 1);
    s.b.tiles.currentKind = tarn::findKind(s.b, "a");
    s.b.edit.cursorX = 40;
    s.b.edit.cursorY = 60;
    s.b.screen.zoomX = s.b.screen.zoomY = 0.1f;
    const auto draws = only(s.frame(), Op::Draw);
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(std::make_pair(draws[0].w, draws[0].h), std::make_pair(10.0f, 5.0f));
    EXPECT_EQ(std::make_pair(draws[0].x, draws[0].y), std::make_pair(30.0f, 20.0f));
    EXPECT_EQ(std::make_pair(draws[1].w, draws[1].h), std::make_pair(100.0f, 50.0f));
    EXPECT_EQ(std::make_pair(draws[1].x, draws[1].y), std::make_pair(40.0f, 60.0f));
    EXPECT_EQ(draws[1].alpha, 255);
}

TEST(Redraw, CursorTileTakesTheLastObjectsPairUnlessItHasItsOwn) {
    Screen s;
    s.place("b", 0, 0, 1);                            // 5x2
    s.b.tiles.currentKind = tarn::findKind(s.b, "c"); // 0x2: no pair of its own
    auto draws = only(s.frame(), Op::Draw);
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(std::make_pair(draws[1].blendSrc, draws[1].blendDst), std::make_pair(5, 2));
    s.b.tiles.currentKind = tarn::findKind(s.b, "a");
    s.place("c", 0, 0, 1); // default pair, and now the last object
    s.b.tiles.currentKind = tarn::findKind(s.b, "b");
    draws = only(s.frame(), Op::Draw);
    EXPECT_EQ(std::make_pair(draws.back().blendSrc, draws.back().blendDst), std::make_pair(5, 2));
}

TEST(Redraw, MatrixModeWaitsBeforeTheCursorTile) {
    Screen s;
    s.b.edit.rasterMode = tarn::kRasterMatrixSize;
    const auto slept = s.tp.clock().totalSlept();
    s.frame();
    EXPECT_EQ(s.tp.clock().totalSlept() - slept, 50);
}

TEST(ScreenLog, LinesWithLastIndexMinusOne) {
    Screen s;
    s.b.tiles.currentKind = tarn::findKind(s.b, "a");
    const auto lines = tarn::screenLogLines(s.b);
    std::vector<std::pair<int, std::string>> expect = {
        {8, "QUADRAPLAN ScreenLog: Press [H] for QuickHelp"},
        {28, "Tiles used in Map:0 of 100"},
        {48, "MaxUndo0"},
        {68, "Actual Tile:0"},
        {128, "Actual Map Layer 1"},
        {148, "Global TileID:GA"},
        {168, "Max Used Layer: 0"},
        {188, "RasterMODE:OFF"},
    };
    EXPECT_EQ(lines, expect);
}

TEST(ScreenLog, LastObjectLinesAndHiddenToolsLine) {
    Screen s;
    s.place("b", 0, 0, 4);
    s.b.edit.toolsHidden = 1;
    s.b.edit.rasterMode = tarn::kRasterMatrixSize;
    const auto texts = only(s.frame(), Op::Text);
    std::map<int, std::string> byY;
    for (const auto& t : texts) {
        byY[static_cast<int>(t.y)] = t.text;
        EXPECT_EQ(t.colour, plat::rgb(0, 0, 0));
        EXPECT_EQ(t.back, plat::rgb(255, 255, 255));
        EXPECT_FLOAT_EQ(t.x, 0.0f);
    }
    EXPECT_EQ(byY[88], "Internal Static TileID:1");
    EXPECT_EQ(byY[108], "GFXFileName:b");
    EXPECT_EQ(byY[168], "Max Used Layer: 4");
    EXPECT_EQ(byY[188], "RasterMODE:MATRIX_SIZE");
    EXPECT_EQ(byY[208], "For TileWindow press [TAB]");
}

TEST(Grid, PointsOnTheRasterIncludingBothBounds) {
    Screen s; // WIDTH 1024, HEIGHT 768 (the desktop), MATRIXRASTER 256
    const auto points = only(s.frame(), Op::Point);
    EXPECT_EQ(points.size(), 5u * 4u);
    EXPECT_EQ(std::make_pair(points.back().x, points.back().y), std::make_pair(1024.0f, 768.0f));
    EXPECT_EQ(points[0].colour, plat::rgb(0, 255, 0));
    s.b.cfg.MATRIXRASTER = 0; // no raster: no grid, no division by zero
    EXPECT_TRUE(only(s.frame(), Op::Point).empty());
}

TEST(QuickHelp, BoxAndLines) {
    Screen s;
    s.b.edit.quickHelp = 1;
    const auto calls = s.frame();
    const auto boxes = only(calls, Op::FillBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(std::make_tuple(boxes[0].x, boxes[0].y, boxes[0].h), std::make_tuple(0.0f, 368.0f, 384.0f));
    // At least half the desktop, wider when the longest line needs it.
    EXPECT_GE(boxes[0].w, 512.0f);
    EXPECT_EQ(boxes[0].colour, plat::rgb(15, 15, 15));
    std::vector<plat::test::Call> help;
    for (const auto& t : only(calls, Op::Text))
        if (t.x == 32.0f) help.push_back(t);
    ASSERT_EQ(help.size(), 12u);
    EXPECT_EQ(help[0].text, "HELP: [H]");
    EXPECT_FLOAT_EQ(help[0].y, 384.0f);
    EXPECT_FLOAT_EQ(help[9].y, 384.0f + 142.0f);
    EXPECT_EQ(help[9].text, "Right MouseButton To Delete Tile  Using The Actual Layer");
    EXPECT_TRUE(help[0].transparent);
    EXPECT_EQ(help[0].colour, plat::rgb(200, 255, 0));
}

TEST(ScreenLog, TileCountIsTheNumberOfTilesOnTheMap) {
    Screen s;
    s.place("a", 0, 0, 1);
    s.place("b", 300, 0, 1);
    s.place("c", 600, 0, 1);
    EXPECT_EQ(tarn::screenLogLines(s.b)[1].second, "Tiles used in Map:3 of 100");
    s.b.edit.cursorX = 310;
    s.b.edit.cursorY = 5;
    ASSERT_TRUE(tarn::deleteTile(s.b));
    EXPECT_EQ(tarn::screenLogLines(s.b)[1].second, "Tiles used in Map:2 of 100");
}
