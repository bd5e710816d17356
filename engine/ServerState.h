// ServerState: what biosim keeps about the asset server between fetches: where the map being loaded
// comes from, the server tile numbering of that map, whether a fetch is running (the status screen
// names it only then), the map fetch's deadline and when an unreachable server is tried again.
// Depends on: nothing.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <string>

namespace engine {

struct ServerState {
    using Clock = std::chrono::steady_clock;
    // Server tile ids of the map being loaded, by name; -1 marks a name whose image did not load, so
    // later records of that name neither fetch it again nor find a kind. Cleared for every map.
    std::map<std::string, std::int32_t> tileIds;
    std::int32_t nextTileId = 0; // id the next new name gets
    bool fetching = false;       // a map fetch is running (the screen shows what it gets)
    std::string fetchingName;    // the file being fetched, for the status screen
    std::int32_t filesDone = 0;  // files fetched, revalidated or found missing in this map's fetch
    Clock::time_point lastShown; // when the progress was last drawn

    // The map being loaded: whether its source is chosen (server, cache or local), the configured
    // folder its segments are read from ("TEMP" or "SIMCORE") and whether its tiles are server tiles
    // (named by its records, read from "TEMP") or the map folder's own.
    bool prepared = false;
    std::string mapFolder;
    bool serverTiles = false;

    // A network failure (no connection, a time-out) makes the server count as unreachable until
    // `retryAt`; the first map switched to after that tries it again.
    std::chrono::milliseconds retryAfter{60000};
    Clock::time_point retryAt;
    // One map's whole fetch ends by this deadline: what was not fetched by then is read from "TEMP"
    // as it is, and the server counts as unreachable (a time-out).
    std::chrono::milliseconds mapFetchLimit{60000};
    Clock::time_point mapDeadline = Clock::time_point::max();
};

} // namespace engine
