// MapEditingTiles: placing, deleting and resizing tiles.
#include <cmath>
#include <limits>

#include "builder/MapEditing.h"
#include "platform/ImageFiles.h"

namespace tarn {

int findKind(const Builder& b, const std::string& name) {
    for (std::size_t k = 0; k < b.kinds.size(); ++k)
        if (b.kinds[k].fileName == name) return static_cast<int>(k);
    return -1;
}

void fillObjectFromKind(Builder& b, EditorObject& o, int kind) {
    if (kind < 0 || kind >= static_cast<int>(b.kinds.size())) {
        o.kind = kind;
        o.sprite = 0;
        o.dna.reset();
        o.stretch = 0;
        o.globalTileId.clear();
        o.transparency = 0;
        o.postEffect.clear();
        o.extra = 0;
        return;
    }
    const TileKind& k = b.kinds[static_cast<std::size_t>(kind)];
    o.name = k.fileName;
    o.sprite = k.sprite;
    o.kind = kind;
    o.width = k.width;
    o.height = k.height;
    o.extra = k.extra;
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

bool placeTile(Builder& b) {
    if (b.currentKind < 0 || b.currentKind >= static_cast<int>(b.kinds.size())) return false;
    if (b.kinds[static_cast<std::size_t>(b.currentKind)].sprite == 0) return false;
    if (b.lastObject >= b.cfg.MAXTILES) return false;
    if (!objectSlot(b, b.lastObject + 1)) return false;
    ++b.lastObject;
    EditorObject& o = b.objects[static_cast<std::size_t>(b.lastObject)];
    o = EditorObject{};
    fillObjectFromKind(b, o, b.currentKind);
    o.x = static_cast<float>(b.cursorX);
    o.y = static_cast<float>(b.cursorY);
    o.layer = b.currentLayer;
    if (b.maxUsedLayer < b.currentLayer) b.maxUsedLayer = b.currentLayer;
    if (!b.bucketsDirty && !b.layerBuckets.empty())
        b.layerBuckets[static_cast<std::size_t>(o.layer & 255)].push_back(b.lastObject);
    else
        mapChanged(b);
    return true;
}

bool deleteTile(Builder& b) {
    for (int i = b.lastObject; i >= 0; --i) {
        EditorObject& o = b.objects[static_cast<std::size_t>(i)];
        if (o.layer != b.currentLayer) continue;
        const int x0 = roundToInt(o.x), x1 = roundToInt(static_cast<double>(o.x) + o.width);
        const int y0 = roundToInt(o.y), y1 = roundToInt(static_cast<double>(o.y) + o.height);
        if (x0 <= b.cursorX && b.cursorX <= x1 && y0 <= b.cursorY && b.cursorY <= y1 && o.present != 0) {
            o.present = 0;
            return true;
        }
    }
    return false;
}

void resizeTileKind(Builder& b) {
    if (b.currentKind < 0 || b.currentKind >= static_cast<int>(b.kinds.size())) return;
    TileKind& k = b.kinds[static_cast<std::size_t>(b.currentKind)];
    if (k.sprite == 0) return;
    const float d = static_cast<float>(b.resizeStep);
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
