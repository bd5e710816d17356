// MapEditing: scrolling, layers, raster modes, new map, clear world and the undo counters.
#include "builder/MapEditing.h"

#include <algorithm>
#include <unordered_map>

#include "builder/DnaSet.h"
#include "builder/EditorScreen.h"
#include "builder/Windows.h"

namespace tarn {

void scrollMapHorizontally(Builder& b) {
    for (int i = 0; i <= b.lastObject; ++i) {
        EditorObject& o = b.objects[static_cast<std::size_t>(i)];
        if (o.stretch == 0.0f) o.x += static_cast<float>(b.scrollStep);
    }
    b.scrollOffsetX += b.scrollStep;
    b.cellsDirty = true;
}

void scrollMapVertically(Builder& b) {
    for (int i = 0; i <= b.lastObject; ++i) {
        EditorObject& o = b.objects[static_cast<std::size_t>(i)];
        if (o.stretch == 0.0f) o.y += static_cast<float>(b.scrollStep);
    }
    b.scrollOffsetY += b.scrollStep;
    b.cellsDirty = true;
}

void layerUp(Builder& b) {
    if (b.currentLayer < kMaxLayer) ++b.currentLayer;
    if (b.maxUsedLayer < b.currentLayer) b.maxUsedLayer = b.currentLayer;
}

void layerDown(Builder& b) {
    if (b.currentLayer - 1 >= 0) --b.currentLayer;
}

void setRasterMode(Builder& b, std::uint8_t mode) {
    b.rasterMode = mode;
    if (mode == kRasterMatrixSize) b.cursorX = b.cursorY = 0;
}

void newMap(Builder& b) {
    b.lastObject = -1;
    b.scrollOffsetX = b.scrollOffsetY = 0;
    mapChanged(b);
    redraw(b);
}

void clearWorld(Builder& b) {
    for (int i = 0; i <= b.lastObject && i < static_cast<int>(b.objects.size()); ++i) {
        EditorObject& o = b.objects[static_cast<std::size_t>(i)];
        // Objects share their kind's sprite; it is freed with the kinds below.
        o.sprite = 0;
        o.dna.reset();
    }
    freeDnaSet(b);
    b.lastObject = 0;
    if (!b.objects.empty()) b.objects[0].present = 0;
    mapChanged(b);
    loadDnaSet(b);
}

std::vector<world::PlacedTile> placedTiles(const Builder& b) {
    std::vector<world::PlacedTile> tiles;
    tiles.reserve(static_cast<std::size_t>(std::max(b.lastObject + 1, 0)));
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

MapReplaceReport replaceMap(Builder& b, const world::LoadedMap& map) {
    MapReplaceReport report;
    std::unordered_map<std::string, int> kindOf;
    for (std::size_t k = 0; k < b.kinds.size(); ++k) kindOf.emplace(b.kinds[k].fileName, static_cast<int>(k));
    b.lastObject = -1;
    b.maxUsedLayer = 0;
    b.scrollOffsetX = map.scrollX;
    b.scrollOffsetY = map.scrollY;
    for (const world::PlacedTile& t : map.tiles) {
        if (!objectSlot(b, b.lastObject + 1)) {
            ++report.cut;
            continue;
        }
        ++b.lastObject;
        EditorObject& o = b.objects[static_cast<std::size_t>(b.lastObject)];
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
        if (b.maxUsedLayer < o.layer) b.maxUsedLayer = o.layer;
    }
    mapChanged(b);
    return report;
}

} // namespace tarn
