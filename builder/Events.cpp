// Events: window events and menu items.
#include "builder/Events.h"

#include "builder/DnaWindow.h"
#include "builder/EditorScreen.h"
#include "builder/MakerCommands.h"
#include "builder/MapEditing.h"
#include "builder/MapFiles.h"
#include "builder/Messages.h"
#include "builder/TileMenu.h"
#include "builder/UndoSnapshots.h"
#include "builder/Windows.h"
#include "platform/Keys.h"

namespace tarn {

namespace {

void handleMainWindow(Builder& b) {
    examineMouseAndCursor(b, kMainWindow);
    plat::Input& in = b.input();
    // A notch is one pixel; with Shift held (at the last keyboard examination) eight.
    const bool shift = in.keyHeld(plat::key::LShift) || in.keyHeld(plat::key::RShift);
    resizeTileKind(b, b.edit.wheelNotches * (shift ? kShiftWheelFactor : 1));
    const bool left = in.mouseButton(1), right = in.mouseButton(2);
    if (left && b.edit.buttonLatch == 0) {
        if (placeTile(b))
            recordChange(b);
        else if (b.map.lastObject >= b.cfg.MAXTILES)
            b.edit.notice = "The map is full: MAXTILES (" + std::to_string(b.cfg.MAXTILES) + ") tiles";
        b.edit.buttonLatch = 1;
    }
    if (right && b.edit.buttonLatch == 0) {
        if (deleteTile(b)) recordChange(b);
        b.edit.buttonLatch = 1;
    }
    if (!left && !right) b.edit.buttonLatch = 0;
    redraw(b);
}

// SET_DNA: a save that worked is a change U can take back.
void setDna(Builder& b) {
    const DnaSaved s = saveTileDna(b);
    if (s.ok) recordDnaChange(b, s.path, s.existed ? &s.before : nullptr, s.after);
}

void handleDnaWindow(Builder& b, const WindowEvent& ev) {
    if (ev.value == kEventGadget) {
        if (ev.number == 100) setDna(b);
        if (ev.number == 101) resetTileDna(b);
    } else if (ev.value == kEventMenu) {
        if (ev.number == 110) setDna(b);
        if (ev.number == 109) resetTileDna(b);
    }
}

void handleTileWindow(Builder& b, const WindowEvent& ev) {
    switch (ev.value) {
    case kEventMenu:
        if (b.services.windows->hasMenuBar(kTileWindow)) dispatchMenuItem(b, ev.number);
        break;
    case kEventSize: // a resized tile window keeps its grid
        break;
    case kEventPaint:
        drawTileMenu(b);
        break;
    case kEventClose:
        b.edit.toolsHidden = 1;
        break;
    case kEventLeftButtonDown:
        selectTileAtMouse(b, ev.x, ev.y);
        break;
    default:
        break;
    }
}

} // namespace

void dispatchMenuItem(Builder& b, int item) {
    switch (item) {
    case 128:
        saveMapNewFormat(b);
        break;
    case 129:
        loadMapNewFormat(b);
        break;
    case 130:
        loadMapOldFormat(b);
        break;
    case 131:
        saveMapOldFormat(b);
        break;
    case 106:
        askOrInform(b, 112);
        break;
    case 115:
        redrawMap(b);
        break;
    case 117:
        if (askOrInform(b, 117)) {
            newMap(b);
            recordChange(b); // U brings the old map back
            b.mapFile.modified = false;
        }
        break;
    case 116:
        drawTileMenu(b);
        break;
    case 150:
        playTest(b);
        break;
    case 151:
        exportTiledFromEditor(b);
        break;
    case 152:
        importTiledIntoEditor(b);
        break;
    case 122:
        b.edit.toolsHidden = 1;
        break;
    case 125:
        b.screen.zoomX = b.screen.zoomY = 0.1f;
        break;
    case 126:
        break; // "Save MiniMap (Screenshot)" does nothing
    case 127:
        b.screen.zoomX = b.screen.zoomY = 1.0f;
        break;
    case 107:
        askOrInform(b, 107);
        break;
    default:
        break;
    }
}

void handleEvent(Builder& b, const WindowEvent& ev) {
    applyToolVisibility(b);
    switch (ev.window) {
    case kMainWindow:
        handleMainWindow(b);
        break;
    case kDnaWindow:
        handleDnaWindow(b, ev);
        examineMouseAndCursor(b, kDnaWindow);
        break;
    case kTileWindow:
        b.services.windows->setTitle(kTileWindow, b.mapFile.name);
        handleTileWindow(b, ev);
        examineMouseAndCursor(b, kTileWindow);
        break;
    default:
        break;
    }
}

} // namespace tarn
