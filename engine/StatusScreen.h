// StatusScreen: the 2D status layer drawn over every frame - the debug overlay when asked for, the
// status screen while there is no world (a moving field of characters with the engine banner and
// the connection state), and the bottom bar.
// Depends on: engine/Biosim.h, engine/DebugOverlay.h.
#pragma once

namespace engine {

struct Biosim;

// The 2D layer: debug overlay, status screen when there is no world, bottom bar.
void drawStatusLayer(Biosim& e);

} // namespace engine
