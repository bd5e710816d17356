// tarn's map reader and the map writer on any bytes: no crash, and once a map has been written,
// reading it back and writing it again gives the same text.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "world/MapFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    world::LoadedMap map;
    world::readMapText(std::string(reinterpret_cast<const char*>(data), size), map);
    std::vector<std::size_t> skipped;
    const std::string first = world::formatMap(map.tiles, -1, &skipped);
    for (std::size_t i : skipped)
        if (world::isWritableTileName(map.tiles[i].name)) std::abort();
    world::LoadedMap again;
    world::readMapText(first, again);
    if (again.tiles.size() + skipped.size() != map.tiles.size()) std::abort();
    if (world::formatMap(again.tiles) != first) std::abort();
    return 0;
}
