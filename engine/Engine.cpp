// Engine: biosim's start-up sequence, main loop and shutdown.
#include "engine/Engine.h"

#include "engine/Biosim.h"
#include "engine/Configuration.h"
#include "engine/EngineSetup.h"
#include "engine/FatalErrors.h"
#include "engine/InputStep.h"
#include "engine/LoadingScreen.h"
#include "engine/MapLoader.h"
#include "engine/StatusScreen.h"
#include "engine/TileKinds.h"
#include "platform/ErrorTrap.h"
#include "platform/Keys.h"

namespace engine {

bool startup(Biosim& e, const std::string& workingFolder) {
    // 1-3: clear the state, defaults, desktop 0, first scale factors. The fatal error handler is
    // registered at once, so a fault during start-up is reported as well.
    setDefaults(e, workingFolder);
    registerFatalErrorHandler(e);
    if (e.beforePass) e.beforePass(0);
    // 4-5: configuration (codecs, server, start-up report) and the system texts.
    readConfiguration(e);
    loadSystemTexts(e);
    // 6: services; only the joystick's presence is kept.
    e.joystickPresent = e.input().joystickPresent() ? 1 : 0;
    // 7: the screen.
    if (!openWorldScreen(e)) fatalStartupError(e, 7);
    // 8-11.
    buildSoundFileList(e);
    sizeWorldTables(e);
    e.gfx().setQuality(0);
    setupLoadingScreen(e);
    // 12.
    if (e.screenOpened == 0) return false;
    e.input().examineKeyboard();
    return true;
}

void frameStep(Biosim& e) {
    plat::Graphics& g = e.gfx();
    // Checkpoints name the step an error report points at; the world frame and the loader set
    // finer ones inside.
    BT_CHECKPOINT();
    g.begin3D();
    if (e.worldFrame) e.worldFrame(e);
    g.end3D();
    BT_CHECKPOINT();
    drawStatusLayer(e);
    BT_CHECKPOINT();
    g.flip(e.flipMode);
    if (e.multitaskDelayMs > 0) e.clock().sleep(e.multitaskDelayMs);
}

bool mainLoopPass(Biosim& e) {
    plat::Input& in = e.input();
    if (in.keyHeld(plat::key::Escape) && in.keyHeld(plat::key::LAlt)) return false;
    if (e.run.leaveLoop || in.quitRequested()) return false;
    if (e.run.options.frames >= 0 && e.run.framesRun >= e.run.options.frames) return false;
    if (e.beforePass) e.beforePass(e.run.framesRun + 1);

    registerFatalErrorHandler(e);
    BT_CHECKPOINT();
    inputStep(e);
    frameStep(e);
    // A play-test stays on the map under test: where the player would be sent to the title map
    // (caught, a door to it), that map starts again.
    const std::int32_t playtest = e.run.options.playtestMap;
    if (playtest != world::kNoMap && playtest != world::kTitleMap && e.nextMapId == world::kTitleMap &&
        e.actualMapId != world::kTitleMap) {
        e.nextMapId = playtest;
        switchMap(e);
    } else if (e.actualMapId != e.nextMapId) {
        switchMap(e);
    }

    ++e.run.framesRun;
    if (e.afterPass) e.afterPass();
    return true;
}

void mainLoop(Biosim& e) {
    while (mainLoopPass(e)) {
    }
}

int runEngine(Biosim& e, const std::string& workingFolder) {
    if (startup(e, workingFolder)) mainLoop(e);
    return 0;
}

} // namespace engine
