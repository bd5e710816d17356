// MapFiles: the builder's map writers and readers, on the shared map format (world/MapFormat.h).
//
// The old format is one file with the tiles of every layer (start map "1", "Redraw MAP", undo
// snapshots, the recovery map); the new format is the map folder that biosim plays.
#pragma once

#include <string>

#include "builder/Builder.h"

namespace tarn {

// Writes the present objects, in index order, as a single map file. false when it could not be written.
bool writeMapOld(Builder& b, const std::string& path);
// Clears the world (DNA set reloaded), then reads the file: a file that does not open leaves the
// world cleared (last object index 0, nothing present). Redraws after a successful read.
bool loadMapOld(Builder& b, const std::string& path);
// "Redraw MAP": writes the map to the current map file name and loads it again.
void redrawMap(Builder& b);
// The menu's map folder operations (requesters included).
void saveMapNewFormat(Builder& b);
void loadMapNewFormat(Builder& b);

} // namespace tarn
