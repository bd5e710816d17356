// Tiled maps in: every way a Tiled map holds a tile becomes one record at the place Tiled draws it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/Images.h"
#include "tests/support/TempFolder.h"
#include "world/MapFormat.h"
#include "world/TiledMaps.h"

// A tile object, a tile object without a size of its own (its picture's size), a flipped tile, a
// tile layer as a list and one as Base64, a layer inside a group, and layer and group offsets:
// each record lands where Tiled draws the tile, on the segment of its layer's place in the order.
TEST(TiledMaps, EveryKindOfTileImportsWhereTiledDrawsIt) {
    support::TempFolder t("tiled_import");
    ASSERT_TRUE(support::writeBmp(t.file("art/rock.bmp"), 32, 32, 1, 2, 3));
    ASSERT_TRUE(support::writeBmp(t.file("art/tree.bmp"), 16, 48, 1, 2, 3));
    // Base64 of the cells [0, 2] (little-endian 32-bit global ids).
    const std::string base64Cells = "AAAAAAIAAAA=";
    t.write("m.tmj", R"({"type": "map", "orientation": "orthogonal", "infinite": false,
 "tilewidth": 32, "tileheight": 32, "width": 4, "height": 4,
 "tilesets": [{"firstgid": 1, "name": "kinds", "tilewidth": 32, "tileheight": 48, "tilecount": 2, "columns": 0,
   "tiles": [{"id": 0, "image": "art/rock.bmp", "imagewidth": 32, "imageheight": 32},
             {"id": 1, "image": "art/tree.bmp", "imagewidth": 16, "imageheight": 48}]}],
 "layers": [
  {"type": "objectgroup", "name": "things", "objects": [
    {"id": 1, "gid": 1, "x": 40, "y": 80, "width": 64, "height": 64},
    {"id": 2, "gid": 2, "x": 100, "y": 60},
    {"id": 3, "gid": 2147483649, "x": 0, "y": 32, "width": 32, "height": 32}]},
  {"type": "tilelayer", "name": "ground", "width": 2, "height": 1, "data": [1, 0]},
  {"type": "tilelayer", "name": "b64", "width": 2, "height": 1, "encoding": "base64", "data": ")" +
                         base64Cells + R"("},
  {"type": "group", "name": "front", "offsetx": 10, "offsety": 5, "layers": [
    {"type": "objectgroup", "name": "inner", "offsetx": 1, "offsety": 2, "objects": [
      {"id": 4, "gid": 1, "x": 0, "y": 32, "width": 32, "height": 32}]}]}
 ]})");
    const world::TiledResult r = world::importTiledMap(t.file("m.tmj"), t.file("MAPS/5"));
    ASSERT_TRUE(r.ok) << r.message;
    world::LoadedMap map;
    ASSERT_TRUE(world::readMapFolder(t.file("MAPS/5/"), map));
    std::vector<std::string> got;
    for (const world::PlacedTile& p : map.tiles)
        got.push_back(p.name + " " + std::to_string(static_cast<int>(p.x)) + "," +
                      std::to_string(static_cast<int>(p.y)) + " " +
                      std::to_string(static_cast<int>(p.width)) + "x" +
                      std::to_string(static_cast<int>(p.height)) + " layer " + std::to_string(p.layer));
    const std::vector<std::string> expected = {"rock 40,16 64x64 layer 0",  "tree 100,12 16x48 layer 0",
                                               "rock 0,0 32x32 layer 0",    "rock 0,0 32x32 layer 1",
                                               "tree 32,-16 16x48 layer 2", "rock 11,7 32x32 layer 3"};
    EXPECT_EQ(got, expected);
    EXPECT_TRUE(t.exists("MAPS/5/_DATA/2DGFX/rock.bmp"));
    EXPECT_TRUE(t.exists("MAPS/5/_DATA/2DGFX/tree.bmp"));
}

// A tileset without pictures (made in Tiled and never used) is no fault; a tile layer this import
// cannot read (compressed) fails the whole import with its reason, and no map folder is written.
TEST(TiledMaps, AnEmptyTilesetIsNoFaultAndAnUnreadableLayerFailsTheImport) {
    support::TempFolder t("tiled_import");
    ASSERT_TRUE(support::writeBmp(t.file("art/rock.bmp"), 32, 32, 1, 2, 3));
    const auto map = [](const std::string& layer) {
        return R"({"type": "map", "orientation": "orthogonal", "infinite": false,
 "tilewidth": 32, "tileheight": 32, "width": 2, "height": 1,
 "tilesets": [{"firstgid": 1, "name": "kinds", "tilewidth": 32, "tileheight": 32, "tilecount": 1, "columns": 0,
   "tiles": [{"id": 0, "image": "art/rock.bmp", "imagewidth": 32, "imageheight": 32}]},
  {"firstgid": 2, "name": "unused", "tilewidth": 32, "tileheight": 32, "tilecount": 0, "columns": 0}],
 "layers": [)" +
               layer + "]}";
    };
    t.write("good.tmj",
            map(R"({"type": "tilelayer", "name": "ground", "width": 2, "height": 1, "data": [1, 1]})"));
    world::TiledResult r = world::importTiledMap(t.file("good.tmj"), t.file("MAPS/5"));
    ASSERT_TRUE(r.ok) << r.message;
    world::LoadedMap loaded;
    ASSERT_TRUE(world::readMapFolder(t.file("MAPS/5/"), loaded));
    EXPECT_EQ(loaded.tiles.size(), 2u);

    t.write("zipped.tmj", map(R"({"type": "tilelayer", "name": "ground", "width": 2, "height": 1,
  "encoding": "base64", "compression": "zlib", "data": "eJxjZGBgYAQAAA0AAw=="})"));
    r = world::importTiledMap(t.file("zipped.tmj"), t.file("MAPS/6"));
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("compressed"), std::string::npos) << r.message;
    EXPECT_FALSE(t.exists("MAPS/6"));
}
