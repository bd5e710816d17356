// The 2D status layer (status screen, bottom bar), the debug overlay and the loading screen.
#include <gtest/gtest.h>

#include "EngineTestKit.h"
#include "engine/DebugOverlay.h"
#include "engine/EngineSetup.h"
#include "engine/LoadingScreen.h"
#include "engine/StatusScreen.h"

using namespace engine;

using kit::Harness;
using kit::TempDir;
using plat::test::Call;
using plat::test::Op;

namespace {

struct Screen : kit::Started {
    explicit Screen(const kit::KV& extra = {}) : kit::Started(extra) { h.gfx().clearCalls(); }
    std::vector<Call> texts() { return h.gfx().callsOf(Op::Text); }
};

bool hasText(const std::vector<Call>& calls, const std::string& prefix) {
    for (const auto& c : calls)
        if (c.text.rfind(prefix, 0) == 0) return true;
    return false;
}

} // namespace

TEST(StatusLayer, NoWorldShowsTheStatusScreenAndTheBannerScrolls) {
    Screen s(kit::KV{{"VERSION", "v9"}, {"APPENTRY", "3"}});
    Biosim& e = s.e();
    e.nextMapId = 3;
    e.statusLineY = 767;
    drawStatusLayer(e);
    const auto texts = s.texts();
    ASSERT_EQ(texts.size(), 503u); // 501 characters, the banner, the missing-connection line
    const Call& banner = texts[501];
    EXPECT_EQ(banner.x, 256.0f);
    EXPECT_EQ(banner.y, 767.0f);
    EXPECT_EQ(banner.colour, plat::rgb(0, 255, 0));
    EXPECT_EQ(banner.text.rfind("###   KORVEX_ENGINE  ###    ", 0), 0u);
    EXPECT_NE(banner.text.find("### ERROR: NO VALID DATA ###                     ENGINE VERSION v9"),
              std::string::npos);
    EXPECT_EQ(texts[502].text, "MISSING CONNECTION TO MAPS/3");
    EXPECT_EQ(texts[502].y, 767.0f + 28.0f);
    EXPECT_EQ(texts[0].colour, plat::rgb(0, 100, 0));
    // No character without a glyph (control codes, no-break space): a font draws those as boxes.
    int glyphless = 0;
    for (const Call& c : texts)
        for (const char ch : c.text) {
            const auto u = static_cast<unsigned char>(ch);
            glyphless += u < 32 || (u >= 127 && u <= 160);
        }
    EXPECT_EQ(glyphless, 0);
    EXPECT_EQ(e.statusLineY, 768);
    drawStatusLayer(e);
    EXPECT_EQ(e.statusLineY, 0); // passed the bottom: back to the top

    // While a map is fetched the lines name the server and the map instead of a missing connection.
    e.serverReachable = 1;
    e.server.fetching = true;
    e.serverMaps = "http://maps.test/";
    s.h.gfx().clearCalls();
    drawStatusLayer(e);
    const auto fetching = s.texts();
    EXPECT_FALSE(hasText(fetching, "MISSING CONNECTION"));
    EXPECT_TRUE(hasText(fetching, "CONNECTING TO http://maps.test/3"));
    EXPECT_TRUE(hasText(fetching, "TRY TO GET: "));
}

TEST(StatusLayer, AWorldWithTwoTilesShowsNoStatusScreenButAlwaysTheBottomBar) {
    Screen s;
    Biosim& e = s.e();
    e.kinds.lastTileId = 1;
    e.aspectOffsetY = 16.0f;
    drawStatusLayer(e);
    EXPECT_TRUE(s.texts().empty());
    const auto boxes = s.h.gfx().callsOf(Op::FillBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].y, 768.0f - 16.0f);
    EXPECT_EQ(boxes[0].w, 1024.0f);
    EXPECT_EQ(boxes[0].h, 16.0f);
    EXPECT_EQ(boxes[0].colour, plat::rgb(1, 1, 1));
    // A map with one tile kind (id 0) still shows the status screen; a missing map clears first.
    e.kinds.lastTileId = 0;
    e.mapMissing = 1;
    s.h.gfx().clearCalls();
    drawStatusLayer(e);
    EXPECT_EQ(s.h.gfx().calls().front().op, Op::Clear);
    EXPECT_EQ(s.texts().size(), 503u);
}

