// The editor model: placing, deleting, resizing, the cursor, scrolling and layers.
#include "Harness.h"

#include "builder/MapEditing.h"
#include "builder/MapFiles.h"
#include "platform/Keys.h"

using namespace tarntest;

namespace {
// A started editor with one 32 x 32 kind and the map emptied by "new map".
struct Model : Harness {
    explicit Model(int maxTiles = 100) {
        screen.push_back({"MAXTILES", std::to_string(maxTiles)});
        addKind("wall", 32, 32, {{"worldFTileID", "W-1"}, {"worldFTileTransparency", "200"}});
        EXPECT_TRUE(start());
        tarn::newMap(b);
    }
    int placeAt(int x, int y, int layer) {
        b.edit.cursorX = x;
        b.edit.cursorY = y;
        b.edit.currentLayer = layer;
        EXPECT_TRUE(tarn::placeTile(b));
        return b.map.lastObject;
    }
    bool present(int i) { return b.map.objects[static_cast<std::size_t>(i)].present != 0; }
};
} // namespace

TEST(Placement, MaxTilesBoundsTheTable) {
    Model m(10);
    for (int i = 0; i < 11; ++i) EXPECT_TRUE(tarn::placeTile(m.b)) << i;
    EXPECT_EQ(m.b.map.lastObject, 10);
    EXPECT_FALSE(tarn::placeTile(m.b)); // the twelfth
    EXPECT_EQ(m.b.map.lastObject, 10);
}

TEST(Placement, AFailedLoadKeepsTheMap) {
    Model m;
    ASSERT_TRUE(tarn::placeTile(m.b));
    EXPECT_FALSE(tarn::loadMapOld(m.b, m.dir + "no such map"));
    EXPECT_EQ(m.b.map.lastObject, 0);
    EXPECT_EQ(m.b.map.objects[0].present, 1);
    ASSERT_TRUE(tarn::placeTile(m.b));
    EXPECT_EQ(m.b.map.lastObject, 1);
}

TEST(Placement, ObjectTakesTheKindsValuesAndRaisesMaxUsedLayer) {
    Model m;
    m.b.tiles.kinds[0].width = 40.0f;
    const int i = m.placeAt(100, 50, 7);
    const auto& o = m.b.map.objects[static_cast<std::size_t>(i)];
    EXPECT_EQ(o.name, "wall");
    EXPECT_EQ(o.kind, 0);
    EXPECT_FLOAT_EQ(o.x, 100.0f);
    EXPECT_FLOAT_EQ(o.y, 50.0f);
    EXPECT_FLOAT_EQ(o.width, 40.0f);
    EXPECT_EQ(o.layer, 7);
    EXPECT_EQ(o.globalTileId, "W-1");
    EXPECT_EQ(o.transparency, 200);
    EXPECT_EQ(o.present, 1);
    EXPECT_EQ(m.b.map.maxUsedLayer, 7);
    // Later resizes of the kind leave placed tiles alone.
    tarn::resizeTileKind(m.b, 4);
    EXPECT_FLOAT_EQ(o.width, 40.0f);
}

TEST(Placement, KindWithoutSpriteDoesNothing) {
    Model m;
    m.b.tiles.kinds[0].sprite = 0;
    EXPECT_FALSE(tarn::placeTile(m.b));
    EXPECT_EQ(m.b.map.lastObject, -1);
}

TEST(Deletion, HighestIndexFirstOnTheCurrentLayerOnly) {
    Model m;
    const int low = m.placeAt(0, 0, 1);
    const int high = m.placeAt(10, 10, 1);
    const int other = m.placeAt(10, 10, 2);
    m.b.edit.currentLayer = 1;
    m.b.edit.cursorX = m.b.edit.cursorY = 20;
    EXPECT_TRUE(tarn::deleteTile(m.b));
    EXPECT_FALSE(m.present(high));
    EXPECT_TRUE(m.present(low));
    EXPECT_TRUE(m.present(other));
    EXPECT_TRUE(tarn::deleteTile(m.b));
    EXPECT_FALSE(m.present(low));
    EXPECT_FALSE(tarn::deleteTile(m.b)); // only the other layer's tile is left
    EXPECT_TRUE(m.present(other));
}

