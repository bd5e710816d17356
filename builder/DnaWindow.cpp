// DnaWindow: the DNA window's entries and operations.
#include "builder/DnaWindow.h"

namespace tarn {

// The DNA window's entries and operations come with the DNA editor.
void saveTileDna(Builder&) {}
void resetTileDna(Builder&) {}
void showTileDna(Builder&, const std::string&) {}
void buildDnaEntries(Builder&) {}

} // namespace tarn
