// Following: following in map and region mode, steering, and the empty AI hook.
#include "sim/Following.h"

#include "engine/Biosim.h"

namespace sim {

using namespace engine;

namespace {

void follow(Biosim& e, const std::string& kind, std::int32_t follower, bool onScreenOnly) {
    for (std::int32_t j = 0; j <= e.level.objectCount; ++j) {
        const WorldObject& t = e.objectTable[static_cast<std::size_t>(j)];
        if (onScreenOnly && t.IsInScreen != 1) continue;
        if (t.Visible != 0 && t.worldFTileIDString == kind) {
            steerTowards(e, j, follower);
            return;
        }
    }
}

} // namespace

void followMap(Biosim& e, const std::string& kind, std::int32_t follower) {
    follow(e, kind, follower, false);
}

void followRegion(Biosim& e, const std::string& kind, std::int32_t follower) {
    follow(e, kind, follower, true);
}

void steerTowards(Biosim& e, std::int32_t target, std::int32_t follower) {
    const WorldObject& T = e.objectTable[static_cast<std::size_t>(target)];
    WorldObject& F = e.objectTable[static_cast<std::size_t>(follower)];
    if (F.AI != 0) {
        aiHook(e, target, follower, 15);
        return;
    }
    if (F.worldFTileMoveH != 0) {
        if (T.MapX > F.MapX) F.worldFTileMoveH = 1;
        if (T.MapX < F.MapX) F.worldFTileMoveH = -1;
    }
    if (F.worldFTileMoveV != 0) {
        if (T.MapY > F.MapY) F.worldFTileMoveV = 1;
        if (T.MapY < F.MapY) F.worldFTileMoveV = -1;
    }
}

void aiHook(Biosim& e, std::int32_t target, std::int32_t follower, int code) {
    // The extension point of the AI: code 15 ("follow") leads here and changes nothing yet.
    (void)e;
    (void)target;
    (void)follower;
    (void)code;
}

} // namespace sim
