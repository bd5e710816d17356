// ServerState: what biosim keeps about the asset server between fetches: the server tile numbering
// of the map being fetched and whether a fetch is running (the status screen names it only then).
// Depends on: nothing.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <string>

namespace engine {

struct ServerState {
    // Server tile ids of the map being loaded, by name; -1 marks a name whose image did not load, so
    // later records of that name neither fetch it again nor find a kind. Cleared for every map.
    std::map<std::string, std::int32_t> tileIds;
    std::int32_t nextTileId = 0; // id the next new name gets
    bool fetching = false;       // a map fetch is running (the screen shows what it gets)
    std::string fetchingName;    // the file being fetched, for the status screen
    std::int32_t filesDone = 0;  // files fetched, revalidated or found missing in this map's fetch
    std::chrono::steady_clock::time_point lastShown; // when the progress was last drawn
};

} // namespace engine
