// OffscreenPlatform: a platform that shows, plays and fetches nothing (see OffscreenPlatform.h).
#include "platform/headless/OffscreenPlatform.h"

#include <algorithm>
#include <filesystem>

namespace plat::headless {

bool OffscreenGraphics::openScreen(int width, int height, int, const std::string&, ScreenMode) {
    if (width <= 0 || height <= 0) return false;
    open_ = true;
    width_ = width;
    height_ = height;
    return true;
}

SpriteId OffscreenGraphics::add(Size s) {
    const SpriteId id = nextId_++;
    sizes_[id] = s;
    return id;
}

SpriteId OffscreenGraphics::loadSprite(const std::string& path) {
    Size s;
    return images_.sizeOf(path, s.w, s.h) ? add(s) : 0;
}

int OffscreenGraphics::spriteWidth(SpriteId id) const {
    auto it = sizes_.find(id);
    return it == sizes_.end() ? 0 : it->second.w;
}

int OffscreenGraphics::spriteHeight(SpriteId id) const {
    auto it = sizes_.find(id);
    return it == sizes_.end() ? 0 : it->second.h;
}

SpriteId OffscreenGraphics::createDrawable(SpriteId source) {
    auto it = sizes_.find(source);
    return it == sizes_.end() ? 0 : add(it->second);
}

SpriteId OffscreenGraphics::grabSprite(int x, int y, int width, int height, int) {
    if (!open_) return 0;
    const int x0 = std::max(x, 0), y0 = std::max(y, 0);
    const int x1 = std::min(x + width, width_), y1 = std::min(y + height, height_);
    if (width <= 0 || height <= 0 || x1 <= x0 || y1 <= y0) return 0;
    return add({x1 - x0, y1 - y0});
}

SoundId SilentSound::loadSound(const std::string& path) {
    std::error_code ec;
    if (path.empty() || !std::filesystem::is_regular_file(path, ec)) return 0;
    return nextId_++;
}

} // namespace plat::headless
