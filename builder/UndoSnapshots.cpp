// UndoSnapshots: undo and redo over whole-map snapshot files, kept so that a crash loses nothing.
#include "builder/UndoSnapshots.h"

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/file.h>
#include <unistd.h>

#include "builder/DnaWindow.h"
#include "builder/EditorScreen.h"
#include "builder/MapEditing.h"
#include "builder/Messages.h"
#include "platform/TextIo.h"
#include "world/MapFormat.h"

namespace tarn {

namespace {

namespace fs = std::filesystem;

constexpr const char* kRunsFolder = "UNDO_RUNS/";

// The DNA save of change n: the file's name and its contents before and after.
std::string dnaChangePath(const Builder& b, int n) {
    return (b.edit.snapshotFolder.empty() ? b.cfg.LOGFILE : b.edit.snapshotFolder) + "DNA_" +
           std::to_string(n);
}

void removeSnapshot(const Builder& b, int n) {
    std::error_code ec;
    fs::remove(snapshotPath(b, n), ec);
    fs::remove(dnaChangePath(b, n), ec);
}

// Puts the DNA file of change n back as it was before it (`forward` false) or after it; the kind's
// DNA is read again and the DNA window shows it. Nothing happens when change n was no DNA save.
void applyDnaChange(Builder& b, int n, bool forward) {
    std::string record;
    if (!textio::readFile(dnaChangePath(b, n), record)) return;
    // "path\n" "size of before, -1 when there was no file\n" before after
    const std::size_t eol1 = record.find('\n');
    const std::size_t eol2 = eol1 == std::string::npos ? eol1 : record.find('\n', eol1 + 1);
    if (eol2 == std::string::npos) return;
    const std::string path = record.substr(0, eol1);
    const long long size = std::atoll(record.c_str() + eol1 + 1);
    const std::size_t body = eol2 + 1;
    if (size > static_cast<long long>(record.size() - body)) return;
    const std::size_t beforeSize = size < 0 ? 0 : static_cast<std::size_t>(size);
    bool ok = true;
    if (forward) {
        ok = textio::writeFileAtomic(path, std::string_view(record).substr(body + beforeSize));
    } else if (size < 0) {
        std::error_code ec;
        fs::remove(path, ec);
    } else {
        ok = textio::writeFileAtomic(path, std::string_view(record).substr(body, beforeSize));
    }
    if (!ok) {
        b.edit.notice = "DNA file not written back: " + path;
        return;
    }
    for (std::size_t k = 0; k < b.tiles.kinds.size(); ++k) {
        TileKind& kind = b.tiles.kinds[k];
        const std::string base = b.cfg.GFXPATH + kind.fileName;
        if (base + ".dll" != path) continue;
        auto dna = std::make_shared<KindDna>();
        readKindDna(*dna, base);
        kind.dna = std::move(dna);
        if (b.edit.dnaKind == static_cast<int>(k)) showTileDna(b, base);
    }
    b.edit.notice = std::string(forward ? "DNA saved again: " : "DNA taken back: ") + path;
}

bool writeSnapshot(Builder& b, int n) {
    // The snapshot folder is made when missing, so a fresh working folder has undo too.
    const fs::path folder = fs::path(snapshotPath(b, n)).parent_path();
    std::error_code ec;
    if (!folder.empty()) fs::create_directories(folder, ec);
    if (world::writeMapFile(snapshotPath(b, n), placedTiles(b)).ok) return true;
    b.edit.notice = "Undo snapshot not written: " + snapshotPath(b, n);
    return false;
}

// The number of the snapshot the map stands at, for a restore after a crash.
void writePosition(const Builder& b) {
    if (b.edit.snapshotFolder.empty()) return;
    std::ofstream(b.edit.snapshotFolder + "at", std::ios::trunc) << b.edit.undoPosition << "\n";
}

// A snapshot that holds only the change: "DELTA A" (a tile added) or "DELTA D" (a tile deleted),
// then that tile as a one-record map file; "DELTA N" for a change that left the map alone.
constexpr std::string_view kDelta = "DELTA ";
constexpr int kFullEvery = 1000; // a whole-map snapshot at least every this many changes

// A snapshot below the oldest one kept that later ones still build on.
std::string keptPath(const Builder& b, int n) {
    return (b.edit.snapshotFolder.empty() ? b.cfg.LOGFILE : b.edit.snapshotFolder) + "BASE_" +
           std::to_string(n);
}

// The map as it stood at snapshot n: the nearest whole-map snapshot at or below n, then the changes
// above it in order. false (notice set) when a snapshot on the way is missing.
bool mapAt(Builder& b, int n, world::LoadedMap& out) {
    std::vector<std::string> deltas;
    for (int k = n;; --k) {
        std::string content;
        if (k < 0 ||
            (!textio::readFile(snapshotPath(b, k), content) && !textio::readFile(keptPath(b, k), content))) {
            b.edit.notice =
                "Undo snapshot missing: " + snapshotPath(b, std::max(k, 0)) + " - the map is kept";
            return false;
        }
        if (content.compare(0, kDelta.size(), kDelta) != 0) {
            world::readMapText(std::move(content), out);
            break;
        }
        deltas.push_back(std::move(content));
    }
    for (auto it = deltas.rbegin(); it != deltas.rend(); ++it) {
        const char op = it->size() > kDelta.size() ? (*it)[kDelta.size()] : 'N';
        const std::size_t body = it->find('\n');
        if (op == 'N' || body == std::string::npos) continue;
        world::LoadedMap one;
        world::readMapText(it->substr(body + 1), one);
        if (one.tiles.empty()) continue;
        const world::PlacedTile& t = one.tiles.front();
        if (op == 'A') {
            out.tiles.push_back(t);
            out.maxLayer = std::max(out.maxLayer, t.layer);
            continue;
        }
        // The deletion took the topmost tile of its kind, place, size and layer: the last such one.
        for (auto tile = out.tiles.rbegin(); tile != out.tiles.rend(); ++tile) {
            if (tile->name == t.name && tile->x == t.x && tile->y == t.y && tile->width == t.width &&
                tile->height == t.height && tile->layer == t.layer) {
                out.tiles.erase(std::next(tile).base());
                break;
            }
        }
    }
    return true;
}

// Loads snapshot n in place of the map; false (map untouched, notice set) when it cannot be read.
bool loadSnapshot(Builder& b, int n) {
    world::LoadedMap map;
    if (!mapAt(b, n, map)) return false;
    const MapReplaceReport r = replaceMap(b, map);
    b.edit.notice = r.cut > 0 ? std::to_string(r.cut) + " tiles of the snapshot lie beyond MAXTILES" : "";
    b.mapFile.modified = true;
    // The map is now exactly snapshot n: the next change is recorded against it.
    b.map.snapshotted = true;
    b.map.lastDeleted = -1;
    b.edit.undoLastObject = b.map.lastObject;
    b.edit.undoScrollX = b.map.scrollOffsetX;
    b.edit.undoScrollY = b.map.scrollOffsetY;
    return true;
}

// Snapshot n of the map as it stands: only the change when the last snapshot saw this map and the
// change was one placement, one deletion or none; the whole map otherwise.
bool writeChange(Builder& b, int n) {
    std::string delta;
    const bool same = b.map.snapshotted && b.map.scrollOffsetX == b.edit.undoScrollX &&
                      b.map.scrollOffsetY == b.edit.undoScrollY && n % kFullEvery != 0;
    const int last = b.map.lastObject;
    if (same && b.edit.undoNoMapChange && b.map.lastDeleted < 0 && last == b.edit.undoLastObject) {
        delta = std::string(kDelta) + "N\r\n";
    } else if (same && b.map.lastDeleted < 0 && last == b.edit.undoLastObject + 1 && last >= 0 &&
               b.map.objects[static_cast<std::size_t>(last)].present != 0) {
        delta = std::string(kDelta) + "A\r\n" +
                world::formatMap({placedTile(b.map.objects[static_cast<std::size_t>(last)])}, -1, nullptr);
    } else if (same && b.map.lastDeleted >= 0 && b.map.lastDeleted <= last && last == b.edit.undoLastObject) {
        delta = std::string(kDelta) + "D\r\n" +
                world::formatMap({placedTile(b.map.objects[static_cast<std::size_t>(b.map.lastDeleted)])}, -1,
                                 nullptr);
    }
    b.edit.undoNoMapChange = false;
    b.map.snapshotted = true;
    b.map.lastDeleted = -1;
    b.edit.undoLastObject = last;
    b.edit.undoScrollX = b.map.scrollOffsetX;
    b.edit.undoScrollY = b.map.scrollOffsetY;
    if (delta.empty()) return writeSnapshot(b, n);
    if (textio::writeFileAtomic(snapshotPath(b, n), delta)) return true;
    b.edit.notice = "Undo snapshot not written: " + snapshotPath(b, n);
    return false;
}

// Drops snapshot `low` (now below the oldest kept): a later change that builds on it keeps it as
// BASE_ + n until a whole-map snapshot at or below the oldest kept one makes it unneeded.
void dropOldest(Builder& b, int low) {
    std::string content;
    if (textio::readFile(snapshotPath(b, low + 1), content) &&
        content.compare(0, kDelta.size(), kDelta) != 0) {
        for (int k = low; k >= 0; --k) {
            std::error_code ec;
            if (!fs::remove(keptPath(b, k), ec) && k < low) break;
        }
        removeSnapshot(b, low);
        return;
    }
    std::error_code ec;
    fs::rename(snapshotPath(b, low), keptPath(b, low), ec);
}

// True while another run holds the lock of the folder `run` (its process is alive).
bool lockedByAnotherRun(const fs::path& run) {
    const int fd = ::open((run / "lock").c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return false;
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd);
    return held;
}

// Makes this run's folder under `base` and takes its lock: the folder is made under a hidden name
// and gets its final name only once it is locked, so no other run ever sees it unlocked.
bool openRunFolder(Builder& b, const fs::path& base) {
    const std::time_t now = std::time(nullptr);
    char stamp[32] = {};
    std::tm tm{};
    ::localtime_r(&now, &tm);
    std::strftime(stamp, sizeof stamp, "%Y%m%d_%H%M%S", &tm);
    const std::string pid = std::to_string(::getpid());
    const fs::path hidden = base / (".new_" + pid);
    std::error_code ec;
    fs::remove_all(hidden, ec);
    if (!fs::create_directories(hidden, ec)) return false;
    const int fd = ::open((hidden / "lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (fd >= 0) ::close(fd);
        fs::remove_all(hidden, ec);
        return false;
    }
    const std::string owner = "pid " + pid + " started " + stamp + "\n";
    if (::write(fd, owner.data(), owner.size()) != static_cast<ssize_t>(owner.size())) {
        // The lock itself holds; only its description is short.
    }
    b.edit.snapshotLock = std::shared_ptr<void>(nullptr, [fd](void*) { ::close(fd); });
    for (int k = 0; k < 100; ++k) {
        const fs::path name =
            base / ("run_" + std::string(stamp) + "_" + pid + (k ? "_" + std::to_string(k) : ""));
        if (fs::exists(name, ec)) continue;
        fs::rename(hidden, name, ec);
        if (ec) break;
        b.edit.snapshotFolder = textio::asFolder(name.string());
        return true;
    }
    b.edit.snapshotLock.reset();
    fs::remove_all(hidden, ec);
    return false;
}

// Removes the folders of earlier runs that were saved or are too old; returns the newest folder of
// an earlier run that ended without saving ("" = none). Folders of live runs are left alone.
fs::path pruneEarlierRuns(const Builder& b, const fs::path& base) {
    const auto now = fs::file_time_type::clock::now();
    const auto bound = std::chrono::hours(24 * kRunFolderDays);
    fs::path newest;
    fs::file_time_type newestTime{};
    std::error_code ec;
    std::vector<fs::path> runs;
    for (fs::directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::error_code e2;
        if (name.rfind("run_", 0) == 0 && it->is_directory(e2)) runs.push_back(it->path());
    }
    for (const fs::path& run : runs) {
        if (textio::asFolder(run.string()) == b.edit.snapshotFolder || lockedByAnotherRun(run)) continue;
        std::error_code e2;
        const bool done = fs::exists(run / "saved", e2) || fs::exists(run / "restored", e2);
        fs::file_time_type when = fs::last_write_time(fs::exists(run / "at", e2) ? run / "at" : run, e2);
        if (e2) when = now;
        if (done || now - when > bound) {
            fs::remove_all(run, e2);
            continue;
        }
        // A snapshot write the run was killed in leaves its temporary file there.
        textio::removeStaleTemporaries(run.string());
        if (newest.empty() || when > newestTime) {
            newest = run;
            newestTime = when;
        }
    }
    return newest;
}

// Offers the newest snapshot of the earlier run in `run`; yes makes it the map (a change of this
// run, so U goes back to the start map) and marks the earlier folder as restored.
void offerRestore(Builder& b, const fs::path& run) {
    int at = -1;
    std::ifstream(run / "at") >> at;
    const std::string file = (run / ("UNDO_" + std::to_string(at))).string();
    world::LoadedMap map;
    // The earlier run's snapshots are read as this run reads its own.
    const std::string own = b.edit.snapshotFolder;
    b.edit.snapshotFolder = textio::asFolder(run.string());
    const bool read = at >= 0 && mapAt(b, at, map);
    b.edit.snapshotFolder = own;
    if (!read) {
        b.edit.notice = "An earlier run's snapshots in " + run.string() + " cannot be read; they are kept";
        return;
    }
    const std::string text = "An earlier MAP Builder run ended without saving its map.\n"
                             "Its newest snapshot (" +
                             std::to_string(map.tiles.size()) + " tiles) is in\n" + run.string() +
                             "\nRestore it? (No keeps it for the next start.)";
    if (!ask(b, "MAP BUILDER: Restore?", text, plat::Buttons::YesNo, false)) {
        b.edit.notice = "Earlier snapshots kept in " + run.string();
        return;
    }
    const MapReplaceReport r = replaceMap(b, map);
    recordChange(b);
    std::ofstream(run / "restored") << "restored by the run in " << b.edit.snapshotFolder << "\n";
    b.edit.notice = "Restored the map of an earlier run from " + file +
                    (r.cut > 0 ? " (" + std::to_string(r.cut) + " tiles beyond MAXTILES left out)" : "");
    redraw(b);
}

} // namespace

std::string snapshotPath(const Builder& b, int n) {
    return (b.edit.snapshotFolder.empty() ? b.cfg.LOGFILE : b.edit.snapshotFolder) + "UNDO_" +
           std::to_string(n);
}

void startSnapshots(Builder& b) {
    b.edit.undoCounter = 1;
    b.edit.undoPosition = b.edit.undoHighMark = b.edit.undoLowMark = 0;
    b.edit.snapshotLock.reset();
    b.edit.snapshotFolder.clear();
    b.edit.savedMark = -1;
    const fs::path base(textio::nativePath(b.cfg.LOGFILE + kRunsFolder));
    std::error_code ec;
    fs::create_directories(base, ec);
    fs::path earlier;
    if (openRunFolder(b, base))
        earlier = pruneEarlierRuns(b, base);
    else
        b.edit.notice = "No snapshot folder of its own under " + base.string() + ": a crash may lose work";
    b.map.snapshotted = false;
    writeChange(b, 0);
    writePosition(b);
    syncSavedMark(b);
    if (!earlier.empty()) offerRestore(b, earlier);
}

void recordChange(Builder& b) {
    b.mapFile.modified = true;
    syncSavedMark(b);
    for (int k = b.edit.undoPosition + 1; k <= b.edit.undoHighMark; ++k) removeSnapshot(b, k);
    const int n = b.edit.undoPosition + 1;
    b.edit.undoPosition = b.edit.undoHighMark = n;
    b.edit.undoCounter = n + 1;
    writeChange(b, n);
    writePosition(b);
    while (b.edit.undoHighMark - b.edit.undoLowMark >= kSnapshotsKept) dropOldest(b, b.edit.undoLowMark++);
}

void recordDnaChange(Builder& b, const std::string& path, const std::string* before,
                     const std::string& after) {
    const bool modified = b.mapFile.modified;
    b.edit.undoNoMapChange = true;
    recordChange(b);
    b.mapFile.modified = modified;
    syncSavedMark(b);
    std::string record = path + "\n" + (before ? std::to_string(before->size()) : "-1") + "\n";
    if (before) record += *before;
    record += after;
    if (!textio::writeFileAtomic(dnaChangePath(b, b.edit.undoPosition), record))
        b.edit.notice = "Undo of the DNA save not written: " + dnaChangePath(b, b.edit.undoPosition);
}

void undo(Builder& b) {
    if (b.edit.undoPosition <= b.edit.undoLowMark) {
        b.edit.notice = "Nothing to undo";
    } else if (loadSnapshot(b, b.edit.undoPosition - 1)) {
        applyDnaChange(b, b.edit.undoPosition, false);
        --b.edit.undoPosition;
        writePosition(b);
        syncSavedMark(b);
    }
    redraw(b);
}

void redo(Builder& b) {
    if (b.edit.undoPosition >= b.edit.undoHighMark) {
        b.edit.notice = "Nothing to redo";
    } else if (loadSnapshot(b, b.edit.undoPosition + 1)) {
        ++b.edit.undoPosition;
        applyDnaChange(b, b.edit.undoPosition, true);
        writePosition(b);
        syncSavedMark(b);
    }
    redraw(b);
}

void syncSavedMark(Builder& b) {
    const int want = b.mapFile.modified ? 0 : 1;
    if (want == b.edit.savedMark || b.edit.snapshotFolder.empty()) return;
    const std::string mark = b.edit.snapshotFolder + "saved";
    if (want == 1) {
        std::ofstream(mark) << "the map had no unsaved changes\n";
    } else {
        std::error_code ec;
        fs::remove(mark, ec);
    }
    b.edit.savedMark = want;
}

} // namespace tarn
