// MapEditingCursor: the cursor where the next tile goes.
#include "builder/MapEditing.h"
#include "builder/Windows.h"

namespace tarn {

void updateCursor(Builder& b, int window) {
    plat::Input& in = b.input();
    if (b.edit.rasterMode == kRasterMatrixSize) {
        // One raster cell per axis and examination, from the direction of the relative movement; the
        // cursor stays on the grid of multiples of R counted from its last reset to (0, 0).
        const int r = b.cfg.MATRIXRASTER;
        const int dx = in.mouseDeltaX(), dy = in.mouseDeltaY();
        const float w = b.screen.designWidth > 0.0f ? b.screen.designWidth : b.screen.desktopWidth;
        const float h = b.screen.designHeight > 0.0f ? b.screen.designHeight : b.screen.desktopHeight;
        if (dx > 0 && static_cast<float>(b.edit.cursorX + r) < w) b.edit.cursorX += r;
        if (dx < 0 && b.edit.cursorX - r > -1) b.edit.cursorX -= r;
        if (dy > 0 && static_cast<float>(b.edit.cursorY + r) < h) b.edit.cursorY += r;
        if (dy < 0 && b.edit.cursorY - r > -1) b.edit.cursorY -= r;
        return;
    }
    int left = 0, top = 0;
    if (b.services.windows != nullptr && b.services.windows->isOpen(window)) {
        left = b.services.windows->innerLeft(window);
        top = b.services.windows->innerTop(window);
    }
    // The mouse in the window, turned into design pixels.
    b.edit.cursorX = designX(b, in.mouseX() - left);
    b.edit.cursorY = designY(b, in.mouseY() - top);
}

void examineMouseAndCursor(Builder& b, int window) {
    b.input().examineMouse();
    b.edit.wheelNotches = b.input().mouseWheel();
    updateCursor(b, window);
}

} // namespace tarn
