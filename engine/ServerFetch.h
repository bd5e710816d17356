// ServerFetch: maps, tiles and DNA files fetched from the asset server into "TEMP", the cache that
// keeps them there, and the choice of where a map is read from.
//
// With "SERVER" set (not "LOCAL") a map comes from the first of these that has it: the server (its
// files fetched, or revalidated when "TEMP" already holds them, into "TEMP" + id + "/"), the cache
// ("TEMP" + id + "/" as an earlier run left it, when the server cannot be reached or could not give
// the map), the local maps folder ("SIMCORE" + id + "/", with its own tiles). A network failure (no
// connection, a time-out) makes the server count as unreachable for `ServerState::retryAfter`; a
// single file the server lacks or answers badly never does. Names that come from server files are
// checked before they become part of a local file name: nothing is ever written outside "TEMP".
// Depends on: engine/Biosim.h, engine/TileKinds.h, engine/Logs.h, world/TileDna.h, platform Network.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace engine {

struct Biosim;

// True when an asset server is configured ("SERVER" is not "LOCAL").
bool serverConfigured(const Biosim& e);

// Draws a transfer's three progress lines (green on black, from `x`, around the screen's middle) and
// flips; the callers decide how often.
void showTransferLines(Biosim& e, float x, const std::array<std::string, 3>& lines);

// The configured folder that holds the map being loaded: "TEMP" for a map from the server or its
// cache, "SIMCORE" for a local one (and always without a server).
const std::string& mapsFolder(const Biosim& e);

// Creates the "TEMP" folder (and its parents) when it does not exist. False when it cannot be made.
bool makeTempFolder(Biosim& e);

// True when a name read from a server file may become part of a local file name: not empty, no
// "/", "\", "..", control character or NUL.
bool safeServerName(std::string_view name);

// A name as part of an address: every byte but letters, digits and "-._~" percent-encoded, so a
// name is always one file name on the server ("a b" is "a%20b"; "%2e%2e" stays those six characters,
// "#" and "?" cannot cut the address).
std::string urlName(std::string_view name);

// The server counts as unreachable from now for `ServerState::retryAfter`, with a warning that
// starts with `why`.
void serverUnreachable(Biosim& e, const std::string& why);

// Chooses where map `m` is read from (server, cache or local, in that order) and, with a reachable
// server, fetches its segment files and tile count "_" into "TEMP" + m + "/": segments 0, 1, ...
// until the first one the server does not have (cached segments from there on are removed, since
// the loader would read them). A map the server does not have leaves no folder in "TEMP". An
// unreachable server whose retry time has passed is tried again here.
void prepareMap(Biosim& e, const std::string& m);

// Restarts the server tile numbering for the map about to be read: nothing of the previous map's
// kinds may be found by its records.
void beginServerTiles(Biosim& e);

// The server tile of one map record (`where` names segment and line for warnings): a name seen
// first in this map is fetched (image and DNA) and gets the next server tile id, a name seen before
// keeps its id. False when the name is refused (the record is then skipped; a warning was given).
bool loadServerTile(Biosim& e, const std::string& name, const std::string& where);

// The end of a map load: the next map chooses its source again and restarts the numbering.
void finishMapLoad(Biosim& e);

} // namespace engine
