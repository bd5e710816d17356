// Biosim: the engine context record. The member initialisers hold the defaults; the constructor only
// binds the platform and the default way to end the process.
#include "engine/Biosim.h"

#include <cstdlib>

#include "platform/TextIo.h"

namespace engine {

Biosim::Biosim(plat::Platform& p) : platform(&p), exitProcess([](int code) { std::exit(code); }) {}

std::string resolvePath(const Biosim& e, const std::string& path) {
    if (path.empty()) return {};
    std::string p = textio::nativePath(path);
    if (p.front() == '/') return p;
    return e.workingFolder + p;
}

void visibilityTest(const Biosim& e, WorldObject& o) {
    const float x = o.MapX, y = o.MapY, w = o.Width, h = o.Height;
    const bool on = x + w + e.level.scrollX >= 0 && x + e.level.scrollX <= e.viewWidth() &&
                    y + h + e.level.scrollY >= 0 && y + e.level.scrollY <= e.viewHeight();
    o.IsInScreen = on ? 1 : 0;
    o.mirrorVisible = o.IsInScreen;
}

} // namespace engine
