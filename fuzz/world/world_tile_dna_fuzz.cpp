// biosim's DNA reader on any bytes: no crash, and the values of a second read equal the first
// (the reader is a pure function of the record and the text).
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "world/TileDna.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    world::TileDna a, b;
    world::parseTileDna(a, text);
    world::parseTileDna(b, text);
    if (a.worldFTileCollision != b.worldFTileCollision || a.useWeapon != b.useWeapon ||
        a.worldFTileDoCrushH != b.worldFTileDoCrushH || a.animContainer != b.animContainer)
        std::abort();
    return 0;
}
