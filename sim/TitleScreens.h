// TitleScreens: the rules of the special screen maps. 1001 (intro) switches to 1000 after SCRSWITCHMS;
// on 1000 and 999 the Space key (or joystick button 10 when a joystick is present) starts map 0.
// Depends on: engine/Biosim.h.
#pragma once

#include <cstdint>

#include "engine/Forward.h"
#include "world/KindNames.h"

namespace sim {

using engine::Biosim;

using world::kFirstLevelMap;
using world::kIntroMap;
using world::kTitleMap;
using world::kTitleMapA;

// Runs at the start of every object update: after SCRSWITCHMS the timer restarts, and the intro
// map asks for the title map.
void screenSwitchCheck(Biosim& e);
// Runs at the end of every active, on-screen object's update with the loaded map id.
void titleScreenCheck(Biosim& e, std::int32_t mapId);

} // namespace sim
