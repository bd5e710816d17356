// InputStep: the input step of the main loop - keyboard, mouse, joystick, the hotkey table, the overview
// zoom and the mouse position in the world.
// Depends on: engine/Biosim.h, platform Input.
#pragma once

namespace engine {

struct Biosim;

// Examines keyboard, mouse and (when present) joystick, evaluates the hotkeys, then computes the
// mouse position and cell in the world.
void inputStep(Biosim& e);

// The hotkey table, in its order (reads the input examined last).
void evaluateHotkeys(Biosim& e);

// Overview on: scales 0.1 and zooms every non-stretched object's Sprite to a tenth (rounded up).
void applyOverviewZoom(Biosim& e);

// Overview off: scales 1.0 and zooms every object's Sprite back to Width x Height (rounded).
void restoreSpriteSizes(Biosim& e);

// mouseWorldX/Y = mouse + scroll; mouseCellX/Y = world position / cell size, rounded up.
void updateMouseWorld(Biosim& e);

} // namespace engine
