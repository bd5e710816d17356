// MapFiles: the builder's map saves and loads, on the shared map format (world/MapFormat.h).
//
// The old format is one file with the tiles of every layer (start map "1", "Redraw MAP", the
// "Old Format" menu items, the recovery map); the new format is the map folder that biosim plays.
// No save or load loses work: a load that fails keeps the current map, a save that fails says which
// files it could not write, and "Redraw MAP" reloads only what it has just written.
#pragma once

#include <string>

#include "builder/Builder.h"
#include "builder/Windows.h"

namespace tarn {

// Result of a save or load: ok when everything was written or read; `message` lists every problem
// met on the way ("" when there was none), ready to be shown to the user.
struct MapFileResult {
    bool ok = false;
    std::string message;
    std::string note; // what a successful save still has to say (for the screen log)
};

// Saves the map as the map folder `folder` (made when missing) for biosim: one segment file per
// layer, "_" and, in `_DATA/2DGFX/` (made when missing), a copy of the picture and DNA file of every
// kind the map uses. Segment files of an earlier, larger save above the new top layer are removed;
// no other file is ever removed. The map itself is not changed; a complete save clears the
// modified mark.
MapFileResult saveMapFolder(Builder& b, const std::string& folder);
// Loads the map folder `folder` in place of the map (the DNA set is loaded again first). A folder
// without a segment file, or whose segments hold no map, keeps the current map (ok false).
MapFileResult loadMapFolder(Builder& b, const std::string& folder);
// The same for a single map file (old format) at `path`.
MapFileResult saveMapFile(Builder& b, const std::string& path);
MapFileResult loadMapFile(Builder& b, const std::string& path);

// Writes the present objects, in index order, as a single map file. false when it could not be
// written (an old file of that name then stays).
bool writeMapOld(Builder& b, const std::string& path);
// loadMapFile without a message: true when the map was replaced.
bool loadMapOld(Builder& b, const std::string& path);
// "Redraw MAP": writes the map to the current map file name and loads it again; when the write
// fails the map stays and a message says why.
void redrawMap(Builder& b);

// The menu's save and load commands: ask for a folder or file (a cancelled requester does
// nothing), ask first when a load would drop unsaved changes, and show every problem.
void saveMapNewFormat(Builder& b);
void loadMapNewFormat(Builder& b);
void saveMapOldFormat(Builder& b);
void loadMapOldFormat(Builder& b);
// Asks the user for a folder or file through the window layer's requester, titled `title`; the
// requester starts in the folder of the last path chosen this session (the working folder before
// any). "" when cancelled or when there are no windows.
std::string choosePath(Builder& b, const std::string& title, Windows::PathKind kind);
// Asks before unsaved changes are dropped; true when the map may be replaced.
bool mayDropChanges(Builder& b);

} // namespace tarn
