// ImageSizes: image sizes decoded off screen (see ImageSizes.h).
#include "platform/headless/ImageSizes.h"

#include <SDL2/SDL_image.h>
#include <filesystem>

#include "platform/ImageFiles.h"
#include "platform/TextIo.h"

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
        // The same guarded read as the drawing backends: a picture beyond the side or pixel caps is
        // refused from its header, before the decoder asks for its memory.
        std::string bytes, problem;
        SDL_Surface* s = nullptr;
        if (readImageFile(path, bytes, problem)) {
            SDL_RWops* rw = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
            const std::size_t dot = path.find_last_of("./");
            const std::string ext =
                dot != std::string::npos && path[dot] == '.' ? path.substr(dot + 1) : std::string();
            if (rw) s = IMG_LoadTyped_RW(rw, 1, ext.c_str());
        } else if (!problem.empty()) {
            textio::notice(problem);
        }
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
