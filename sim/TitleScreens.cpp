// TitleScreens: the timed screen switch and the start key of the title screens.
#include "sim/TitleScreens.h"

#include "engine/Biosim.h"
#include "platform/Keys.h"

namespace sim {

using namespace engine;

void screenSwitchCheck(Biosim& e) {
    const std::int64_t t = e.clock().ticks();
    if (t > static_cast<std::int64_t>(e.mapStartTick) + e.cfg.SCRSWITCHMS) {
        e.mapStartTick = static_cast<std::int32_t>(t);
        if (e.actualMapId == kIntroMap) e.nextMapId = kTitleMap;
    }
}

void titleScreenCheck(Biosim& e, std::int32_t mapId) {
    screenSwitchCheck(e);
    if (mapId != kTitleMap && mapId != kTitleMapA) return;
    if (e.joystickPresent == 1) {
        if (e.input().joystickButton(10)) e.nextMapId = kFirstLevelMap;
    } else if (e.input().keyHeld(plat::key::Space)) {
        e.nextMapId = kFirstLevelMap;
    }
}

} // namespace sim
