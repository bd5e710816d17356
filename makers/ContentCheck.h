// ContentCheck: every content problem of a world at once (`biosim --check [MAPID...]`), found the way
// the engine would meet them at play time, without a window or sound and without writing a file.
//
// Looked at: the configuration's files and folders; the loading pictures and loading music; per map
// its tile kinds (image decodes, DNA file reads), its level music, every record of every segment
// (unknown tile names, records cut short or on a layer other than their segment's, records beyond
// MAXOBJECTS, segments after a gap that are never read), kinds that useWeapon or worldFTileFollow name
// but the map does not hold, transport tiles of no known kind, object sounds, effect and shadow
// images, animation folders (missing, gaps in frame numbers, mixed frame sizes), DNA values out of
// range, DNA keys no reader knows (with the nearest known key), DNA values that do not read as
// their key's type (a door target "abc" would lead to map 0), map folders biosim never reads
// (MAPS/0001/, MAPS/2147483648/), and the maps that the title screens and FASS objects (doors)
// lead to.
//
// Each finding is an error (the world plays wrong: a missing picture, map or DNA file, an unknown
// tile, a door to nowhere, a value of the wrong type) or a warning (it plays, with a gap: missing
// level music or sound, uneven animations, a folder never read).
// Depends on: engine/Biosim.h, engine/Configuration.h, engine/TileKinds.h, world formats and kind
// names, platform/headless (images are decoded off screen).
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace makers {

constexpr std::int32_t kWorldWide = std::numeric_limits<std::int32_t>::min(); // a problem of no one map

enum class Severity { Error, Warning };

// The severity of a kind of finding.
Severity severityOf(const std::string& kind);

struct ContentProblem {
    std::string kind;  // short code, e.g. "unknown-tile", "missing-image", "anim-gap"
    std::int32_t map;  // map id, or kWorldWide
    std::string file;  // the file (or folder) concerned, as configured (relative to the world)
    std::int32_t line; // line in `file`, 0 when none
    std::string text;  // what is wrong, for people
    Severity severity = severityOf(kind);
};

struct ContentCheckRequest {
    std::string workingFolder;      // the world (ends with '/')
    std::vector<std::int32_t> maps; // maps to check; empty = every map of the maps folder
};

struct ContentReport {
    std::vector<ContentProblem> problems;
    std::vector<std::int32_t> mapsChecked;
    bool configurationRead = false;
};

ContentReport checkContent(const ContentCheckRequest& request);

// The exit code of `biosim --check`: 1 when the report holds an error (or, when `strict`, a
// warning), else 0.
int contentCheckExitCode(const ContentReport& report, bool strict);

// The report for people: one problem per line ("error: ..." or "warning: ..."), then a summary line
// ("N problems in M maps: E errors, W warnings").
std::string formatContentReport(const ContentReport& report);
// The report as JSON: {"mapsChecked": [...], "problems": [{"kind", "severity" ("error" or
// "warning"), "map" (null: the world as a whole), "file", "line", "text"}], "count": n, "errors": e,
// "warnings": w}.
std::string contentReportJson(const ContentReport& report);

// The known DNA key nearest to `key` (letter case aside), or "" when none is near.
std::string nearestDnaKey(const std::string& key);

} // namespace makers
