// Actions: transport tiles and the player-hit and skeleton hooks.
#include "sim/Actions.h"

#include <string>

#include "engine/Biosim.h"
#include "world/KindNames.h"

namespace sim {

using namespace engine;

void transportAction(Biosim& e, std::int32_t a, std::int32_t b) {
    WorldObject& A = e.objectTable[static_cast<std::size_t>(a)];
    const std::string& kind = e.objectTable[static_cast<std::size_t>(b)].worldFTileIDString;
    if (kind == world::kind::WalkDown) {
        A.canMoveH = 0;
        A.canMoveV = 1;
        A.worldFTileMoveV = 1;
    } else if (kind == world::kind::WalkUp) {
        A.canMoveH = 0;
        A.canMoveV = 1;
        A.worldFTileMoveV = -1;
    } else if (kind == world::kind::WalkLeft) {
        A.canMoveH = 1;
        A.canMoveV = 0;
        A.worldFTileMoveH = -1;
    } else if (kind == world::kind::WalkRight) {
        A.canMoveH = 1;
        A.canMoveV = 0;
        A.worldFTileMoveH = 1;
    }
}

void playerHitAction(Biosim& e, std::int32_t a, std::int32_t b) {
    (void)a;
    const WorldObject& B = e.objectTable[static_cast<std::size_t>(b)];
    const std::string& kind = B.worldFTileIDString;
    // The map switch happens at the end of the pass, so the rest of this frame plays out as usual.
    // A chair ("STUHL") is met and changes nothing.
    if (kind == world::kind::Catcher) {
        e.nextMapId = world::kTitleMap;
    } else if (kind == world::kind::Door) {
        e.nextMapId = B.worldFTileID;
    }
}

} // namespace sim
