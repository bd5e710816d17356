// Image files: reading an image file safely before any decoder sees it.
//
// A tiny file can declare an enormous picture (a 69-byte PNG of 30000 x 30000 pixels asks the decoder
// for 3.5 GB), so both programs read the file into memory, read the size its header declares and
// refuse pictures wider or taller than kMaxImageSide, or of more than kMaxImagePixels pixels, before
// decoding. The formats whose size is read
// here are the ones the programs load: PNG, JPEG, TIFF, BMP, GIF, TGA (by its extension), QOI and
// PNM; a file in any other format is refused, since its size cannot be checked.
// No SDL here; the backends hand the checked bytes to their decoder.
#pragma once

#include <string>
#include <string_view>

namespace plat {

// Largest width or height of an image either program decodes, and of a tile tarn lets the user make.
constexpr int kMaxImageSide = 16384;
// Largest number of pixels (width x height) of an image either program decodes: 64 Mpx, 256 MB once
// decoded at 4 bytes a pixel (a 16384 x 16384 picture would take 1 GB).
constexpr long long kMaxImagePixels = 64LL * 1024 * 1024;

struct ImageHeader {
    bool known = false; // the format was recognised and its header read
    long long width = 0, height = 0;
    const char* format = ""; // "PNG", "JPEG", ...
};

// The format and declared size of an image held in memory. `extension` (without the dot, any case)
// is needed for TGA only, which has no signature.
ImageHeader readImageHeader(std::string_view bytes, std::string_view extension);

// Reads the image file `path` into `bytes` when it is a regular file of a known format whose declared
// size is within kMaxImageSide on both sides and kMaxImagePixels in all. Otherwise false, and
// `problem` names the file and the reason ("IMAGE 30000 x 30000 PIXELS, LARGER THAN 16384 A SIDE:
// tiles/big.png"); a missing file gives false with an empty problem.
bool readImageFile(const std::string& path, std::string& bytes, std::string& problem);

} // namespace plat
