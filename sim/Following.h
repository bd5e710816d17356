// Following: a follower chases the first active object on screen of the kind named by its
// worldFTileFollow (the engine's map mode is always "REGION"; no key selects "MAP", which would scan
// the whole table). Only axes that are already moving are steered; objects with the AI key are not
// steered (their AI hook changes nothing).
// Depends on: engine/Biosim.h.
#pragma once

#include <cstdint>
#include <string>

#include "engine/Forward.h"

namespace sim {

using engine::Biosim;

// Scans 0..objectCount, among objects whose IsInScreen is 1, for the first of the kind with Visible
// non-zero.
void followRegion(Biosim& e, const std::string& kind, std::int32_t follower);
// Steers the follower's moving axes towards the target's top-left corner.
void steerTowards(Biosim& e, std::int32_t target, std::int32_t follower);

} // namespace sim
