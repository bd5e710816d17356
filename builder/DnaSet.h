// DnaSet: the DNA set (every tile kind of the tile folder).
//
// A tile kind is a picture GFXPATH + name + GFXCODEC with a DNA file GFXPATH + name + ".dll" beside
// it; pictures without a DNA file are not kinds. Limits: 1025 kinds (indices 0..1024).
#pragma once

#include <string>

#include "builder/Builder.h"

namespace tarn {

// Lists the tile folder, loads every kind's picture, drawable sprite, size, DNA and menu picture. The
// current tile kind becomes the last kind whose sprite was made.
void loadDnaSet(Builder& b);
// Frees every kind's pictures and empties the kind tables.
void freeDnaSet(Builder& b);

} // namespace tarn
