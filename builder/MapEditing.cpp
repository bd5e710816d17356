// MapEditing: scrolling, layers, raster modes, new map, clear world and the undo counters.
#include "builder/MapEditing.h"
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
}

void scrollMapVertically(Builder& b) {
    for (int i = 0; i <= b.lastObject; ++i) {
        EditorObject& o = b.objects[static_cast<std::size_t>(i)];
        if (o.stretch == 0.0f) o.y += static_cast<float>(b.scrollStep);
    }
    b.scrollOffsetY += b.scrollStep;
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

void recordPlacement(Builder& b) {
    b.undoPosition = b.undoCounter;
    if (b.undoHighMark < b.undoCounter) b.undoHighMark = b.undoCounter;
    ++b.undoCounter;
}

// Undo and redo walk the snapshot files; they come with the snapshot writer.
void undo(Builder&) {}
void redo(Builder&) {}

} // namespace tarn
