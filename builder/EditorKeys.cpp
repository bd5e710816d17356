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
    if (horizontal)
        scrollMapHorizontally(b, step);
    else
        scrollMapVertically(b, step);
}

const TileKind* currentKind(const Builder& b) {
    if (b.tiles.currentKind < 0 || b.tiles.currentKind >= static_cast<int>(b.tiles.kinds.size()))
        return nullptr;
    return &b.tiles.kinds[static_cast<std::size_t>(b.tiles.currentKind)];
}

} // namespace

void handleKeys(Builder& b) {
    namespace key = plat::key;
    plat::Input& in = b.input();
    in.examineKeyboard();
    // Whatever a key changes is on the screen at once, not only after the next mouse move.
    const int layer = b.edit.currentLayer, help = b.edit.quickHelp, hidden = b.edit.toolsHidden;
    const std::uint8_t raster = b.edit.rasterMode;
    const int scrollX = b.map.scrollOffsetX, scrollY = b.map.scrollOffsetY, position = b.edit.undoPosition;
    const std::string notice = b.edit.notice;
    const float width = currentKind(b) != nullptr ? currentKind(b)->width : 0.0f;
    if (in.keyReleased(key::LAlt)) setRasterMode(b, kRasterObjectSize);
    if (in.keyReleased(key::C)) setRasterMode(b, kRasterOff);
    if (in.keyReleased(key::G)) setRasterMode(b, kRasterMatrixSize);
    if (b.edit.rasterMode == kRasterOff) {
        if (in.keyHeld(key::Left)) scrollBy(b, -1, true);
        if (in.keyHeld(key::Up)) scrollBy(b, -1, false);
        if (in.keyHeld(key::Down)) scrollBy(b, 1, false);
        if (in.keyHeld(key::Right)) scrollBy(b, 1, true);
    }
    if (b.edit.rasterMode == kRasterObjectSize) {
        const TileKind* k = currentKind(b);
        const int w = k != nullptr ? plat::roundHalfAwayInt32(k->width) : 0;
        const int h = k != nullptr ? plat::roundHalfAwayInt32(k->height) : 0;
        if (in.keyReleased(key::Up)) scrollBy(b, -h, false);
        if (in.keyReleased(key::Down)) scrollBy(b, h, false);
        if (in.keyReleased(key::Left)) scrollBy(b, -w, true);
        if (in.keyReleased(key::Right)) scrollBy(b, w, true);
    }
    if (in.keyReleased(key::Tab)) {
        drawTileMenu(b);
        b.edit.toolsHidden = b.edit.toolsHidden == 0 ? 1 : 0;
    }
    if (b.edit.rasterMode == kRasterMatrixSize) {
        const int r = b.cfg.MATRIXRASTER;
        if (in.keyReleased(key::Up)) scrollBy(b, -r, false);
        if (in.keyReleased(key::Down)) scrollBy(b, r, false);
        if (in.keyReleased(key::Left)) scrollBy(b, -r, true);
        if (in.keyReleased(key::Right)) scrollBy(b, r, true);
    }
    if (in.keyReleased(key::U)) undo(b);
    if (in.keyReleased(key::R)) redo(b);
    if (in.keyReleased(key::H)) b.edit.quickHelp = b.edit.quickHelp == 0 ? 1 : 0;
    if (in.keyReleased(key::F5)) playTest(b);
    if (in.keyReleased(key::PageUp)) layerUp(b);
    if (in.keyReleased(key::PageDown)) layerDown(b);
    // Keypad + and - resize the current kind by one notch in a pass where the wheel did not move.
    if (b.edit.wheelNotches == 0) {
        const int step = in.keyReleased(key::Add) ? 1 : in.keyReleased(key::Subtract) ? -1 : 0;
        if (step != 0) resizeTileKind(b, step);
    }
    const bool changed = layer != b.edit.currentLayer || help != b.edit.quickHelp ||
                         hidden != b.edit.toolsHidden || raster != b.edit.rasterMode ||
                         scrollX != b.map.scrollOffsetX || scrollY != b.map.scrollOffsetY ||
                         position != b.edit.undoPosition || notice != b.edit.notice ||
                         width != (currentKind(b) != nullptr ? currentKind(b)->width : 0.0f);
    if (changed) {
        applyToolVisibility(b);
        redraw(b);
    }
}

} // namespace tarn