TEST(Deletion, BothEdgesCountAsInside) {
    Model m;
    m.b.tiles.kinds[0].width = 10.6f; // right edge 10 + 10.6 rounds to 21
    const int i = m.placeAt(10, 10, 1);
    m.b.edit.cursorX = 21;
    m.b.edit.cursorY = 42;
    EXPECT_TRUE(tarn::deleteTile(m.b));
    EXPECT_FALSE(m.present(i));
    const int j = m.placeAt(10, 10, 1);
    m.b.edit.cursorX = 22;
    m.b.edit.cursorY = 10;
    EXPECT_FALSE(tarn::deleteTile(m.b));
    m.b.edit.cursorX = 10;
    m.b.edit.cursorY = 9;
    EXPECT_FALSE(tarn::deleteTile(m.b));
    EXPECT_TRUE(m.present(j));
}

TEST(Resize, OneNotchKeepsTheRatio) {
    Model m;
    auto& k = m.b.tiles.kinds[0];
    k.width = 32.0f;
    k.height = 16.0f;
    tarn::resizeTileKind(m.b, 1);
    EXPECT_FLOAT_EQ(k.height, 16.5f);
    EXPECT_FLOAT_EQ(k.width, 34.0f);
}

TEST(Resize, NeverToOnePixelOrBelow) {
    Model m;
    auto& k = m.b.tiles.kinds[0];
    k.width = 4.0f;
    k.height = 2.0f;
    tarn::resizeTileKind(m.b, -1); // height would become 1.0: not strictly above
    EXPECT_FLOAT_EQ(k.width, 4.0f);
    EXPECT_FLOAT_EQ(k.height, 2.0f);
    // The same on the other axis.
    k.width = 2.0f;
    k.height = 4.0f;
    tarn::resizeTileKind(m.b, -1);
    EXPECT_FLOAT_EQ(k.width, 2.0f);
    EXPECT_FLOAT_EQ(k.height, 4.0f);
}

TEST(Layers, PageUpStopsAt64AndPageDownAt0) {
    Model m;
    m.b.edit.currentLayer = 63;
    tarn::layerUp(m.b);
    tarn::layerUp(m.b);
    EXPECT_EQ(m.b.edit.currentLayer, 64);
    EXPECT_EQ(m.b.map.maxUsedLayer, 64);
    m.b.edit.currentLayer = 0;
    tarn::layerDown(m.b);
    EXPECT_EQ(m.b.edit.currentLayer, 0);
}

TEST(Cursor, RasterModeTwoStepsOneCellAndStaysOnTheDesktop) {
    Model m; // MATRIXRASTER 32, desktop 1024 x 768
    auto& in = m.in();
    in.setMouse(500, 500);
    in.examineMouse();
    m.b.edit.cursorX = m.b.edit.cursorY = 0;
    in.setMouse(400, 400); // left and up: would go below 0
    tarn::examineMouseAndCursor(m.b, tarn::kMainWindow);
    EXPECT_EQ(m.b.edit.cursorX, 0);
    EXPECT_EQ(m.b.edit.cursorY, 0);
    in.setMouse(900, 401); // a long move still gives one cell
    tarn::examineMouseAndCursor(m.b, tarn::kMainWindow);
    EXPECT_EQ(m.b.edit.cursorX, 32);
    EXPECT_EQ(m.b.edit.cursorY, 32);
    m.b.edit.cursorX = 960; // 960 + 32 = 992 < 1024: allowed; from 992 not
    in.setMouse(950, 401);
    tarn::examineMouseAndCursor(m.b, tarn::kMainWindow);
    EXPECT_EQ(m.b.edit.cursorX, 992);
    in.setMouse(1000, 401);
    tarn::examineMouseAndCursor(m.b, tarn::kMainWindow);
    EXPECT_EQ(m.b.edit.cursorX, 992);
}

