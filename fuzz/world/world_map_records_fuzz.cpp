// The record reader biosim's map loader uses, on any bytes: no crash, 7 counted lines per record,
// and views that stay inside the reader's buffer.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "world/MapFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    world::MapRecordReader reader(std::string(reinterpret_cast<const char*>(data), size));
    world::MapRecord rec;
    std::int32_t counter = 0;
    std::int32_t records = 0;
    std::size_t bytes = 0;
    while (reader.next(rec, &counter)) {
        ++records;
        bytes += rec.marker.size() + rec.name.size() + rec.kindText.size() + rec.xText.size() +
                 rec.yText.size() + rec.widthText.size() + rec.heightText.size() + rec.layerText.size();
        if (bytes > size) std::abort();
        if (rec.marker == world::kMapEndMarker) std::abort();
    }
    if (counter != records * 7) std::abort();
    return 0;
}
