// MainLoop: the main loop and a whole run (start-up, loop, screenshot, shutdown).
#include "builder/MainLoop.h"

#include "builder/EditorKeys.h"
#include "builder/EditorScreen.h"
#include "builder/Events.h"
#include "builder/FatalReport.h"
#include "builder/Startup.h"
#include "builder/UndoSnapshots.h"
#include "builder/Windows.h"
#include "platform/ErrorTrap.h"

namespace tarn {

long mainLoop(Builder& b, long maxPasses) {
    long passes = 0;
    while (b.edit.quit != 1) {
        BT_CHECKPOINT();
        const WindowEvent ev = b.services.windows->poll();
        if (ev.value != 0) {
            handleEvent(b, ev);
            handleKeys(b);
        } else {
            b.services.windows->idle();
        }
        installFatalErrorHandler(b);
        syncSavedMark(b); // a save or load leaves nothing to restore after a crash
        ++passes;
        if (maxPasses > 0 && passes >= maxPasses) break;
    }
    return passes;
}

int runBuilder(Builder& b, const std::string& workingFolder, const SessionOptions& options) {
    if (!startBuilder(b, workingFolder)) return 0;
    mainLoop(b, options.passes);
    syncSavedMark(b);
    int code = 0;
    if (!options.screenshot.empty()) {
        redraw(b);
        if (!b.gfx().saveScreenshot(options.screenshot)) code = 3;
    }
    shutdown(b);
    return code;
}

} // namespace tarn
