// TileDna: biosim's tile DNA record and its reader.
//
// Every tile kind has a DNA file `name` + ".dll" beside its graphic: plain text, pairs of a key line
// and a value line (see DnaKeyTable.h). biosim keeps one TileDna per tile id in its `dnaTable` and
// copies the values into each world object it creates. The reader never clears a record: a key
// missing from a file keeps the value the same tile id held before (an earlier map, or zero).
// Keys only tarn uses are skipped here. Each row of biosim's key table also says where the map
// loader puts the value in a world object, the DNA window's help text and the content check's valid
// range, so adding a key is adding a row. No SDL; depends on platform/TextIo and the world object
// record (world/ObjectTable.h).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "world/DnaKeyTable.h"
#include "world/KindNames.h"
#include "world/ObjectTable.h"

namespace world {

// The DNA of one tile kind as biosim reads it. Field names are the DNA keys; the comment gives the
// stored type (byte = signed 8 bits, the low 8 bits of the integer text).
struct TileDna {
    // Identity, set once the kind's DNA file has opened.
    std::string name;             // tile kind name (graphic file name without extension)
    std::string dnaPath;          // path of the DNA file read, ending in ".dll"
    std::int32_t imageHandle = 0; // the kind's tile sprite (0 = none)

    // Values, in the order of the key table.
    float worldFTileRotate = 0;          // float
    std::int8_t worldFTileCollision = 0; // byte; exactly 1 enters the object in collisionList
    std::string worldFTileFollow;        // text: tile kind name to follow
    float worldFTileTransparency = 0;    // float
    std::int8_t worldFTileTouchMove = 0; // byte
    std::int8_t worldFTileGOBACK = 0;    // byte
    std::int32_t worldFTileTouchTransparency = 0;
    std::int32_t worldFTilePlayerID = 0;
    float worldFTileExpansionValue = 0; // kept
    std::int8_t worldFTileIsGUI = 0;    // byte
    std::int8_t worldFStretch = 0;      // byte; non-zero stretches to the whole screen
    std::int32_t worldFTileMove = 0;    // kept
    float worldFTileVELO = 0;
    std::int32_t worldFTilePlayerMOVE = 0;
    std::int8_t worldFTilePLINKI = 0; // kept
    float worldFTileGravity = 0;
    float worldFTileScrollH = 0;                // kept
    std::int8_t worldFTileCollisionDestroy = 0; // kept
    std::string worldFTileSoundType;
    std::int32_t worldFTileGlobalGravity = 0; // kept
    std::int32_t worldFTileFollowObject = 0;
    float worldFTileMoveV = 0;
    float worldFTileMoveH = 0;
    std::int32_t worldFTileIsEMUMousePointer = 0; // kept
    std::int32_t worldFTileIsHWMousePointer = 0;  // kept
    std::int32_t worldFTileTouchRotate = 0;
    std::int8_t useLayerScroll = 0; // kept
    float worldGlobalScrollH = 0;   // kept
    float worldGlobalScrollV = 0;   // kept
    std::int8_t worldFTileTransport = 0;
    std::int32_t worldFTileFlire = 0;
    std::int32_t worldFTileID = 0;
    std::string worldFTileIDString;
    std::int32_t hp = 0; // kept
    std::string useWeapon;
    std::string postEFFECT;
    std::int8_t worldFTileLoopH = 0;    // kept
    std::int8_t worldFTileLoopV = 0;    // kept
    float worldFTileBounceTopDown = 0;  // kept
    std::int8_t worldFTileDoCrushH = 0; // kept; the text is a float rounded first (2.6 -> 3)
    float worldFTileCollisionSize = 0;  // kept
    std::string geneseID;               // kept
    std::int8_t worldFTileRandomMove = 0;
    float worldFTileFadeIn = 0;
    float worldFTileFadeOut = 0;
    std::int32_t worldFTileLifeTime = 0;
    std::int32_t worldFTileTimerMS = 0;
    std::int8_t worldFTilePattern = 0; // kept
    std::int8_t noSmooth = 0;          // kept
    // worldFTileAutoLoad: recognised and ignored, no field.
    std::string animContainer; // animation folder; "" or "NOPE" = none
    std::int8_t animAutoPlay = 0;
    std::int32_t animTimer = 0;
    std::int8_t worldFTileHideOnStart = 0; // 1 starts invisible, 2 starts with transparency 0
    std::int8_t worldFTileUseKeyboard = 0;
    std::int32_t worldFTileUseJoyStick = 0; // the object keeps it in a byte
    std::int8_t AI = 0;
    std::int32_t worldFTileIsMirror = 0;
    std::string worldFTileMirrorAt;
    std::string worldFTileSoundFile; // object sound; "" or "NOPE" = none
    std::int32_t worldFTileSoundDuration = 0;
    std::int8_t worldFTileSoundVolume = 0;
    std::int32_t worldFTileUseMoveLogic = 0;
    float worldFTileFadeInStep = 0;
    std::string worldFTileUseScript;
    std::string worldFTile_EFFECT_GFX; // extra image of the object
    std::string worldFTileUseShadow;   // shadow image of the object
};

// What the map loader does with a key's value when it creates a world object of the kind.
enum class DnaCopy : std::uint8_t {
    Unset,     // no rule given (a table slip; the key table's test refuses it)
    Kept,      // no object field: the value stays in the kind's DNA record (nowhere for an ignored key)
    Copied,    // copied into the row's object field as C++ converts it (byte to int, int to float...)
    Converted, // the loader's own code next to its copy loop fills the row's object field (and more)
};

// Where a value lands in a WorldObject. Copied and Converted rows name exactly one object field;
// Converted rows also say in `how` what the loader does beyond a plain copy.
struct DnaLanding {
    DnaCopy rule = DnaCopy::Unset;
    std::int32_t WorldObject::*toInt = nullptr;
    std::int8_t WorldObject::*toByte = nullptr;
    float WorldObject::*toFloat = nullptr;
    std::string WorldObject::*toText = nullptr;
    std::string_view how = {};
};

// The valid values of a numeric key, for the content check; `checked` false = any value.
struct DnaRange {
    bool checked = false;
    std::int64_t lo = 0, hi = 0;
};

// One row of biosim's key table: the reader's row (name, kind, DNA member, help) and what follows.
struct TileDnaKey : DnaKey<TileDna> {
    DnaLanding copy;
    DnaRange range;
};

// biosim's key table, in the order the reader tests the keys (67 rows, first match wins).
std::span<const TileDnaKey> tileDnaKeys();

// Copies the value of a Copied row from `dna` into its object field; other rows change nothing.
void copyDnaValue(const TileDnaKey& row, const TileDna& dna, WorldObject& o);

// The value of a numeric row in `dna`, widened to double (exact for every stored type); 0 for text
// and ignored rows.
double dnaNumber(const TileDnaKey& row, const TileDna& dna);

// isNoneName (world/KindNames.h) tells a text DNA value that means "none" (animContainer,
// worldFTileSoundFile): "" or "NOPE".

// Applies one pair to `dna` through biosim's key table; true when the key is known.
bool applyTileDnaPair(TileDna& dna, std::string_view key, std::string_view value);

// Reads every pair of `content` (a whole DNA file) into `dna`; identity fields are not touched.
void parseTileDna(TileDna& dna, std::string_view content);

// Reads `pathWithoutExtension` + ".dll" into `dna`. A file that does not open changes nothing and
// returns false. Otherwise sets dnaPath to the file read, then reads every pair; true.
bool readTileDna(TileDna& dna, const std::string& pathWithoutExtension);

// Same, and once the file has opened also sets the kind's name and image handle (before the pairs).
bool readTileDna(TileDna& dna, const std::string& pathWithoutExtension, const std::string& name,
                 std::int32_t imageHandle);

} // namespace world
