// UndoSnapshots: undo and redo over whole-map snapshot files, kept so that a crash loses nothing.
//
// Every change of the map (placing, deleting, a new map, a load) takes the next number n and writes
// the map as it stands after the change to the run's snapshot folder + "UNDO_" + n, in the
// single-file map format. Snapshot 0 is the map at start-up. U loads the snapshot below the current
// one, R the one above it; a change made after some U's drops the snapshots above it, as in any
// editor. A DNA save is a change too: its snapshot n comes with "DNA_" + n, the file's contents
// before and after. Only the last kSnapshotsKept snapshots stay on disk. A snapshot that cannot be read or
// written leaves the map as it is and says so in the screen log.
//
// Each run has a folder of its own, LOGFILE + "UNDO_RUNS/run_<date>_<time>_<pid>/", locked (flock on
// its file "lock", which holds the pid and the start time) while the run lasts, so two runs never
// share snapshots. The folder's file "at" holds the number of the snapshot the map stands at, and
// its file "saved" is there while the map has no unsaved changes. At start a run looks at the
// folders of earlier runs whose lock is free (the run is gone, whatever way it ended): one marked
// saved (or restored) is removed, one untouched for kRunFolderDays days too; of the others the newest
// is offered for restore. Nothing else is ever removed.
#pragma once

#include <string>

#include "builder/Builder.h"

namespace tarn {

constexpr int kSnapshotsKept = 200;
constexpr int kRunFolderDays = 14; // an unsaved earlier run's snapshots are kept this long

// The run's snapshot folder + "UNDO_" + n.
std::string snapshotPath(const Builder& b, int n);
// Start of a session: makes and locks the run's snapshot folder, prunes earlier runs' folders as
// described above, writes snapshot 0 of the map as it is now, then offers to restore the newest
// snapshot of an earlier run that ended without saving (a question; no keeps it for the next start).
void startSnapshots(Builder& b);
// After a change of the map: takes the next number and writes its snapshot; the map counts as
// modified.
void recordChange(Builder& b);
// After a DNA save (SET_DNA) of the file `path`: a change U takes back like a map change (the file
// gets `before` again, or is removed when it did not exist) and R makes again. The map's changed
// mark stays as it was.
void recordDnaChange(Builder& b, const std::string& path, const std::string* before,
                     const std::string& after);
// U and R: load the previous or the next snapshot in place of the map (the tile kinds stay loaded).
void undo(Builder& b);
void redo(Builder& b);
// Keeps the run folder's "saved" mark in step with the map's changed mark (cheap when nothing moved).
void syncSavedMark(Builder& b);

} // namespace tarn
