// Following: following among the objects on screen, and steering.
#include "sim/Following.h"

#include "engine/Biosim.h"

namespace sim {

using namespace engine;

void followRegion(Biosim& e, const std::string& kind, std::int32_t follower) {
    for (std::int32_t j = 0; j <= e.level.objectCount; ++j) {
        const WorldObject& t = e.objectTable[static_cast<std::size_t>(j)];
        if (t.IsInScreen != 1) continue;
        if (t.Visible != 0 && t.worldFTileIDString == kind) {
            steerTowards(e, j, follower);
            return;
        }
    }
}

void steerTowards(Biosim& e, std::int32_t target, std::int32_t follower) {
    const WorldObject& T = e.objectTable[static_cast<std::size_t>(target)];
    WorldObject& F = e.objectTable[static_cast<std::size_t>(follower)];
    // An object with the AI key goes to the AI hook ("follow", code 15), which changes nothing yet:
    // it is not steered.
    if (F.AI != 0) return;
    if (F.worldFTileMoveH != 0) {
        if (T.MapX > F.MapX) F.worldFTileMoveH = 1;
        if (T.MapX < F.MapX) F.worldFTileMoveH = -1;
    }
    if (F.worldFTileMoveV != 0) {
        if (T.MapY > F.MapY) F.worldFTileMoveV = 1;
        if (T.MapY < F.MapY) F.worldFTileMoveV = -1;
    }
}

} // namespace sim
