// MapFiles: the builder's map writers and readers.
#include "builder/MapFiles.h"

#include "builder/EditorScreen.h"
#include "builder/MapEditing.h"
#include "world/MapFormat.h"

namespace tarn {

namespace {

std::vector<world::PlacedTile> placedTiles(const Builder& b) {
    std::vector<world::PlacedTile> tiles;
    for (int i = 0; i <= b.lastObject && i < static_cast<int>(b.objects.size()); ++i) {
        const EditorObject& o = b.objects[static_cast<std::size_t>(i)];
        if (o.present == 0) continue;
        world::PlacedTile t;
        t.name = o.name;
        t.kind = o.kind;
        t.x = o.x;
        t.y = o.y;
        t.width = o.width;
        t.height = o.height;
        t.layer = o.layer;
        tiles.push_back(std::move(t));
    }
    return tiles;
}

// Appends the loaded tiles to the map (after the last object), as far as the table holds them.
void appendTiles(Builder& b, const world::LoadedMap& map) {
    for (const world::PlacedTile& t : map.tiles) {
        if (!objectSlot(b, b.lastObject + 1)) break; // the table ends at MAXTILES
        ++b.lastObject;
        EditorObject& o = b.objects[static_cast<std::size_t>(b.lastObject)];
        o = EditorObject{};
        fillObjectFromKind(b, o, t.kind);
        // A tile of a kind missing from the tile folder stays in the map (and is saved again) but has
        // no picture to draw.
        o.name = t.name;
        if (t.kind < 0) o.present = 1;
        o.x = t.x;
        o.y = t.y;
        o.width = t.width;
        o.height = t.height;
        o.layer = t.layer;
        if (b.maxUsedLayer < o.layer) b.maxUsedLayer = o.layer;
    }
    mapChanged(b);
}

world::KindLookup lookup(const Builder& b) {
    return [&b](std::string_view name) { return findKind(b, std::string(name)); };
}

} // namespace

bool writeMapOld(Builder& b, const std::string& path) {
    return world::writeMapFile(path, placedTiles(b)).ok;
}

bool loadMapOld(Builder& b, const std::string& path) {
    clearWorld(b);
    world::LoadedMap map;
    if (!world::readMapFile(path, map, lookup(b))) return false;
    b.scrollOffsetX = map.scrollX;
    b.scrollOffsetY = map.scrollY;
    b.maxUsedLayer = 0;
    b.lastObject = -1;
    appendTiles(b, map);
    redraw(b);
    return true;
}

void redrawMap(Builder& b) {
    writeMapOld(b, b.mapFileName);
    loadMapOld(b, b.mapFileName);
}

void saveMapNewFormat(Builder& b) {
    const std::string folder = b.dialogs().folderRequester("Save Map New Format:", currentFolder());
    if (folder.empty()) return;
    world::MapFolderSave save;
    save.gfxFolder = b.cfg.GFXPATH;
    save.gfxExtension = b.cfg.GFXCODEC;
    save.maxUsedLayer = b.maxUsedLayer;
    save.highestTileIndex = b.lastObject;
    world::writeMapFolder(folder, placedTiles(b), save);
}

void loadMapNewFormat(Builder& b) {
    const std::string folder = b.dialogs().folderRequester("MAP-BUILDER: Open MAP File:", currentFolder());
    if (folder.empty()) return;
    clearWorld(b);
    b.lastObject = -1;
    world::LoadedMap map;
    world::readMapFolder(folder, map, lookup(b));
    b.scrollOffsetX = map.scrollX;
    b.scrollOffsetY = map.scrollY;
    appendTiles(b, map);
    redraw(b);
}

} // namespace tarn
