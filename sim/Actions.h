// Actions: collision answers by kind name - transport tiles, and the player-hit and skeleton hooks
// (extension points: they match the kinds they name and change nothing).
// Depends on: engine/Biosim.h.
#pragma once

#include <cstdint>

struct Biosim;

// Mover A touches transporter B: "WALKDOWN", "WALKUP", "WALKLEFT", "WALKRIGHT" set A's direction and
// movement flags (overriding the block of the hit); other kinds change nothing.
void transportAction(Biosim& e, std::int32_t a, std::int32_t b);
// Player A touches B ("NOGO", "STUHL", "FASS"): no effect yet.
void playerHitAction(Biosim& e, std::int32_t a, std::int32_t b);
// Skeleton A touches B ("NOGO"): no effect yet.
void skeletonAction(Biosim& e, std::int32_t a, std::int32_t b);