TEST(DebugOverlay, FiguresGridCellsOnScreenAndPanelsOfVisibleMovingObjects) {
    Screen s(kit::KV{{"GRIDSIZE", "100"}, {"MATRIXSIZE", "20"}});
    Biosim& e = s.e();
    e.scalerX = e.scalerY = 1.0f;
    e.kinds.lastTileId = 5;
    e.level.scrollX = -150.0f; // column 1 at x = -50: off screen; column 2 at x = 50
    // Two moving objects, one hidden, and a still one.
    e.level.objectCount = 2;
    e.objectTable[0].worldFTileVELO = 2.0f;
    e.objectTable[0].Visible = 1;
    e.objectTable[0].MapX = 300;
    e.objectTable[0].worldFTileIDString = "HERO";
    e.objectTable[1].worldFTileVELO = 2.0f;
    e.objectTable[1].Visible = 0;
    e.objectTable[2].Visible = 1;
    // Build the grid and mark a cell.
    buildGridMatrix(e);
    e.gridCell(2, 0).marker = 1;
    e.debugMode = 1;
    drawStatusLayer(e);
    const auto texts = s.texts();
    EXPECT_TRUE(hasText(texts, "AREA-H: 100.0000 AREA-W :100.0000 AREAS: 20*20 AREA X"));
    EXPECT_TRUE(hasText(texts, "MAPID#:"));
    EXPECT_TRUE(hasText(texts, "InternalNameHERO"));
    EXPECT_TRUE(hasText(texts, "InternalID0"));
    EXPECT_FALSE(hasText(texts, "InternalID1"));
    EXPECT_FALSE(hasText(texts, "InternalID2"));
    int red = 0, firstColumn = 0;
    for (const auto& c : s.h.gfx().callsOf(Op::OutlineBox)) {
        if (c.colour == plat::rgb(255, 0, 0)) ++red;
        if (c.x < 0.0f) ++firstColumn;
        EXPECT_GE(c.x, -1.0f);
        EXPECT_LT(c.x, 1024.0f);
        EXPECT_LT(c.y, 768.0f);
    }
    EXPECT_EQ(red, 1);
    EXPECT_EQ(firstColumn, 0);
}

TEST(LoadingScreen, ScaleFactorsAndPicturesAtStartUp) {
    TempDir dir;
    kit::writeWorld(dir, kit::KV{{"SOURCEWIDTH", "512.0"}, {"SOURCEHEIGHT", "384.0"}});
    dir.write("_DATA/2DGFX/LOAD.bmp", kit::bmp(40, 20));
    Harness h;
    ASSERT_TRUE(h.start(dir.path()));
    Biosim& e = *h.e;
    EXPECT_EQ(e.scalerX, 1.0f); // 1024 / 512 / 2
    EXPECT_EQ(e.scalerY, 1.0f);
    EXPECT_EQ(e.loadPictures[0].ready, 1);
    EXPECT_EQ(e.loadPictures[0].scaledWidth, 40.0f);
    EXPECT_EQ(e.loadPictures[1].ready, 0); // LOADCIRCLE is missing: skipped
    auto info = h.gfx().sprite(e.loadPictures[0].sprite);
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->transparent, plat::rgb(255, 255, 255));
}

TEST(LoadingScreen, PicturesEveryStepBarAndFlipEveryEleventh) {
    TempDir dir;
    kit::writeWorld(dir);
    dir.write("_DATA/2DGFX/LOAD.bmp", kit::bmp(40, 20));
    dir.write("_DATA/2DGFX/LOADCIRCLE.bmp", kit::bmp(30, 30));
    Harness h;
    ASSERT_TRUE(h.start(dir.path()));
    Biosim& e = *h.e;
    e.loadProgress = 1.0f;
    e.loadStep = 1024.0f / 1000.0f;
    e.loadBarHeight = 768.0f / 50.0f;
    h.gfx().clearCalls();
    const int flips = h.gfx().flips();
    for (int i = 0; i < 10; ++i) loadingStep(e);
    EXPECT_EQ(h.gfx().flips(), flips); // nothing shown during the first ten steps
    EXPECT_EQ(h.gfx().draws().size(), 20u);
    loadingStep(e);
    EXPECT_EQ(h.gfx().flips(), flips + 1);
    const auto draws = h.gfx().draws();
    EXPECT_EQ(draws[0].alpha, 20);
    EXPECT_EQ(draws[1].alpha, 200);
    EXPECT_EQ(h.gfx().callsOf(Op::FillBox).size(), 4u);
    EXPECT_EQ(e.loadStepCounter, 0);
    for (int i = 0; i < 989; ++i) loadingStep(e);
    EXPECT_NEAR(e.loadProgress, 1025.0f, 0.1f); // the full width after 1000 steps
}
