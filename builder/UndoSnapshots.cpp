// UndoSnapshots: undo and redo over whole-map snapshot files.
#include "builder/UndoSnapshots.h"

#include <filesystem>

#include "builder/EditorScreen.h"
#include "builder/MapEditing.h"
#include "world/MapFormat.h"

namespace tarn {

namespace {

void removeSnapshot(const Builder& b, int n) {
    std::error_code ec;
    std::filesystem::remove(snapshotPath(b, n), ec);
}

bool writeSnapshot(Builder& b, int n) {
    // The snapshot folder is made when missing, so a fresh working folder has undo too.
    const std::filesystem::path folder = std::filesystem::path(snapshotPath(b, n)).parent_path();
    std::error_code ec;
    if (!folder.empty()) std::filesystem::create_directories(folder, ec);
    if (world::writeMapFile(snapshotPath(b, n), placedTiles(b)).ok) return true;
    b.edit.notice = "Undo snapshot not written: " + snapshotPath(b, n);
    return false;
}

// Loads snapshot n in place of the map; false (map untouched, notice set) when it cannot be read.
bool loadSnapshot(Builder& b, int n) {
    world::LoadedMap map;
    if (!world::readMapFile(snapshotPath(b, n), map)) {
        b.edit.notice = "Undo snapshot missing: " + snapshotPath(b, n) + " - the map is kept";
        return false;
    }
    const MapReplaceReport r = replaceMap(b, map);
    b.edit.notice = r.cut > 0 ? std::to_string(r.cut) + " tiles of the snapshot lie beyond MAXTILES" : "";
    b.mapFile.modified = true;
    return true;
}

} // namespace

std::string snapshotPath(const Builder& b, int n) {
    return b.cfg.LOGFILE + "UNDO_" + std::to_string(n);
}

void startSnapshots(Builder& b) {
    namespace fs = std::filesystem;
    // Snapshot names are LOGFILE + "UNDO_" + digits; LOGFILE may end in a folder or in a name prefix.
    const fs::path probe(b.cfg.LOGFILE + "UNDO_");
    const fs::path folder = probe.has_parent_path() ? probe.parent_path() : fs::path(".");
    const std::string prefix = probe.filename().string();
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
        if (name.find_first_not_of("0123456789", prefix.size()) != std::string::npos) continue;
        std::error_code rm;
        if (it->is_regular_file(rm)) fs::remove(it->path(), rm);
    }
    b.edit.undoCounter = 1;
    b.edit.undoPosition = b.edit.undoHighMark = b.edit.undoLowMark = 0;
    writeSnapshot(b, 0);
}

void recordChange(Builder& b) {
    b.mapFile.modified = true;
    for (int k = b.edit.undoPosition + 1; k <= b.edit.undoHighMark; ++k) removeSnapshot(b, k);
    const int n = b.edit.undoPosition + 1;
    b.edit.undoPosition = b.edit.undoHighMark = n;
    b.edit.undoCounter = n + 1;
    writeSnapshot(b, n);
    while (b.edit.undoHighMark - b.edit.undoLowMark >= kSnapshotsKept)
        removeSnapshot(b, b.edit.undoLowMark++);
}

void undo(Builder& b) {
    if (b.edit.undoPosition <= b.edit.undoLowMark) {
        b.edit.notice = "Nothing to undo";
    } else if (loadSnapshot(b, b.edit.undoPosition - 1)) {
        --b.edit.undoPosition;
    }
    redraw(b);
}

void redo(Builder& b) {
    if (b.edit.undoPosition >= b.edit.undoHighMark) {
        b.edit.notice = "Nothing to redo";
    } else if (loadSnapshot(b, b.edit.undoPosition + 1)) {
        ++b.edit.undoPosition;
    }
    redraw(b);
}

} // namespace tarn
