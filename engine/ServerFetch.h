// ServerFetch: maps, tiles and DNA files fetched from the asset server into "TEMP", and the cache
// that keeps them there.
//
// With "SERVER" set (not "LOCAL") a map is read from "TEMP" + id + "/": while the server is reachable
// every file is fetched (or revalidated, when "TEMP" already holds it) before it is read; once a
// download failed (which clears serverReachable) or when the greeting failed, the files already in
// "TEMP" are read as they are. Names that come from server files are checked before they become part
// of a local file name: nothing is ever written outside "TEMP".
// Depends on: engine/Biosim.h, engine/TileKinds.h, engine/Logs.h, world/TileDna.h, platform Network.
#pragma once

#include <string>
#include <string_view>

namespace engine {

struct Biosim;

// True when an asset server is configured ("SERVER" is not "LOCAL").
bool serverConfigured(const Biosim& e);

// The configured folder that holds the numbered map folders the loader reads: "TEMP" with a server,
// "SIMCORE" without.
const std::string& mapsFolder(const Biosim& e);

// Creates the "TEMP" folder (and its parents) when it does not exist. False when it cannot be made.
bool makeTempFolder(Biosim& e);

// True when a name read from a server file may become part of a local file name: not empty, no
// "/", "\", "..", control character or NUL.
bool safeServerName(std::string_view name);

// Fetches the tile count file "_" of map `m` into "TEMP" + m + "/_" (the folder is made first).
// Does nothing without a reachable server.
void fetchServerMapCount(Biosim& e, const std::string& m);

// Fetches the segments 0, 1, ... of map `m` into "TEMP" + m + "/" until the first segment the server
// does not have (cached segments from there on are removed, since the loader would read them), and
// restarts the server tile numbering. Without a reachable server nothing is fetched; a map found in
// the cache then plays from it, with one warning.
void fetchServerMap(Biosim& e, const std::string& m);

// The server tile of one map record (`where` names segment and line for warnings): a name seen
// first in this map is fetched (image and DNA) and gets the next server tile id, a name seen before
// keeps its id. False when the name is refused (the record is then skipped; a warning was given).
bool loadServerTile(Biosim& e, const std::string& name, const std::string& where);

// The end of a server map's segments: the next map restarts the numbering.
void finishServerMap(Biosim& e);

} // namespace engine
