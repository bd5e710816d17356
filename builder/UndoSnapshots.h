// UndoSnapshots: undo and redo over whole-map snapshot files.
//
// Every change of the map (placing, deleting, a new map, a load) takes the next number n and writes
// the map as it stands after the change to LOGFILE + "UNDO_" + n, in the single-file map format.
// Snapshot 0 is the map at start-up. U loads the snapshot below the current one, R the one above it;
// a change made after some U's drops the snapshots above it, as in any editor. Only the last
// kSnapshotsKept snapshots stay on disk. A snapshot that cannot be read or written leaves the map
// as it is and says so in the screen log.
#pragma once

#include <string>

#include "builder/Builder.h"

namespace tarn {

constexpr int kSnapshotsKept = 200;

// LOGFILE + "UNDO_" + n.
std::string snapshotPath(const Builder& b, int n);
// Start of a session: removes the snapshot files an earlier run left under LOGFILE, then writes
// snapshot 0 of the map as it is now.
void startSnapshots(Builder& b);
// After a change of the map: takes the next number and writes its snapshot; the map counts as
// modified.
void recordChange(Builder& b);
// U and R: load the previous or the next snapshot in place of the map (the tile kinds stay loaded).
void undo(Builder& b);
void redo(Builder& b);

} // namespace tarn