TEST(Cursor, FreeModesFollowTheMouseInTheWindow) {
    Model m;
    m.b.edit.rasterMode = tarn::kRasterOff;
    m.in().setMouse(300, 250);
    tarn::examineMouseAndCursor(m.b, tarn::kMainWindow);
    EXPECT_EQ(std::make_pair(m.b.edit.cursorX, m.b.edit.cursorY), std::make_pair(300, 250));
    // Relative to the DNA window's inner area (at (256, 20) in the fake window layer).
    tarn::examineMouseAndCursor(m.b, tarn::kDnaWindow);
    EXPECT_EQ(std::make_pair(m.b.edit.cursorX, m.b.edit.cursorY), std::make_pair(44, 230));
}

TEST(Scrolling, StretchedObjectsStayWhileTheOffsetMoves) {
    Model m;
    m.addKind("sky", 8, 8, {{"worldFStretch", "1"}});
    tarn::clearWorld(m.b); // reload the set with the new kind
    m.b.map.lastObject = -1;
    m.b.tiles.currentKind = tarn::findKind(m.b, "sky");
    const int sky = m.placeAt(5, 5, 0);
    m.b.tiles.currentKind = tarn::findKind(m.b, "wall");
    const int wall = m.placeAt(5, 5, 0);
    tarn::scrollMapHorizontally(m.b, -32);
    tarn::scrollMapVertically(m.b, 16);
    EXPECT_FLOAT_EQ(m.b.map.objects[static_cast<std::size_t>(sky)].x, 5.0f);
    EXPECT_FLOAT_EQ(m.b.map.objects[static_cast<std::size_t>(sky)].y, 5.0f);
    EXPECT_FLOAT_EQ(m.b.map.objects[static_cast<std::size_t>(wall)].x, -27.0f);
    EXPECT_FLOAT_EQ(m.b.map.objects[static_cast<std::size_t>(wall)].y, 21.0f);
    EXPECT_EQ(m.b.map.scrollOffsetX, -32);
    EXPECT_EQ(m.b.map.scrollOffsetY, 16);
}

TEST(MapFiles, OldFormatRoundTripDropsDeletedTilesAndRounds) {
    Model m;
    m.b.tiles.kinds[0].width = 10.6f;
    m.placeAt(3, 4, 2);
    const int gone = m.placeAt(50, 50, 1);
    m.placeAt(7, 8, 5);
    m.b.map.objects[static_cast<std::size_t>(gone)].present = 0;
    m.b.mapFile.name = m.dir + "map";
    tarn::redrawMap(m.b);
    ASSERT_EQ(m.b.map.lastObject, 1);
    EXPECT_FLOAT_EQ(m.b.map.objects[0].width, 11.0f);
    EXPECT_EQ(m.b.map.objects[1].layer, 5);
    EXPECT_EQ(m.b.map.objects[1].name, "wall");
    EXPECT_NE(m.b.map.objects[1].sprite, 0);
    EXPECT_EQ(m.b.map.maxUsedLayer, 5);
}

TEST(MapFiles, TilesOfUnknownKindsStayInTheMap) {
    Model m;
    writeText(m.dir + "1", "0\r\n0\r\nTILE\r\ngone\r\n3\r\n1\r\n2\r\n30\r\n40\r\n2\r\nENGINETILEINFOEND\r\n");
    ASSERT_TRUE(tarn::loadMapOld(m.b, "1"));
    ASSERT_EQ(m.b.map.lastObject, 0);
    EXPECT_EQ(m.b.map.objects[0].present, 1);
    EXPECT_EQ(m.b.map.objects[0].sprite, 0);
    tarn::writeMapOld(m.b, m.dir + "again");
    EXPECT_NE(readText(m.dir + "again").find("gone"), std::string::npos);
}

