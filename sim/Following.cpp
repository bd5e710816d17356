// Following: following among the objects on screen, and steering.
#include "sim/Following.h"

#include "engine/Biosim.h"

#include <algorithm>

namespace sim {

using namespace engine;

const std::vector<std::int32_t>* objectsOfKind(Biosim& e, const std::string& kind) {
    KindIndex& x = e.sim.kinds;
    if (!x.valid || x.objects != e.level.objectCount) {
        x.byKind.clear();
        const std::int32_t last =
            std::min<std::int32_t>(e.level.objectCount, static_cast<std::int32_t>(e.objectTable.size()) - 1);
        const auto& table = e.objectTable;
        for (std::int32_t j = 0; j <= last; ++j)
            x.byKind[table[static_cast<std::size_t>(j)].worldFTileIDString].push_back(j);
        x.objects = e.level.objectCount;
        x.valid = true;
    }
    auto it = x.byKind.find(kind);
    return it == x.byKind.end() ? nullptr : &it->second;
}

void followRegion(Biosim& e, const std::string& kind, std::int32_t follower) {
    const std::vector<std::int32_t>* objects = objectsOfKind(e, kind);
    if (!objects) return;
    // The objects of the kind in table order: the first one on screen and active is the one a scan
    // of the whole table would find.
    for (const std::int32_t j : *objects) {
        const WorldObject& t = e.objectTable[static_cast<std::size_t>(j)];
        if (t.IsInScreen == 1 && t.Visible != 0) {
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
