// Following: a follower chases the first active object on screen of the kind named by its
// worldFTileFollow (the engine's map mode is always "REGION"; no key selects "MAP", which would scan
// the whole table). Only axes that are already moving are steered; objects with the AI key are not
// steered (their AI hook changes nothing).
// Depends on: engine/Biosim.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/Forward.h"

namespace sim {

using engine::Biosim;

// Finds, among the objects of the kind in table order (through the kind index, rebuilt when a map
// loads), the first whose IsInScreen is 1 and Visible non-zero.
void followRegion(Biosim& e, const std::string& kind, std::int32_t follower);
// The objects 0..objectCount whose worldFTileIDString is `kind`, in table order; null for none.
const std::vector<std::int32_t>* objectsOfKind(Biosim& e, const std::string& kind);
// Steers the follower's moving axes towards the target's top-left corner.
void steerTowards(Biosim& e, std::int32_t target, std::int32_t follower);

} // namespace sim