TEST(MapFiles, LoadStopsAtTheTableCapacity) {
    Model m(2);
    std::string map = "0\r\n0\r\n";
    for (int i = 0; i < 5; ++i) map += "TILE\r\nwall\r\n0\r\n1\r\n1\r\n32\r\n32\r\n1\r\n";
    writeText(m.dir + "big", map + "ENGINETILEINFOEND\r\n");
    ASSERT_TRUE(tarn::loadMapOld(m.b, m.dir + "big"));
    EXPECT_EQ(m.b.map.lastObject, 2);
}

TEST(MapFiles, NewFormatSaveAndLoadThroughTheMenu) {
    Model m;
    m.placeAt(3, 4, 2);
    const int gone = m.placeAt(50, 50, 1);
    m.b.map.objects[static_cast<std::size_t>(gone)].present = 0;
    const std::string folder = m.dir + "MAPS/7/";
    fs::create_directories(folder + "_DATA/2DGFX");
    m.tp.dialogs().queueFolder(folder);
    tarn::dispatchMenuItem(m.b, 128);
    for (const char* f : {"0", "1", "2", "_", "_DATA/2DGFX/wall.bmp", "_DATA/2DGFX/wall.dll"})
        EXPECT_TRUE(fs::exists(folder + f)) << f;
    EXPECT_EQ(readText(folder + "_"), "1\r\n");
    // A cancelled requester changes nothing; a chosen folder replaces the map.
    tarn::dispatchMenuItem(m.b, 129);
    EXPECT_EQ(m.b.map.lastObject, 1);
    m.tp.dialogs().queueFolder(folder);
    tarn::dispatchMenuItem(m.b, 129);
    ASSERT_EQ(m.b.map.lastObject, 0);
    EXPECT_EQ(m.b.map.objects[0].layer, 2);
    EXPECT_EQ(m.b.mapFile.name, "1");
    EXPECT_EQ(m.tp.dialogs().requests()[0].title, "Save Map New Format:");
    // The load asks for a folder and starts where the save ended.
    EXPECT_EQ(m.tp.dialogs().requests()[1].title, "MAP-BUILDER: Open MAP Folder:");
    EXPECT_EQ(m.tp.dialogs().requests()[1].startFolder, folder);
    EXPECT_EQ(m.tp.dialogs().requests()[2].startFolder, folder);
}

TEST(Deletion, FindsTilesAcrossCellEdgesAfterScrollingAndAmongManyOthers) {
    Model m(5000);
    // A tile over the corner of four 128-pixel cells, many tiles elsewhere on the same layer.
    const int corner = m.placeAt(120, 120, 1);
    for (int i = 0; i < 3000; ++i) m.placeAt(400 + i % 300, 400 + i / 300, 1);
    m.b.edit.cursorX = 140;
    m.b.edit.cursorY = 151; // bottom edge: y 120 + 32 rounded, inside
    tarn::scrollMapHorizontally(m.b, 50);
    EXPECT_FALSE(tarn::deleteTile(m.b)); // the tile moved away from the cursor
    m.b.edit.cursorX = 190;
    ASSERT_TRUE(tarn::deleteTile(m.b));
    EXPECT_FALSE(m.present(corner));
    // A stretched tile covers the whole desktop once drawn and is found anywhere.
    auto stretch = std::make_shared<tarn::KindDna>();
    stretch->worldFStretch = 1;
    stretch->loaded = 1;
    m.b.tiles.kinds[0].dna = stretch;
    const int stretched = m.placeAt(0, 0, 1);
    m.b.map.objects[static_cast<std::size_t>(stretched)].width = 1024;
    m.b.map.objects[static_cast<std::size_t>(stretched)].height = 768;
    m.b.edit.cursorX = 1000;
    m.b.edit.cursorY = 700;
    ASSERT_TRUE(tarn::deleteTile(m.b));
    EXPECT_FALSE(m.present(stretched));
}
