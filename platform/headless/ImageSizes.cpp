// ImageSizes: image sizes decoded off screen (see ImageSizes.h).
#include "platform/headless/ImageSizes.h"

#include <SDL2/SDL_image.h>
#include <filesystem>

namespace plat::headless {

bool ImageSizes::sizeOf(const std::string& path, int& width, int& height) {
    std::error_code ec;
    if (path.empty() || !std::filesystem::is_regular_file(path, ec)) return false;
    const auto size = std::filesystem::file_size(path, ec);
    // libc++ (the browser build's) counts file times in a 128-bit integer.
    const auto stamp =
        static_cast<std::int64_t>(std::filesystem::last_write_time(path, ec).time_since_epoch().count());
    auto cached = decoded_.find(path);
    if (cached == decoded_.end() || cached->second.bytes != size || cached->second.stamp != stamp) {
        SDL_Surface* s = IMG_Load(path.c_str());
        if (!s) {
            decoded_.erase(path);
            return false;
        }
        cached = decoded_.insert_or_assign(path, Decoded{size, stamp, s->w, s->h}).first;
        SDL_FreeSurface(s);
    }
    width = cached->second.w;
    height = cached->second.h;
    return true;
}

} // namespace plat::headless
