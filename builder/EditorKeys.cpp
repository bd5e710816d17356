// EditorKeys: the keys of the editor, checked in a fixed order once per pass with an event.
#include "builder/EditorKeys.h"
#include "builder/EditorScreen.h"
#include "builder/MakerCommands.h"
#include "builder/MapEditing.h"
#include "builder/TileMenu.h"
#include "builder/UndoSnapshots.h"
#include "platform/Keys.h"

namespace tarn {

namespace {

void scrollBy(Builder& b, int step, bool horizontal) {
    b.scrollStep = step;
    if (horizontal)
        scrollMapHorizontally(b);
    else
        scrollMapVertically(b);
}

const TileKind* currentKind(const Builder& b) {
    if (b.currentKind < 0 || b.currentKind >= static_cast<int>(b.kinds.size())) return nullptr;
    return &b.kinds[static_cast<std::size_t>(b.currentKind)];
}

} // namespace

void handleKeys(Builder& b) {
    namespace key = plat::key;
    plat::Input& in = b.input();
    in.examineKeyboard();
    // Whatever a key changes is on the screen at once, not only after the next mouse move.
    const int layer = b.currentLayer, help = b.quickHelp, hidden = b.toolsHidden;
    const std::uint8_t raster = b.rasterMode;
    const int scrollX = b.scrollOffsetX, scrollY = b.scrollOffsetY, position = b.undoPosition;
    const std::string notice = b.notice;
    const float width = currentKind(b) != nullptr ? currentKind(b)->width : 0.0f;
    if (in.keyReleased(key::LAlt)) setRasterMode(b, kRasterObjectSize);
    if (in.keyReleased(key::C)) setRasterMode(b, kRasterOff);
    if (in.keyReleased(key::G)) setRasterMode(b, kRasterMatrixSize);
    if (b.rasterMode == kRasterOff) {
        if (in.keyHeld(key::Left)) scrollBy(b, -1, true);
        if (in.keyHeld(key::Up)) scrollBy(b, -1, false);
        if (in.keyHeld(key::Down)) scrollBy(b, 1, false);
        if (in.keyHeld(key::Right)) scrollBy(b, 1, true);
    }
    if (b.rasterMode == kRasterObjectSize) {
        const TileKind* k = currentKind(b);
        const int w = k != nullptr ? roundToInt(k->width) : 0;
        const int h = k != nullptr ? roundToInt(k->height) : 0;
        if (in.keyReleased(key::Up)) scrollBy(b, -h, false);
        if (in.keyReleased(key::Down)) scrollBy(b, h, false);
        if (in.keyReleased(key::Left)) scrollBy(b, -w, true);
        if (in.keyReleased(key::Right)) scrollBy(b, w, true);
    }
    if (in.keyReleased(key::Tab)) {
        drawTileMenu(b);
        b.toolsHidden = b.toolsHidden == 0 ? 1 : 0;
    }
    if (b.rasterMode == kRasterMatrixSize) {
        const int r = b.cfg.MATRIXRASTER;
        if (in.keyReleased(key::Up)) scrollBy(b, -r, false);
        if (in.keyReleased(key::Down)) scrollBy(b, r, false);
        if (in.keyReleased(key::Left)) scrollBy(b, -r, true);
        if (in.keyReleased(key::Right)) scrollBy(b, r, true);
    }
    if (in.keyReleased(key::U)) undo(b);
    if (in.keyReleased(key::R)) redo(b);
    if (in.keyReleased(key::H)) b.quickHelp = b.quickHelp == 0 ? 1 : 0;
    if (in.keyReleased(key::F5)) playTest(b);
    if (in.keyReleased(key::PageUp)) layerUp(b);
    if (in.keyReleased(key::PageDown)) layerDown(b);
    // Keypad + and - resize the current kind by one notch in a pass where the wheel did not move.
    if (b.resizeStep == 0) {
        const int step = in.keyReleased(key::Add) ? 1 : in.keyReleased(key::Subtract) ? -1 : 0;
        if (step != 0) {
            b.resizeStep = step;
            resizeTileKind(b);
            b.resizeStep = 0;
        }
    }
    const bool changed = layer != b.currentLayer || help != b.quickHelp || hidden != b.toolsHidden ||
                         raster != b.rasterMode || scrollX != b.scrollOffsetX || scrollY != b.scrollOffsetY ||
                         position != b.undoPosition || notice != b.notice ||
                         width != (currentKind(b) != nullptr ? currentKind(b)->width : 0.0f);
    if (changed) {
        applyToolVisibility(b);
        redraw(b);
    }
}

} // namespace tarn