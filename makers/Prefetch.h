// Prefetch: a whole served world fetched into the cache ("TEMP") at once (`biosim --prefetch`), so
// that afterwards every map plays offline, not only the maps visited online.
//
// The server's world folder holds "MANIFEST.txt", written by publish_world: a first line
// "biosim-manifest 1", then one line per published file, "HASH SIZE PATH" (HASH the 64-bit FNV-1a
// hash of the file's bytes as 16 lowercase hex digits, SIZE its length in bytes, PATH its path in the
// published folder with "/" between folders). Of these, the tile images and DNA files (directly in
// "GFX") and the map files (segments and "_" of "SIMCORE" + id + "/") are what biosim reads from the
// cache; each one that is missing there or differs in size or hash is fetched, and a cached segment
// of a listed map that the manifest does not list is removed. Sounds, animations and the other
// files are read from the player's own folders and are left alone.
// Depends on: engine/Biosim.h, engine/ServerFetch.h, engine/Logs.h, platform Network and Graphics.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/Forward.h"

namespace makers {

using engine::Biosim;

struct PrefetchReport {
    bool manifest = false;           // the manifest was fetched and read
    int listed = 0;                  // files the manifest lists
    int fetched = 0;                 // fetched into the cache
    int unchanged = 0;               // already in the cache as listed
    int notNeeded = 0;               // listed, but not read from the cache (sounds, animations, ...)
    int malformed = 0;               // manifest lines that could not be read
    std::vector<std::string> failed; // paths that could not be fetched (or came back different)
};

// One line of the manifest, read: false for a line that is not "HASH SIZE PATH".
struct ManifestEntry {
    std::uint64_t hash = 0;
    std::uint64_t size = 0;
    std::string path;
};
bool parseManifestLine(std::string_view line, ManifestEntry& out);

// The 64-bit FNV-1a hash of a file's bytes; false when it cannot be read.
bool fileHash(const std::string& file, std::uint64_t& hash, std::uint64_t& size);

// Fetches the manifest and every cache file it lists that is missing or changed, with the progress
// on the screen and a warning per file that could not be fetched. Needs a started engine.
PrefetchReport prefetchWorld(Biosim& e);

} // namespace makers
