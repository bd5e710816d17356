// Image headers on any bytes: no crash, and a recognised header never declares a negative size.
// The first byte picks the extension hint (TGA has no signature and is told by its name).
#include "platform/ImageFiles.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    const plat::ImageHeader h = plat::readImageHeader(bytes, (data[0] & 1) ? "tga" : "png");
    if (h.known && (h.width < 0 || h.height < 0)) std::abort();
    return 0;
}
