// MapWatch: live reload (`biosim --watch`). Once a second of the engine clock it compares the times
// and sizes of the current map's files (its segments, the pictures of its kinds folder, and the
// shared pictures and DNA files of those kinds) with those seen last time, and reloads the map when
// they differ, so a map or a kind's DNA saved from the editor shows in the running game within a
// second.
// Depends on: engine/Biosim.h, engine/MapLoader.h.
#pragma once

#include <cstdint>
#include <string>

#include "engine/Forward.h"
#include "world/KindNames.h"

namespace makers {

using engine::Biosim;

class MapWatch {
public:
    // Call once per pass. Looks at the files at most once per `intervalMs`; returns true when it
    // reloaded the map.
    bool poll(Biosim& e);
    std::int64_t intervalMs = 1000;

private:
    std::int32_t mapId_ = world::kNoMap; // map whose files `seen_` describes
    std::string seen_;
    std::int64_t nextLook_ = 0;
    bool started_ = false;
};

// The state of a map folder's files (names, sizes, modification times), as one comparable text.
std::string mapFolderState(const std::string& folder);
// The state of everything map `mapId` is loaded from: its folder, its kinds folder, and the shared
// picture and DNA file of each of its kinds.
std::string mapState(const Biosim& e, std::int32_t mapId);

} // namespace makers
