// Image files written byte by byte, so the tests need no image library to make their pictures.
#pragma once

#include <cstdint>
#include <string>

namespace support {

// A 24-bit uncompressed BMP of w x h pixels in one colour.
std::string bmp(int w, int h, std::uint8_t r = 10, std::uint8_t g = 20, std::uint8_t b = 30);

// Writes bmp(...) to `path`, creating folders on the way.
bool writeBmp(const std::string& path, int w, int h, std::uint8_t r, std::uint8_t g, std::uint8_t b);

} // namespace support
