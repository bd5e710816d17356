// Dump: the engine state after a scripted run as JSON - every engine global under its own name, the
// configuration, the tile kind table, collisionList and every scalar field of every live object.
// Depends on: engine/Biosim.h, world/ObjectTable.h.
#pragma once

#include <string>

namespace engine {

struct Biosim;

// The JSON text (UTF-8; 8-bit texts are written as Latin-1 code points).
std::string dumpJson(Biosim& e);

// Writes dumpJson(e) to `path`; false when the file cannot be written.
bool writeDump(Biosim& e, const std::string& path);

} // namespace engine
