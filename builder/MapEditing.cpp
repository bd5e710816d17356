// MapEditing: scrolling, layers, raster modes, new map, clear world and the undo counters.
#include "builder/MapEditing.h"

#include <algorithm>
#include <unordered_map>

#include "builder/DnaSet.h"
#include "builder/EditorScreen.h"
#include "builder/Windows.h"

namespace tarn {

void scrollMapHorizontally(Builder& b, int step) {
    for (int i = 0; i <= b.map.lastObject; ++i) {
        EditorObject& o = b.map.objects[static_cast<std::size_t>(i)];
        if (o.stretch == 0.0f) o.x += static_cast<float>(step);
    }
    b.map.scrollOffsetX += step;
    b.map.cellsDirty = true;
}

void scrollMapVertically(Builder& b, int step) {
    for (int i = 0; i <= b.map.lastObject; ++i) {
        EditorObject& o = b.map.objects[static_cast<std::size_t>(i)];
        if (o.stretch == 0.0f) o.y += static_cast<float>(step);
    }
    b.map.scrollOffsetY += step;
    b.map.cellsDirty = true;
}

void layerUp(Builder& b) {
    if (b.edit.currentLayer < kMaxLayer) ++b.edit.currentLayer;
    if (b.map.maxUsedLayer < b.edit.currentLayer) b.map.maxUsedLayer = b.edit.currentLayer;
}

void layerDown(Builder& b) {
    if (b.edit.currentLayer - 1 >= 0) --b.edit.currentLayer;
}

void setRasterMode(Builder& b, std::uint8_t mode) {
    b.edit.rasterMode = mode;
    if (mode == kRasterMatrixSize) b.edit.cursorX = b.edit.cursorY = 0;
}

void newMap(Builder& b) {
    // The max used layer is what the session reached, so a new map keeps it.
    const int maxUsedLayer = b.map.maxUsedLayer;
    b.map = EditorMap{};
    b.map.maxUsedLayer = maxUsedLayer;
    redraw(b);
}

void clearWorld(Builder& b) {
    for (int i = 0; i <= b.map.lastObject && i < static_cast<int>(b.map.objects.size()); ++i) {
        EditorObject& o = b.map.objects[static_cast<std::size_t>(i)];
        // Objects share their kind's sprite; it is freed with the kinds below.
        o.sprite = 0;
        o.dna.reset();
    }
    freeDnaSet(b);
    b.map.lastObject = 0;
    if (!b.map.objects.empty()) b.map.objects[0].present = 0;
    mapChanged(b);
    loadDnaSet(b);
}

world::PlacedTile placedTile(const EditorObject& o) {
    world::PlacedTile t;
    t.name = o.name;
    t.kind = o.kind;
    t.x = o.x;
    t.y = o.y;
    t.width = o.width;
    t.height = o.height;
    t.layer = o.layer;
    return t;
}

std::vector<world::PlacedTile> placedTiles(const Builder& b) {
    std::vector<world::PlacedTile> tiles;
    tiles.reserve(static_cast<std::size_t>(std::max(b.map.lastObject + 1, 0)));
    for (int i = 0; i <= b.map.lastObject && i < static_cast<int>(b.map.objects.size()); ++i) {
        const EditorObject& o = b.map.objects[static_cast<std::size_t>(i)];
        if (o.present == 0) continue;
        tiles.push_back(placedTile(o));
    }
    return tiles;
}

MapReplaceReport replaceMap(Builder& b, const world::LoadedMap& map) {
    MapReplaceReport report;
    std::unordered_map<std::string, int> kindOf;
    for (std::size_t k = 0; k < b.tiles.kinds.size(); ++k)
        kindOf.emplace(b.tiles.kinds[k].fileName, static_cast<int>(k));
    b.map = EditorMap{};
    b.map.scrollOffsetX = map.scrollX;
    b.map.scrollOffsetY = map.scrollY;
    for (const world::PlacedTile& t : map.tiles) {
        if (!objectSlot(b, b.map.lastObject + 1)) {
            ++report.cut;
            continue;
        }
        ++b.map.lastObject;
        EditorObject& o = b.map.objects[static_cast<std::size_t>(b.map.lastObject)];
        o = EditorObject{};
        const auto it = kindOf.find(t.name);
        const int kind = it == kindOf.end() ? -1 : it->second;
        fillObjectFromKind(b, o, kind);
        o.name = t.name;
        if (kind < 0) o.present = 1;
        o.x = t.x;
        o.y = t.y;
        o.width = t.width;
        o.height = t.height;
        o.layer = t.layer;
        if (t.layer < 0 || t.layer > world::kMaxMapSegment) ++report.outsideLayers;
        if (b.map.maxUsedLayer < o.layer) b.map.maxUsedLayer = o.layer;
    }
    mapChanged(b);
    return report;
}

} // namespace tarn
