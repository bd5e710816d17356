// MapFiles: the builder's map saves and loads.
#include "builder/MapFiles.h"

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <set>

#include "builder/EditorScreen.h"
#include "builder/MapEditing.h"
#include "builder/Messages.h"
#include "builder/UndoSnapshots.h"
#include "builder/Windows.h"
#include "platform/TextIo.h"
#include "world/MapFormat.h"

namespace tarn {

namespace fs = std::filesystem;

namespace {

constexpr const char* kMapTitle = "MAP BUILDER MESSAGE:";

void show(Builder& b, const std::string& text) {
    b.edit.notice = text.substr(0, text.find('\n'));
    inform(b, kMapTitle, text);
}

// Appends what replacing the map met to `message`.
void describe(const MapReplaceReport& r, const Builder& b, std::string& message) {
    if (r.cut > 0)
        message += std::to_string(r.cut) + " tiles lie beyond MAXTILES (" + std::to_string(b.cfg.MAXTILES) +
                   ") and were not loaded.\n";
    if (r.outsideLayers > 0)
        message += std::to_string(r.outsideLayers) +
                   " tiles lie on layers outside 0..255; a map folder cannot hold them.\n";
}

// Replaces the map by `map`, loading the DNA set again first; the current tile kind is kept when it
// still exists. Counts as one change for undo; the map is then unmodified.
MapFileResult takeMap(Builder& b, const world::LoadedMap& map, const std::string& source) {
    const std::string currentName =
        b.tiles.currentKind >= 0 && b.tiles.currentKind < static_cast<int>(b.tiles.kinds.size())
            ? b.tiles.kinds[static_cast<std::size_t>(b.tiles.currentKind)].fileName
            : std::string();
    const std::string dnaName = b.edit.dnaKind >= 0 && b.edit.dnaKind < static_cast<int>(b.tiles.kinds.size())
                                    ? b.tiles.kinds[static_cast<std::size_t>(b.edit.dnaKind)].fileName
                                    : std::string();
    clearWorld(b);
    if (const int k = findKind(b, currentName);
        k >= 0 && b.tiles.kinds[static_cast<std::size_t>(k)].sprite != 0)
        b.tiles.currentKind = k;
    b.edit.dnaKind = dnaName.empty() ? -1 : findKind(b, dnaName);
    const MapReplaceReport r = replaceMap(b, map);
    MapFileResult result;
    describe(r, b, result.message);
    b.mapFile.cutFrom = r.cut > 0 ? source : std::string();
    result.ok = result.message.empty();
    recordChange(b);
    b.mapFile.modified = false;
    redraw(b);
    return result;
}

std::string listFailures(const world::MapWriteResult& w, const std::vector<std::string>& failedCopies,
                         const std::vector<world::PlacedTile>& tiles) {
    std::string message;
    for (const std::string& f : w.failedFiles) message += "Could not write " + f + "\n";
    for (const std::string& f : failedCopies) message += "Could not copy " + f + "\n";
    if (!w.skipped.empty()) {
        message += std::to_string(w.skipped.size()) +
                   " tiles were not saved (a layer outside 0..255 or a name " +
                   "that cannot be written), for example " + tiles[w.skipped.front()].name + " on layer " +
                   std::to_string(tiles[w.skipped.front()].layer) + ".\n";
    }
    return message;
}

} // namespace

MapFileResult saveMapFolder(Builder& b, const std::string& folderIn) {
    MapFileResult result;
    const std::string folder = textio::asFolder(folderIn);
    if (folder.empty()) {
        result.message = "No map folder given.\n";
        return result;
    }
    const std::string gfx = folder + std::string(world::kMapGfxFolder);
    std::error_code ec;
    fs::create_directories(gfx, ec);
    if (!fs::is_directory(gfx, ec)) result.message += "Could not make the folder " + gfx + "\n";

    const std::vector<world::PlacedTile> tiles = placedTiles(b);
    world::MapFolderSave save;
    save.gfxFolder = b.cfg.GFXPATH;
    save.gfxExtension = b.cfg.GFXCODEC;
    save.maxUsedLayer = b.map.maxUsedLayer;
    save.highestTileIndex = b.map.lastObject;
    // A numbered file that does not read as a map segment (the user's own file, or one this version
    // cannot read) is never overwritten: it is kept, and the save says so.
    std::string kept;
    for (int s = 0; s <= world::kMaxMapSegment; ++s) {
        std::string content;
        if (!textio::readFile(folder + std::to_string(s), content) || world::looksLikeMapText(content))
            continue;
        save.keepSegments.push_back(s);
        int lost = 0;
        for (const world::PlacedTile& t : tiles) lost += t.layer == s ? 1 : 0;
        const std::string why =
            folder + std::to_string(s) +
            " was kept as it is: it does not read as a map segment (two number lines, then "
            "TILE or ENGINETILEINFOEND)";
        if (lost > 0)
            result.message += why + "; the " + std::to_string(lost) + " tiles of layer " + std::to_string(s) +
                              " were not saved.\n";
        else
            kept += (kept.empty() ? "" : "; ") + why;
    }
    const world::MapWriteResult w = world::writeMapFolder(folder, tiles, save);

    // The writer copies each used kind's picture and DNA file; every copy is checked here, so a
    // map that biosim could not draw is never reported as saved.
    std::vector<std::string> failedCopies;
    std::set<std::string> kinds;
    for (const world::PlacedTile& t : tiles)
        if (t.layer >= 0 && t.layer <= world::kMaxMapSegment && world::isWritableTileName(t.name) &&
            t.name.find_first_of("/\\") == std::string::npos)
            kinds.insert(t.name);
    for (const std::string& name : kinds) {
        for (const std::string& ext : {b.cfg.GFXCODEC, std::string(".dll")}) {
            std::string from, to;
            if (!textio::readFile(b.cfg.GFXPATH + name + ext, from) ||
                !textio::readFile(gfx + name + ext, to) || from != to)
                failedCopies.push_back(b.cfg.GFXPATH + name + ext + " to " + gfx);
        }
    }
    result.message += listFailures(w, failedCopies, tiles);
    result.ok = result.message.empty();
    result.note = kept;
    if (result.ok) b.mapFile.modified = false;
    return result;
}

MapFileResult loadMapFolder(Builder& b, const std::string& folderIn) {
    const std::string folder = textio::asFolder(folderIn);
    world::recoverMapFolder(folder);
    // Segment files that do not read as a map (a user's note named "42") are skipped and named;
    // without any segment the current map stays.
    world::LoadedMap map;
    std::string skipped;
    bool any = false;
    for (int s = 0; s <= world::kMaxMapSegment; ++s) {
        std::string content;
        if (!textio::readFile(folder + std::to_string(s), content)) continue;
        if (!world::looksLikeMapText(content)) {
            skipped += folder + std::to_string(s) + " is not a map segment and was skipped.\n";
            continue;
        }
        world::LoadedMap part;
        world::readMapText(std::move(content), part);
        map.scrollX = part.scrollX;
        map.scrollY = part.scrollY;
        map.maxLayer = std::max(map.maxLayer, part.maxLayer);
        map.tiles.insert(map.tiles.end(), std::make_move_iterator(part.tiles.begin()),
                         std::make_move_iterator(part.tiles.end()));
        any = true;
    }
    if (!any) {
        MapFileResult result;
        result.message = skipped + folder + " holds no map segment (files 0..255); the map is kept.\n";
        return result;
    }
    MapFileResult result = takeMap(b, map, folder);
    if (!skipped.empty()) {
        result.message = skipped + result.message;
        result.ok = false;
    }
    return result;
}

MapFileResult saveMapFile(Builder& b, const std::string& path) {
    MapFileResult result;
    const std::vector<world::PlacedTile> tiles = placedTiles(b);
    const world::MapWriteResult w = world::writeMapFile(path, tiles);
    result.message = listFailures(w, {}, tiles);
    result.ok = result.message.empty();
    if (result.ok) b.mapFile.modified = false;
    if (result.ok && path == b.mapFile.cutFrom) b.mapFile.cutFrom.clear();
    return result;
}

MapFileResult loadMapFile(Builder& b, const std::string& path) {
    MapFileResult result;
    std::string content;
    if (!textio::readFile(path, content)) {
        result.message = "Could not open the map file " + path + "; the map is kept.\n";
        return result;
    }
    if (!world::looksLikeMapText(content)) {
        result.message = path + " is not a map file; the map is kept.\n";
        return result;
    }
    world::LoadedMap map;
    world::readMapText(std::move(content), map);
    return takeMap(b, map, path);
}

bool writeMapOld(Builder& b, const std::string& path) {
    return world::writeMapFile(path, placedTiles(b)).ok;
}

bool loadMapOld(Builder& b, const std::string& path) {
    MapFileResult r = loadMapFile(b, path);
    // A missing file is only noted (a fresh working folder has no start map); anything else about
    // a file that exists is shown.
    std::error_code ec;
    if (!r.message.empty() && fs::exists(path, ec)) show(b, r.message);
    return r.ok || b.mapFile.cutFrom == path;
}

void redrawMap(Builder& b) {
    const std::string& file = b.mapFile.name;
    if (!b.mapFile.cutFrom.empty() && b.mapFile.cutFrom == file) {
        show(b, "Redraw MAP: " + file +
                    " holds more tiles than MAXTILES; writing it would cut it.\n"
                    "The file and the map are kept.");
        return;
    }
    const bool modified = b.mapFile.modified;
    if (!writeMapOld(b, file)) {
        show(b, "Redraw MAP: could not write " + file + ". The map is kept.");
        return;
    }
    const MapFileResult r = loadMapFile(b, file);
    if (!r.message.empty()) show(b, "Redraw MAP: " + r.message);
    b.mapFile.modified = modified && !r.ok;
}

bool mayDropChanges(Builder& b) {
    if (!b.mapFile.modified) return true;
    // Keeping the changes loses nothing: a question no one answers keeps them.
    return ask(b, kMapTitle, "The map has changes that are not saved.\nDrop them?", plat::Buttons::YesNo,
               false);
}

std::string choosePath(Builder& b, const std::string& title, Windows::PathKind kind) {
    if (b.services.windows == nullptr) return {};
    const std::string start = b.edit.lastFolder.empty() ? currentFolder() : b.edit.lastFolder;
    const std::string path = b.services.windows->choosePath(b.dialogs(), title, start, kind);
    // The next requester starts where this one ended: the chosen folder, or the chosen file's.
    if (!path.empty()) {
        const std::size_t slash = path.rfind('/');
        if (kind == Windows::PathKind::Folder)
            b.edit.lastFolder = textio::asFolder(path);
        else if (slash != std::string::npos)
            b.edit.lastFolder = path.substr(0, slash + 1);
    }
    return path;
}

void saveMapNewFormat(Builder& b) {
    const std::string folder = choosePath(b, "Save Map New Format:", Windows::PathKind::Folder);
    if (folder.empty()) return;
    const MapFileResult r = saveMapFolder(b, folder);
    if (!r.ok)
        show(b, "The map folder " + folder + " was not saved completely:\n" + r.message);
    else
        b.edit.notice = "Saved " + folder + (r.note.empty() ? "" : " - " + r.note);
    redraw(b);
}

void loadMapNewFormat(Builder& b) {
    const std::string folder = choosePath(b, "MAP-BUILDER: Open MAP Folder:", Windows::PathKind::Folder);
    if (folder.empty() || !mayDropChanges(b)) return;
    const MapFileResult r = loadMapFolder(b, folder);
    if (!r.message.empty()) show(b, r.message);
    redraw(b);
}

void saveMapOldFormat(Builder& b) {
    const std::string path = choosePath(b, "Save Map Old Format:", Windows::PathKind::SaveFile);
    if (path.empty()) return;
    const MapFileResult r = saveMapFile(b, path);
    if (!r.ok)
        show(b, "The map file " + path + " was not saved completely:\n" + r.message);
    else
        b.edit.notice = "Saved " + path;
    redraw(b);
}

void loadMapOldFormat(Builder& b) {
    const std::string path = choosePath(b, "Load Map Old Format:", Windows::PathKind::OpenFile);
    if (path.empty() || !mayDropChanges(b)) return;
    const MapFileResult r = loadMapFile(b, path);
    if (!r.message.empty()) show(b, r.message);
    redraw(b);
}

} // namespace tarn
