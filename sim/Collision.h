// Collision: the collision step of one tester, its reactions in order, pushes, and the collision
// grid that finds the same hits as the all-pairs loop without comparing every pair.
// Depends on: engine/Biosim.h, sim/Actions.h, platform/Rounding.h.
#pragma once

#include <cstdint>

#include "engine/Forward.h"

namespace sim {

using engine::Biosim;

// Collision step of tester `a`: every listed object it hits, in list order, gets its reaction.
void collisionStep(Biosim& e, std::int32_t a);
// The all-pairs reference form of the same step (used by the Reference mode and for degenerate
// testers).
void collisionStepReference(Biosim& e, std::int32_t a);
// Answers one hit of A on B.
void collisionReaction(Biosim& e, std::int32_t a, std::int32_t b);
// A pushes B on one axis (horizontal when `horizontal`).
void pushObject(Biosim& e, std::int32_t a, std::int32_t b, bool horizontal);

// Collision grid upkeep: rebuilt lazily after `invalidate`, kept in step by `syncObject` after any
// change of an object's position, direction, speed, movement flags or collision box.
void collisionGridInvalidate(Biosim& e);
void collisionGridSync(Biosim& e, std::int32_t objectIndex);

} // namespace sim
