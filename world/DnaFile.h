// tarn's side of the tile DNA format: its tile-kind DNA record, its key table and reader, and the
// DNA file writer of the DNA editor.
//
// tarn reads the same files as biosim but with a table of its own: some keys only tarn knows, and
// four keys have other types (worldFTileFollow int, worldFTileTransparency int, worldFStretch int,
// worldFTileID text). Keys only biosim knows are skipped by this reader; the DNA editor carries
// them through its entries unchanged. Written files end with exactly eight ";" comment lines, so a
// pair reader stays in step. No SDL; depends on platform/TextIo.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "world/DnaKeyTable.h"

namespace world {

// The DNA of one tile kind as tarn reads it (one per kind of its tile folder).
struct TarnTileDna {
    std::int8_t loaded = 0; // 1 once a DNA file of the kind was read (placed tiles copy it as "present")
    std::string dnaPath;    // path of the DNA file read, ending in ".dll"

    // Values, in the order of tarn's key table.
    float worldFTileRotate = 0;
    std::int8_t worldFTileCollision = 0;
    std::int32_t worldFTileFollow = 0;
    std::int8_t worldFTileEmitter = 0;
    std::int32_t worldFTileTransparency = 0; // drawing alpha in the editor
    std::int8_t worldFTileTouchMove = 0;
    std::int8_t worldFTileGOBACK = 0;
    std::int32_t worldFTileTouchTransparency = 0;
    std::int32_t worldFTilePlayerID = 0;
    float worldFTileExpansionValue = 0;
    std::int32_t worldFTileCollisionEmitter = 0;
    std::int32_t worldFStretch = 0;
    std::int32_t worldFTileMove = 0;
    float worldFTileVELO = 0;
    std::int32_t worldFTilePlayerMOVE = 0;
    std::int8_t worldFTilePLINKI = 0;
    float worldFTileGravity = 0;
    float worldFTileScrollH = 0;
    std::int32_t worldFTileDynamicScrollH = 0; // a float text rounded to the nearest integer
    std::int8_t worldFTileCollisionDestroy = 0;
    std::int32_t worldFTileLaunch = 0;
    std::int32_t worldFTileGlobalGravity = 0;
    std::int32_t worldFTileFollowObject = 0;
    float worldFTileMoveV = 0;
    float worldFTileMoveH = 0;
    std::int32_t worldFTileIsEMUMousePointer = 0;
    std::int32_t worldFTileIsHWMousePointer = 0;
    std::int32_t worldFTileTouchRotate = 0;
    std::int8_t useLayerScroll = 0;
    float worldGlobalScrollH = 0;
    float worldGlobalScrollV = 0;
    std::int32_t worldFTileShadow = 0;
    std::int8_t worldFTileTransport = 0;
    std::int8_t worldFTileReflection = 0;
    std::int32_t worldFTileFlire = 0;
    std::string worldFTileID; // the global tile id, stable from run to run
    std::string useWeapon;
    std::int32_t hp = 0;
    std::int32_t worldFTileShadowOffsetX = 0;
    std::int32_t worldFTileShadowOffsetY = 0;
    std::int32_t worldFTileShadowZoom = 0;
    std::int8_t worldFTileNoStopOnCollision = 0;
    std::string postEFFECT; // blending pair used to draw the kind in the editor
    std::int8_t worldFTileLoopH = 0;
    std::int8_t worldFTileLoopV = 0;
    float worldFTileParableV = 0;
    float worldFTileParableH = 0;
    float worldFTileBounceTopDown = 0;
    std::int8_t worldFTileDoCrushH = 0; // a float text rounded to the nearest integer, low 8 bits
    float worldFTileCollisionSize = 0;
    float worldFTileSuperRotate = 0;
    float worldFTileLook = 0;
    float worldFTileLookAngle = 0;
    std::int8_t worldFTilePattern = 0;
    std::string geneseID;
};

// tarn's key table, in the order its reader tests the keys (55 rows, first match wins).
std::span<const DnaKey<TarnTileDna>> tarnDnaKeys();

// The DNA window's help text of a key of either program's table, looked up by name ("" for a key
// neither table knows).
std::string_view dnaKeyHelp(std::string_view key);

// Applies one pair to `dna` through tarn's key table; true when the key is known.
bool applyTarnDnaPair(TarnTileDna& dna, std::string_view key, std::string_view value);

// Reads every pair of `content` (a whole DNA file) into `dna`; loaded and dnaPath are not touched.
void parseTarnTileDna(TarnTileDna& dna, std::string_view content);

// Reads `pathWithoutExtension` + ".dll" into `dna`. A file that does not open changes nothing and
// returns false. Otherwise sets loaded = 1 and dnaPath, reads every pair (missing keys keep their
// values); true.
bool readTarnTileDna(TarnTileDna& dna, const std::string& pathWithoutExtension);

// ---------------------------------------------------------------------------------------------
// Raw pairs, as the DNA editor shows and writes them.
// ---------------------------------------------------------------------------------------------

// One key/value pair of a DNA file, text as it stands in the file.
struct DnaEntry {
    std::string key;
    std::string value;
};

// Placeholder texts of an editor entry that holds nothing; the writer never writes such a pair.
inline constexpr std::string_view kDnaKeyFail = "_key_FAIL";
inline constexpr std::string_view kDnaValueFail = "_val_FAIL";

// The eight comment lines that end every written DNA file, each beginning with ";".
std::span<const std::string_view> dnaCommentLines();

// Reads every pair of the file at `filePath` (the full name, with ".dll") in file order, comment
// lines included (the editor filters them). false and `out` empty when the file does not open.
bool readDnaEntries(const std::string& filePath, std::vector<DnaEntry>& out);

// Result of writing a DNA file.
struct DnaWriteResult {
    bool ok = false;                  // the file was written completely and replaced the old one
    std::vector<std::size_t> skipped; // indices of entries left out because key or value holds a
                                      // line break (they would not read back as the same pair)
};

// The text a DNA file holds for `entries`: each pair in order as two CR LF lines, except pairs whose
// key is "_key_FAIL" or whose value is "_val_FAIL" (silently left out) and pairs with a line break
// (left out and listed in `skipped` when given); then the eight comment lines.
std::string formatDnaFile(std::span<const DnaEntry> entries, std::vector<std::size_t>* skipped = nullptr);

// Writes formatDnaFile(entries) to `filePath` (the full name, with ".dll"). The old file is replaced
// only once the new content is complete; on failure it is left untouched and ok is false.
DnaWriteResult writeDnaFile(const std::string& filePath, std::span<const DnaEntry> entries);

} // namespace world
