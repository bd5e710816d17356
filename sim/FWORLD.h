// FWORLD: the world frame - clear, update every object, draw every object, post effects.
#pragma once

struct Biosim;

// Runs one world frame: the update pass and the draw pass over objects 0..objectCount.
void worldFrame(Biosim& e);
