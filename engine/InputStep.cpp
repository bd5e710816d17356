// InputStep: the input step of the main loop - keyboard, mouse, joystick, the hotkey table, the overview
// zoom and the mouse position in the world.
#include "engine/InputStep.h"

#include <cmath>
#include <limits>

#include "engine/Biosim.h"
#include "platform/Keys.h"
#include "world/KindNames.h"

namespace engine {

namespace {

// The live object range 0..objectCount, bounded by the table.
std::int32_t lastObject(const Biosim& e) {
    const auto size = static_cast<std::int32_t>(e.objectTable.size());
    return e.level.objectCount < size ? e.level.objectCount : size - 1;
}

void toggleOverview(Biosim& e) {
    e.mapOverview = static_cast<std::int8_t>(1 - e.mapOverview);
    applyOverviewZoom(e);
    if (e.mapOverview == 0) restoreSpriteSizes(e);
}

// A float cell index as int32; 0 for a cell size of 0 (no grid configured) and clamped at the
// int32 range, where the plain conversion would be undefined.
std::int32_t cellIndex(float pos, float cell) {
    if (cell == 0.0f) return 0;
    const double v = std::ceil(static_cast<double>(pos) / static_cast<double>(cell));
    if (!(v > std::numeric_limits<std::int32_t>::min())) return std::numeric_limits<std::int32_t>::min();
    if (v > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(v);
}

// Joystick buttons 9 and 10 are toggles: they act once when pressed, like the keys that act once
// when released, however many passes they are held.
bool buttonPressed(Biosim& e, int button) {
    const bool held = e.input().joystickButton(button);
    return held && !e.joyToggleHeld[static_cast<std::size_t>(button - 9)];
}

} // namespace

void inputStep(Biosim& e) {
    plat::Input& in = e.input();
    in.examineKeyboard();
    in.examineMouse();
    if (e.joystickPresent == 1) {
        in.examineJoystick();
        e.joyAxisX = static_cast<std::int8_t>(in.joystickX());
        e.joyAxisY = static_cast<std::int8_t>(in.joystickY());
    }
    evaluateHotkeys(e);
    updateMouseWorld(e);
}

void evaluateHotkeys(Biosim& e) {
    namespace key = plat::key;
    plat::Input& in = e.input();
    const bool alt = in.keyHeld(key::LAlt);
    const bool ctrl = in.keyHeld(key::LControl);
    const bool joy = e.joystickPresent == 1;

    if (e.cfg.USRSCROLL != 0) {
        if (in.keyHeld(key::Left) || e.joyAxisX < 0) e.level.scrollX += -1.0f;
        if (in.keyHeld(key::Right) || e.joyAxisX > 0) e.level.scrollX += 1.0f;
        if (in.keyHeld(key::Up) || e.joyAxisY > 0) e.level.scrollY += 1.0f;
        if (in.keyHeld(key::Down) || e.joyAxisY < 0) e.level.scrollY += -1.0f;
    }
    if (alt && ctrl && in.keyReleased(key::D)) e.debugMode = 1 - e.debugMode;
    if (alt && ctrl && in.keyReleased(key::PageUp)) e.nextMapId += 1;
    if (alt && ctrl && in.keyReleased(key::PageDown)) e.nextMapId -= 1;
    if (alt && ctrl && in.keyReleased(key::S)) {
        e.musicOn = static_cast<std::int8_t>(1 - e.musicOn);
        if (e.sound().isSound(e.levelMusicSound)) {
            if (e.musicOn == 1) {
                e.sound().playSound(e.levelMusicSound, true);
            } else {
                e.sound().stopSound(e.levelMusicSound);
            }
        }
    }
    if (in.keyReleased(key::F10)) e.mirrorsHidden = static_cast<std::int8_t>(1 - e.mirrorsHidden);
    // Title screens (1000 and above) have no overview, pause or delay reset by key.
    if (e.actualMapId < world::kFirstScreenMap) {
        const bool mReleased = in.keyReleased(key::M);
        if (alt && mReleased && ctrl) e.multitaskDelayMs = 0;
        if (mReleased && e.pauseFlag == 0) toggleOverview(e);
        if (joy && buttonPressed(e, 9) && e.pauseFlag == 0) toggleOverview(e);
        if (in.keyReleased(key::P) && e.mapOverview == 0) e.pauseFlag = 1 - e.pauseFlag;
        if (joy && buttonPressed(e, 10) && e.mapOverview == 0) e.pauseFlag = 1 - e.pauseFlag;
    }
    // The held state is kept on every map, so a button held across a switch to a level does not
    // count as a press there.
    if (joy) {
        e.joyToggleHeld[0] = in.joystickButton(9);
        e.joyToggleHeld[1] = in.joystickButton(10);
    }
    if (alt && ctrl && in.keyReleased(key::K)) {
        const std::int32_t last = lastObject(e);
        for (std::int32_t i = 0; i <= last; ++i) {
            WorldObject& o = e.objectTable[static_cast<std::size_t>(i)];
            if (o.worldFTilePlayerID != 0) o.Visible = 0;
        }
    }
}

void applyOverviewZoom(Biosim& e) {
    e.overviewScaleX = 0.1f;
    e.overviewScaleY = 0.1f;
    plat::Graphics& g = e.gfx();
    const std::int32_t last = lastObject(e);
    for (std::int32_t i = 0; i <= last; ++i) {
        const WorldObject& o = e.objectTable[static_cast<std::size_t>(i)];
        if (o.worldFStretch != 0 || !g.isSprite(o.Sprite)) continue;
        g.zoomSprite(o.Sprite, std::ceil(o.Width * 0.1f), std::ceil(o.Height * 0.1f));
    }
}

void restoreSpriteSizes(Biosim& e) {
    e.overviewScaleX = 1.0f;
    e.overviewScaleY = 1.0f;
    plat::Graphics& g = e.gfx();
    const std::int32_t last = lastObject(e);
    for (std::int32_t i = 0; i <= last; ++i) {
        const WorldObject& o = e.objectTable[static_cast<std::size_t>(i)];
        if (!g.isSprite(o.Sprite)) continue;
        g.zoomSprite(o.Sprite, std::nearbyint(o.Width), std::nearbyint(o.Height));
    }
}

void updateMouseWorld(Biosim& e) {
    // The mouse is read in screen pixels; the world starts at the design area's corner.
    e.mouseWorldX = static_cast<float>(e.input().mouseX()) - e.viewX + e.level.scrollX;
    e.mouseWorldY = static_cast<float>(e.input().mouseY()) - e.viewY + e.level.scrollY;
    e.mouseCellX = cellIndex(e.mouseWorldX, e.gridCellWidth);
    e.mouseCellY = cellIndex(e.mouseWorldY, e.gridCellHeight);
}

} // namespace engine
