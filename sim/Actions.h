// Actions: collision answers by kind name - transport tiles and the player-hit answers that make a
// level a game (caught, goal reached).
// Depends on: engine/Biosim.h.
#pragma once

#include <cstdint>

#include "engine/Forward.h"

namespace sim {

using engine::Biosim;

// Mover A touches transporter B: "WALKDOWN", "WALKUP", "WALKLEFT", "WALKRIGHT" set A's direction and
// movement flags (overriding the block of the hit); other kinds change nothing.
void transportAction(Biosim& e, std::int32_t a, std::int32_t b);
// Player A touches B: a "NOGO" object catches the player and the title screen (map 1000) follows;
// a "FASS" object is a goal and the map its worldFTileID names follows. "STUHL" and other kinds
// change nothing.
void playerHitAction(Biosim& e, std::int32_t a, std::int32_t b);

} // namespace sim
