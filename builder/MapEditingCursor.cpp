// MapEditingCursor: the cursor where the next tile goes.
#include "builder/MapEditing.h"
#include "builder/Windows.h"

namespace tarn {

void updateCursor(Builder& b, int window) {
    plat::Input& in = b.input();
    if (b.rasterMode == kRasterMatrixSize) {
        // One raster cell per axis and examination, from the direction of the relative movement; the
        // cursor stays on the grid of multiples of R counted from its last reset to (0, 0).
        const int r = b.cfg.MATRIXRASTER;
        const int dx = in.mouseDeltaX(), dy = in.mouseDeltaY();
        if (dx > 0 && b.cursorX + r < b.desktopWidth) b.cursorX += r;
        if (dx < 0 && b.cursorX - r > -1) b.cursorX -= r;
        if (dy > 0 && b.cursorY + r < b.desktopHeight) b.cursorY += r;
        if (dy < 0 && b.cursorY - r > -1) b.cursorY -= r;
        return;
    }
    int left = 0, top = 0;
    if (b.windows != nullptr && b.windows->isOpen(window)) {
        left = b.windows->innerLeft(window);
        top = b.windows->innerTop(window);
    }
    b.cursorX = in.mouseX() - left;
    b.cursorY = in.mouseY() - top;
}

void examineMouseAndCursor(Builder& b, int window) {
    b.input().examineMouse();
    b.resizeStep = b.input().mouseWheel();
    updateCursor(b, window);
}

} // namespace tarn
