// DebugOverlay: the debug overlay - grid cells, engine figures, a panel per moving object. Reads only.
// Depends on: engine/Biosim.h, platform Graphics.
#pragma once

namespace engine {

struct Biosim;

// Outlines the grid cells 0..matrixSize that lie on the screen (marked cells in red).
void drawGridCells(Biosim& e);

// The block of engine figures at the top left and the panels of visible moving objects.
void drawFigures(Biosim& e);

} // namespace engine
