// ImageSizes: the width and height of image files, decoded without a screen.
//
// Backends that never draw (the content check's off-screen platform, the test backend) still give
// sprites their real sizes. A file is decoded again only when its size or time stamp changed, since
// maps load the same tile images many times.
// Limits: the image caps of platform/ImageFiles.h (sides and pixels, checked before decoding); one
// cache entry per path, never evicted.
// Depends on: SDL2_image (only in the source file).
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace plat::headless {

class ImageSizes {
public:
    // Decodes `path` (or takes the size from the cache); false when it is no readable image.
    bool sizeOf(const std::string& path, int& width, int& height);

private:
    struct Decoded {
        std::uintmax_t bytes = 0;
        std::int64_t stamp = 0;
        int w = 0, h = 0;
    };
    std::map<std::string, Decoded> decoded_;
};

} // namespace plat::headless
