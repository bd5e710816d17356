// Following: following. A follower chases the first active object of the kind named by its
// worldFTileFollow, over the whole table ("MAP" mode) or only among objects on screen ("REGION").
// Only axes that are already moving are steered. Objects with the AI key go to the AI hook.
// Depends on: engine/Biosim.h.
#pragma once

#include <cstdint>
#include <string>

namespace engine {
struct Biosim;
} // namespace engine

namespace sim {

using engine::Biosim;

// Map mode: scans 0..objectCount for the first object of the kind with Visible non-zero.
void followMap(Biosim& e, const std::string& kind, std::int32_t follower);
// Region mode: the same scan among objects whose IsInScreen is 1.
void followRegion(Biosim& e, const std::string& kind, std::int32_t follower);
// Steers the follower's moving axes towards the target's top-left corner.
void steerTowards(Biosim& e, std::int32_t target, std::int32_t follower);
// The AI extension point: code 15 is "follow"; it leaves every object unchanged.
void aiHook(Biosim& e, std::int32_t target, std::int32_t follower, int code);

} // namespace sim
