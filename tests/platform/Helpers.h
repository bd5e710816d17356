// Shared helpers of the platform tests: temporary folders and real image files of every format.
#pragma once

#include <SDL2/SDL.h>
#include <cstdint>
#include <functional>
#include <string>

#include "tests/support/TempFolder.h"

namespace bt_test {

// The shared temporary folder; path() here has no trailing '/'.
class TempDir {
public:
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    support::TempFolder folder_{"bt_platform"};
    std::string path_ = folder_.path().substr(0, folder_.path().size() - 1);
};

// An RGBA picture filled by `colourAt(x, y)` returning 0xAARRGGBB.
SDL_Surface* makeSurface(int w, int h, const std::function<std::uint32_t(int, int)>& colourAt);
std::uint32_t pixelAt(SDL_Surface* s, int x, int y); // 0xAARRGGBB whatever the surface format

bool writePng(SDL_Surface* s, const std::string& path);
bool writeJpeg(SDL_Surface* s, const std::string& path, int quality = 100);
bool writeBmp(SDL_Surface* s, const std::string& path);
// Baseline uncompressed RGB TIFF (SDL2_image decodes TIFF but has no TIFF writer).
bool writeTiff(SDL_Surface* s, const std::string& path);

// A short 16-bit mono PCM WAV of `ms` milliseconds.
bool writeWav(const std::string& path, int ms);

// A short mono Ogg Vorbis file of `ms` milliseconds (encoded with libvorbisenc).
bool writeOgg(const std::string& path, int ms);

// Writes `content` to a file.
bool writeText(const std::string& path, const std::string& content);
std::string readText(const std::string& path);

} // namespace bt_test
