// The map file format: the record layout, the single map file and the map folder.
//
// A map file (and each segment file of a map folder) is text, one item per line:
//   scroll X, scroll Y (integers; writers put "0", "0"),
//   zero or more records of eight lines: marker "TILE", tile kind name, kind number, X, Y, width,
//   height, layer,
//   the end line "ENGINETILEINFOEND".
// A map folder holds one segment file per layer, named "0", "1", ... (no extension), a file "_" with
// the highest tile index, and `_DATA/2DGFX/` with a copy of each used kind's graphic and DNA file.
//
// Readers: any marker line other than "ENGINETILEINFOEND" starts a record (so a hand-edited file
// loads the same in both programs); a file that ends early ends its record loop, records read so far
// stay. Writers replace each file (a map folder: all its files at once) only once the new content is
// complete and report failure; they
// never write a record that would read back differently (empty tile name or one with a line break):
// such records are left out and listed for the caller. No SDL; depends on platform/TextIo.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/TextIo.h"

namespace world {

inline constexpr std::string_view kTileMarker = "TILE";
inline constexpr std::string_view kMapEndMarker = "ENGINETILEINFOEND";
inline constexpr int kMaxMapSegment = 255; // segment files "0" .. "255"
inline constexpr std::string_view kTileCountFile = "_";
inline constexpr std::string_view kMapGfxFolder = "_DATA/2DGFX/"; // inside a map folder

// ---------------------------------------------------------------------------------------------
// Record iteration (both programs' readers)
// ---------------------------------------------------------------------------------------------

// One record as read. The views point into the reader's buffer and stay valid while it lives.
struct MapRecord {
    std::string_view marker;   // normally "TILE"; any text other than the end line
    std::string_view name;     // tile kind name
    std::string_view kindText; // kind number line (readers ignore it)
    std::string_view xText, yText, widthText, heightText, layerText; // raw number lines
    float x = 0, y = 0, width = 0, height = 0;                       // the number lines read as floats
    std::int32_t layer = 0;                                          // the layer line read as an integer
    bool complete = false; // false when the file ended inside the record (missing lines read "")
};

// Reads a map file or segment: the two header lines, then record after record.
class MapRecordReader {
public:
    MapRecordReader() = default;
    // A reader over a whole file held in memory; the header is read at once.
    explicit MapRecordReader(std::string content);
    // Opens a map file or segment and reads its header; false (and an empty reader) when the file
    // does not open.
    bool open(const std::string& path);
    // The header lines read as integers (0 when missing or no number).
    std::int32_t scrollX() const { return scrollX_; }
    std::int32_t scrollY() const { return scrollY_; }
    // Reads the next record into `rec`; false at the end line or at the end of the file. Adds one to
    // `lineCounter` (if given) for each record line after the marker: 7 per record, also for a
    // record cut short by the end of the file.
    bool next(MapRecord& rec, std::int32_t* lineCounter = nullptr);
    // True once the end line "ENGINETILEINFOEND" was read.
    bool sawEndMarker() const { return sawEnd_; }

private:
    void readHeader();
    textio::LineReader lines_;
    std::int32_t scrollX_ = 0;
    std::int32_t scrollY_ = 0;
    bool sawEnd_ = false;
};

// ---------------------------------------------------------------------------------------------
// Placed tiles (tarn's side: writers and readers)
// ---------------------------------------------------------------------------------------------

// A tile placed in a map, in the neutral form the writers take and tarn's readers give.
struct PlacedTile {
    std::string name;      // tile kind name
    std::int32_t kind = 0; // kind number: written on the record's third line; on reading, the
                           // caller's lookup result for `name` (-1 = unknown kind)
    float x = 0, y = 0, width = 0, height = 0; // world pixels; written as the nearest integer
    std::int32_t layer = 0;
    bool alive = true; // deleted tiles (alive false) leave no record and are not reported
};

// True when a tile name can be written and read back unchanged: not empty, no CR or LF.
bool isWritableTileName(std::string_view name);

// Result of a map writer.
struct MapWriteResult {
    bool ok = false;                      // every map file (each segment and "_") was written completely
    std::vector<std::size_t> skipped;     // indices into `tiles` of alive tiles not written:
                                          // empty name or a line break in it; for the folder form also
                                          // a layer outside 0..255 (no segment a reader would open)
    std::vector<std::string> failedFiles; // map files that could not be written (copies not listed)
};

// The text of one map file: header "0", "0", the records of the alive tiles (all of them, or only
// those of `layer` when it is >= 0) in list order, then the end line. Unwritable names are left out
// and appended to `skipped` when given.
std::string formatMap(const std::vector<PlacedTile>& tiles, std::int32_t layer = -1,
                      std::vector<std::size_t>* skipped = nullptr);

// Writes the single map file (all layers) at `path`, replacing an old file only once the new one is
// complete. ok false when it could not be written (the old file then stays).
MapWriteResult writeMapFile(const std::string& path, const std::vector<PlacedTile>& tiles);

// What the folder writer needs besides the tiles.
struct MapFolderSave {
    std::string gfxFolder;              // tarn's tile folder (source of the copies), ending with a separator
    std::string gfxExtension;           // graphic file ending, e.g. ".png"
    std::int32_t maxUsedLayer = 0;      // segments "0".."max(maxUsedLayer, highest tile layer)"
    std::int32_t highestTileIndex = -1; // written into "_"
    bool copyKindFiles = true;          // copy each used kind's picture and DNA file from gfxFolder
    // Further files of `_DATA/2DGFX/` written with the map (name without folder, content).
    std::vector<std::pair<std::string, std::string>> gfxFiles;
    std::vector<std::int32_t> keepSegments; // segment files left exactly as they are (not map segments)
};

// Writes the map folder `folder` (a separator is added when missing): segment files "0" up to the
// highest used layer (capped at 255), each written even when empty; then "_" with the highest tile
// index. For each kind used by a written tile, copies gfxFolder + name + gfxExtension and
// gfxFolder + name + ".dll" into folder + "_DATA/2DGFX/", replacing older copies (a source that
// cannot be read is left out: the caller checks its copies), and writes `gfxFiles` there. That
// folder is never created: when it is missing the copies are left out.
//
// The save is whole or nothing for the folder: every new file is first written complete beside the
// old one; only then is a journal committed and the files renamed into place, and segments above
// the new top layer (files that read as segments of their layer; none in a folder holding
// `_DATA/ini.txt`, tarn's working folder) removed. All files are flushed with one sync before the
// commit. A file that cannot be written is listed in failedFiles (every one of them) and leaves the
// old map untouched, stale segments included. A save killed after the commit is completed by the
// next recoverMapFolder of the folder, one killed before leaves the old map.
MapWriteResult writeMapFolder(const std::string& folder, const std::vector<PlacedTile>& tiles,
                              const MapFolderSave& save);

// Finishes in `folder` a save whose program ended after its commit (journal ".map-save.<pid>.journal"
// of a process that no longer runs), and removes the temporaries of saves that ended before it, in
// the folder and in its `_DATA/2DGFX/`. Both programs call it before they read or write a map
// folder (the readers below, biosim's map load, writeMapFolder). Returns how many saves it finished.
int recoverMapFolder(const std::string& folder);

// Called with the name of each step of a map-folder save: "written" (after each new file), "staged"
// (all of them written and flushed),
// "committed", "renamed" (after each file), "removed" (after each stale segment), "done". For
// tests that stop a save at a given step; nullptr (the default) for none.
using MapSaveStepHook = void (*)(const char* step);
void setMapSaveStepHook(MapSaveStepHook hook);

// A map as tarn reads it.
struct LoadedMap {
    std::int32_t scrollX = 0, scrollY = 0; // header of the last file read
    std::int32_t maxLayer = 0;             // 0, raised to each read tile's layer
    std::vector<PlacedTile> tiles;         // in file order (segment order for a folder); alive
};

// Finds a tile kind by name: its kind index, or -1 when the kind is unknown.
using KindLookup = std::function<std::int32_t(std::string_view name)>;

// True when `content` reads as a map file or segment for tarn: two header lines that read as
// integers the way every reader reads them (leading blanks and tabs, an optional "-" or "+", then
// at least one digit; what follows the digits is not read), then a "TILE" record or the end line.
// A user's note that happens to be named like a segment is not a map.
bool looksLikeMapText(std::string_view content);

// tarn's reader of a single map file: `out` is cleared, then filled with the header and one tile
// per record (X, Y, width, height and layer read as integers; kind = lookup(name), or the record's
// kind number when no lookup is given). false when the file does not open (`out` stays cleared).
bool readMapFile(const std::string& path, LoadedMap& out, const KindLookup& lookup = {});

// Same as readMapFile for a map file held in memory (`out` is cleared first).
void readMapText(std::string content, LoadedMap& out, const KindLookup& lookup = {});

// tarn's reader of a map folder (a separator is added when missing): the folder is recovered
// (recoverMapFolder), `out` is cleared, then each
// segment file "0".."255" that exists is read as above, missing ones skipped; "_" is not read.
// false when no segment file opened.
bool readMapFolder(const std::string& folder, LoadedMap& out, const KindLookup& lookup = {});

} // namespace world
