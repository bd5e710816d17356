// TileKinds: the tile kind table of the loaded map and the sound file list.
//
// A map's tile kinds are the names found in its folder SIMCORE + id + "/" + GFX (entries matching
// "*" + graphics extension + "*", cut at the first occurrence of the extension, sorted by bytes so
// that tile ids are the same on every machine); images and DNA come from the shared GFX folder.
// Depends on: engine/Biosim.h, world/TileDna.h, platform Graphics.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace engine {

struct Biosim;

// Names of the entries of `folder` whose name contains `extension`, each cut before its first
// occurrence, in byte order. An empty extension matches every entry. Empty when the folder cannot
// be listed. Folders among the entries are skipped.
std::vector<std::string> listNamesWithExtension(const std::string& folder, const std::string& extension);

// Sets tileCount and resizes the sprite, width, height and DNA tables to n + 1 entries (surviving
// entries keep their contents). Negative n is taken as 0.
void setTileCount(Biosim& e, int n);

// Loads the tile kinds of map actualMapId: names from the map's graphics subfolder, images (pure
// green transparent) and DNA from the GFX folder; lastTileId = the highest id that loaded.
void loadMapTiles(Biosim& e);

// Tile kind `t` (named `name`, image `image`) whose DNA file `dnaFile` (as configured, for the
// warning) does not open: its DNA is cleared to the key table's defaults, with a warning naming the
// file. Not the DNA an earlier map left at the id: that kind's name would drive this kind's doors,
// weapons and following. (A file that opens but lacks a key keeps the earlier value of that key.)
void clearTileDna(Biosim& e, std::size_t t, const std::string& name, std::int32_t image,
                  const std::string& dnaFile);

// Start-up: the names of the SOUNDPATH folder's sound files into soundFiles and the sound table;
// soundCount = number of names - 1 (0 when none).
void buildSoundFileList(Biosim& e);

// The tile id of `name` among ids 0..lastTileId, or -1.
int findTileId(const Biosim& e, const std::string& name);

} // namespace engine
