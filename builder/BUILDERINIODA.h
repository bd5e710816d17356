// BUILDERINIODA: the DNA set (every tile kind of the tile folder) and the DNA window's operations.
//
// A tile kind is a picture GFXPATH + name + GFXCODEC with a DNA file GFXPATH + name + ".dll" beside
// it; pictures without a DNA file are not kinds. Limits: 1025 kinds (indices 0..1024).
#pragma once

#include <string>

#include "builder/BUILDERENV.h"

namespace tarn {

// Lists the tile folder, loads every kind's picture, drawable sprite, size, DNA and menu picture. The
// current tile kind becomes the last kind whose sprite was made.
void loadDnaSet(Builder& b);
// Frees every kind's pictures and empties the kind tables.
void freeDnaSet(Builder& b);

// The DNA window's operations (gadget 100 / item 110 saves, gadget 101 / item 109 resets) and the
// filling of the window with a tile's DNA on selection.
void saveTileDna(Builder& b);
void resetTileDna(Builder& b);
void showTileDna(Builder& b, const std::string& pathWithoutExtension);
// Builds the DNA window's entries from the default DNA file.
void buildDnaEntries(Builder& b);

} // namespace tarn
