// DDD_NODE: the frame step of the main loop (3D batch with the world frame, 2D status layer, flip,
// sleep) and the status layer.
// Depends on: engine/Biosim.h, sim/FWORLD.h, engine/OUTPUT.h.
#pragma once

struct Biosim;

// One frame: begin 3D, world frame, end 3D, status layer, flip, sleep multitaskDelayMs.
void frameStep(Biosim& e);

// The 2D layer: debug overlay, status screen when there is no world, bottom bar.
void drawStatusLayer(Biosim& e);
