// MakerCommands: the editor's commands for the makers' tools - play-testing the map in biosim, and
// Tiled maps out and in.
//
// Play-test (menu "MAP > Play-Test in biosim", key F5): saves the map into the play-test map folder
// (script chain key PLAYTESTMAP in the application paths file, default MAPS/9999/ under the working
// folder, which is the biosim world), then runs biosim on that map in a window and waits for it to
// end. The program is PLAYTESTRUN when set (relative to the working folder unless absolute), else
// the biosim beside tarn's own program, else biosim on the PATH; it is run in the working folder as
// `PROGRAM --windowed --map ID`, ID being the folder's name. The map's modified mark is left as it
// was: the play-test copy is not the user's save.
// Depends on: builder/Builder.h, builder/MapFiles.h, world/TiledMaps.h, builder/Windows.h.
#pragma once

#include <string>

#include "builder/Builder.h"

namespace tarn {

// The play-test map folder (ending with '/') and its map id; false (with `why`) when the folder's
// name is no map id.
bool playTestTarget(const Builder& b, std::string& folder, int& mapId, std::string& why);

// Saves and plays the map; every failure is shown in a message box. Returns biosim's exit code, or
// -1 when it did not run.
int playTest(Builder& b);

// Menu commands: the map as a Tiled map (.tmj chosen by the user), and a Tiled map in place of the
// map (after asking about unsaved changes).
void exportTiledFromEditor(Builder& b);
void importTiledIntoEditor(Builder& b);

} // namespace tarn
