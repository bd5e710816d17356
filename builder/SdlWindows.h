// SdlWindows: the builder's windows on SDL2 and Dear ImGui.
//
// Window 100 is the platform's SDL screen; the tile window (102) and the DNA window (103) are Dear
// ImGui windows drawn on top of it (title bar, move, resize, close box). SDL events reach this
// layer through the platform's event hook and leave it as window events; the ImGui frame is built
// after events and shown with the editor's next frame (or on its own when no frame follows).
// With an input script, the script's actions take the place of the user (SDL events then only keep
// the windows alive). No SDL or ImGui type appears in this header.
#pragma once

#include <memory>
#include <vector>

#include "builder/ScriptedInput.h"
#include "builder/Windows.h"

namespace plat::headless {
class VirtualInput;
}

namespace tarn {

struct SdlWindowOptions {
    std::vector<ScriptAction> script;                      // empty: the user drives the editor
    plat::headless::VirtualInput* scriptedInput = nullptr; // the platform's input in scripted runs
    int idleSleepMs = 5;                                   // sleep of a pass without an event
    int answer = -1; // --answer: the reply of questions no one can see (1 yes, 0 no, -1 the safe one)
};

// Call before the SDL platform is made: SDL's handlers of SIGINT and SIGTERM stay off.
void prepareSdlWindows();

std::unique_ptr<Windows> createSdlWindows(plat::Platform& platform, SdlWindowOptions options);

} // namespace tarn
