// DnaWindow: the DNA window (window 103) - its entries, built from the default DNA file, filled with
// a tile kind's DNA on selection, saved and reset.
#pragma once

#include <string>

#include "builder/Builder.h"

namespace tarn {

// The DNA window's operations (gadget 100 / item 110 saves, gadget 101 / item 109 resets) and the
// filling of the window with a tile's DNA on selection.
void saveTileDna(Builder& b);
void resetTileDna(Builder& b);
void showTileDna(Builder& b, const std::string& pathWithoutExtension);
// Builds the DNA window's entries from the default DNA file.
void buildDnaEntries(Builder& b);

} // namespace tarn
