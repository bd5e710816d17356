// KindDna: the DNA record of one tile kind as the builder uses it.
//
// The record, its key table and reader live in world/DnaFile.h (shared format code). Here are only
// the few values the editor itself reads from a kind: the global tile id, the stretch flag, the
// drawing alpha and the blending pair.
#pragma once

#include <string>

#include "world/DnaFile.h"

namespace tarn {

using KindDna = world::TarnTileDna;

// Reads `pathWithoutExtension` + ".dll" into `dna`; false (and `dna` unchanged) when it does not open.
inline bool readKindDna(KindDna& dna, const std::string& pathWithoutExtension) {
    return world::readTarnTileDna(dna, pathWithoutExtension);
}

} // namespace tarn
