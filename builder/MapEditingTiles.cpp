// MapEditingTiles: placing, deleting and resizing tiles.
#include <cmath>
#include <limits>

#include "builder/MapEditing.h"
#include "platform/ImageFiles.h"

namespace tarn {

int findKind(const Builder& b, const std::string& name) {
    for (std::size_t k = 0; k < b.tiles.kinds.size(); ++k)
        if (b.tiles.kinds[k].fileName == name) return static_cast<int>(k);
    return -1;
}

void fillObjectFromKind(Builder& b, EditorObject& o, int kind) {
    if (kind < 0 || kind >= static_cast<int>(b.tiles.kinds.size())) {
        o.kind = kind;
        o.sprite = 0;
        o.dna.reset();
        o.stretch = 0;
        o.globalTileId.clear();
        o.transparency = 0;
        o.postEffect.clear();
        return;
    }
    const TileKind& k = b.tiles.kinds[static_cast<std::size_t>(kind)];
    o.name = k.fileName;
    o.sprite = k.sprite;
    o.kind = kind;
    o.width = k.width;
    o.height = k.height;
    o.dna = k.dna;
    if (k.dna) {
        o.stretch = static_cast<float>(k.dna->worldFStretch);
        o.present = static_cast<std::uint8_t>(k.dna->loaded);
        o.globalTileId = k.dna->worldFTileID;
        o.transparency = k.dna->worldFTileTransparency;
        o.postEffect = k.dna->postEFFECT;
    } else {
        o.stretch = 0;
        o.present = 0;
        o.globalTileId.clear();
        o.transparency = 0;
        o.postEffect.clear();
    }
}

namespace {

constexpr int kCell = 128;
constexpr int kMaxCellsPerObject = 16;

int cellOf(int v) {
    return v >= 0 ? v / kCell : -((-v + kCell - 1) / kCell);
}

std::uint64_t cellKey(int layer, int cx, int cy) {
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(layer)) << 40) ^
           (static_cast<std::uint64_t>(static_cast<std::uint32_t>(cx) & 0xFFFFFu) << 20) ^
           (static_cast<std::uint64_t>(static_cast<std::uint32_t>(cy) & 0xFFFFFu));
}

// The rectangle deletion tests, edges included.
struct Span {
    int x0, x1, y0, y1;
};
Span spanOf(const EditorObject& o) {
    return {plat::roundHalfAwayInt32(o.x), plat::roundHalfAwayInt32(static_cast<double>(o.x) + o.width),
            plat::roundHalfAwayInt32(o.y), plat::roundHalfAwayInt32(static_cast<double>(o.y) + o.height)};
}

void addToCells(Builder& b, int i) {
    const EditorObject& o = b.map.objects[static_cast<std::size_t>(i)];
    const Span s = spanOf(o);
    const long long cx0 = cellOf(s.x0), cx1 = cellOf(s.x1), cy0 = cellOf(s.y0), cy1 = cellOf(s.y1);
    if (o.stretch != 0.0f || cx1 < cx0 || cy1 < cy0 ||
        (cx1 - cx0 + 1) * (cy1 - cy0 + 1) > kMaxCellsPerObject) {
        b.map.wideObjects.push_back(i);
        return;
    }
    for (long long cx = cx0; cx <= cx1; ++cx)
        for (long long cy = cy0; cy <= cy1; ++cy)
            b.map.objectCells[cellKey(o.layer, static_cast<int>(cx), static_cast<int>(cy))].push_back(i);
}

void ensureCells(Builder& b) {
    if (!b.map.cellsDirty) return;
    b.map.objectCells.clear();
    b.map.wideObjects.clear();
    for (int i = 0; i <= b.map.lastObject && i < static_cast<int>(b.map.objects.size()); ++i)
        if (b.map.objects[static_cast<std::size_t>(i)].present != 0) addToCells(b, i);
    b.map.cellsDirty = false;
}

bool hits(const Builder& b, const EditorObject& o) {
    if (o.present == 0 || o.layer != b.edit.currentLayer) return false;
    const Span s = spanOf(o);
    return s.x0 <= b.edit.cursorX && b.edit.cursorX <= s.x1 && s.y0 <= b.edit.cursorY &&
           b.edit.cursorY <= s.y1;
}

} // namespace

bool placeTile(Builder& b) {
    if (b.tiles.currentKind < 0 || b.tiles.currentKind >= static_cast<int>(b.tiles.kinds.size()))
        return false;
    if (b.tiles.kinds[static_cast<std::size_t>(b.tiles.currentKind)].sprite == 0) return false;
    if (b.map.lastObject >= b.cfg.MAXTILES) return false;
    if (!objectSlot(b, b.map.lastObject + 1)) return false;
    ++b.map.lastObject;
    EditorObject& o = b.map.objects[static_cast<std::size_t>(b.map.lastObject)];
    o = EditorObject{};
    fillObjectFromKind(b, o, b.tiles.currentKind);
    o.x = static_cast<float>(b.edit.cursorX);
    o.y = static_cast<float>(b.edit.cursorY);
    o.layer = b.edit.currentLayer;
    if (b.map.maxUsedLayer < b.edit.currentLayer) b.map.maxUsedLayer = b.edit.currentLayer;
    if (!b.map.bucketsDirty && !b.map.layerBuckets.empty())
        b.map.layerBuckets[static_cast<std::size_t>(o.layer & 255)].push_back(b.map.lastObject);
    else
        b.map.bucketsDirty = true;
    if (!b.map.cellsDirty) addToCells(b, b.map.lastObject);
    return true;
}

bool deleteTile(Builder& b) {
    // Only the objects listed for the cursor's cell (and the wide ones) are tested: the highest
    // index that covers the cursor is the one drawn on top.
    ensureCells(b);
    int best = -1;
    const auto consider = [&](int i) {
        if (i > best && i <= b.map.lastObject && hits(b, b.map.objects[static_cast<std::size_t>(i)]))
            best = i;
    };
    const auto it =
        b.map.objectCells.find(cellKey(b.edit.currentLayer, cellOf(b.edit.cursorX), cellOf(b.edit.cursorY)));
    if (it != b.map.objectCells.end())
        for (int i : it->second) consider(i);
    for (int i : b.map.wideObjects) consider(i);
    if (best < 0) return false;
    b.map.objects[static_cast<std::size_t>(best)].present = 0;
    b.map.lastDeleted = best; // the undo snapshot records just this tile
    return true;
}

void resizeTileKind(Builder& b, int notches) {
    if (b.tiles.currentKind < 0 || b.tiles.currentKind >= static_cast<int>(b.tiles.kinds.size())) return;
    TileKind& k = b.tiles.kinds[static_cast<std::size_t>(b.tiles.currentKind)];
    if (k.sprite == 0) return;
    const float d = static_cast<float>(notches);
    const float w = k.width, h = k.height;
    if (!(w > 0.0f) || !(h > 0.0f)) return; // no ratio to keep
    if (h + d > 1.0f && w + d > 1.0f) {
        const float hw = h / w, wh = w / h;
        const float nh = h + d * hw, nw = w + d * wh;
        // No tile grows past the largest picture the programs load: a million wheel notches would
        // otherwise ask the renderer for terabytes. At the limit a notch that grows does nothing.
        constexpr float kMax = static_cast<float>(plat::kMaxImageSide);
        if (d > 0 && (nh > kMax || nw > kMax)) return;
        k.height = nh;
        k.width = nw;
    }
}

} // namespace tarn
