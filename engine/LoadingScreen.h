// LoadingScreen: the loading screen shown while a large map loads, and its set-up at start-up,
// which also computes the engine's final sprite scale factors.
// Depends on: engine/Biosim.h, platform Graphics.
#pragma once

namespace engine {

struct Biosim;

// Start-up: scale factors (scrW / srcScrW / 2, ...), the "LOAD" and "LOADCIRCLE" pictures.
void setupLoadingScreen(Biosim& e);

// One loading step: turns and draws the pictures, advances the bar, shows every eleventh step.
void loadingStep(Biosim& e);

} // namespace engine
