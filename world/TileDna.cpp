// TileDna: biosim's key table and DNA reader.
#include "world/TileDna.h"

#include <array>
#include <cmath>
#include <type_traits>

namespace world {

namespace {

using D = TileDna;
using O = WorldObject;

// Row builders: where the loader puts the value, and the valid range.
constexpr DnaLanding to(std::int32_t O::*m) {
    return {DnaCopy::Copied, m, nullptr, nullptr, nullptr};
}
constexpr DnaLanding to(std::int8_t O::*m) {
    return {DnaCopy::Copied, nullptr, m, nullptr, nullptr};
}
constexpr DnaLanding to(float O::*m) {
    return {DnaCopy::Copied, nullptr, nullptr, m, nullptr};
}
constexpr DnaLanding to(std::string O::*m) {
    return {DnaCopy::Copied, nullptr, nullptr, nullptr, m};
}
constexpr DnaLanding converted(std::int32_t O::*m, std::string_view how) {
    return {DnaCopy::Converted, m, nullptr, nullptr, nullptr, how};
}
constexpr DnaLanding converted(float O::*m, std::string_view how) {
    return {DnaCopy::Converted, nullptr, nullptr, m, nullptr, how};
}
constexpr DnaLanding kept{DnaCopy::Kept};
constexpr DnaRange range(std::int64_t lo, std::int64_t hi) {
    return {true, lo, hi};
}
constexpr TileDnaKey key(DnaKey<D> read, DnaLanding copy, std::string_view help, DnaRange valid = {}) {
    read.help = help;
    return {read, copy, valid};
}

// The order is the order in which the reader tests the keys. Per key: how the reader stores it,
// where the map loader puts it in a new object, the DNA window's help text, the valid range.
// clang-format off
constexpr std::array kTileDnaKeys{
    key(dnaFloat<D>("worldFTileRotate", &D::worldFTileRotate), to(&O::worldFTileRotate),
        "Turn per frame in radians; 0 = the tile does not rotate"),
    key(dnaByte<D>("worldFTileCollision", &D::worldFTileCollision), to(&O::worldFTileCollision),
        "1 = takes part in collisions (entered in the collision list); 0 = passes through"),
    key(dnaText<D>("worldFTileFollow", &D::worldFTileFollow), to(&O::worldFTileFollow),
        "Id text (worldFTileIDString) of the kind this object chases"),
    key(dnaFloat<D>("worldFTileTransparency", &D::worldFTileTransparency),
        converted(&O::worldFTileTransparency, "and TransparencyValue, its nearest integer"),
        "Drawing alpha 0..255 (255 = opaque); also the builder's drawing alpha", range(0, 255)),
    key(dnaByte<D>("worldFTileTouchMove", &D::worldFTileTouchMove), to(&O::worldFTileTouchMove),
        "Non-zero: an object touched by this one is pushed along its movement"),
    key(dnaByte<D>("worldFTileGOBACK", &D::worldFTileGOBACK), to(&O::worldFTileGOBACK),
        "Non-zero: the object steers back towards its start position"),
    key(dnaInt<D>("worldFTileTouchTransparency", &D::worldFTileTouchTransparency),
        to(&O::worldFTileTouchTransparency), "Alpha given to an object this one touches"),
    key(dnaInt<D>("worldFTilePlayerID", &D::worldFTilePlayerID), to(&O::worldFTilePlayerID),
        "Non-zero: a player object steered by keyboard or joystick"),
    key(dnaFloat<D>("worldFTileExpansionValue", &D::worldFTileExpansionValue), kept,
        "Kept in the DNA; nothing reads it"),
    key(dnaByte<D>("worldFTileIsGUI", &D::worldFTileIsGUI), to(&O::worldFTileIsGUI),
        "Non-zero: stays fixed on the screen when the world scrolls"),
    key(dnaByte<D>("worldFStretch", &D::worldFStretch), to(&O::worldFStretch),
        "Non-zero: the picture is stretched over the whole screen (backgrounds)"),
    key(dnaInt<D>("worldFTileMove", &D::worldFTileMove), kept,
        "Kept in the DNA; nothing reads it"),
    key(dnaFloat<D>("worldFTileVELO", &D::worldFTileVELO),
        converted(&O::worldFTileVELO, "and the start speeds VelocityX, VelocityY"),
        "Speed in pixels per frame; also seeds the horizontal and vertical speeds"),
    key(dnaInt<D>("worldFTilePlayerMOVE", &D::worldFTilePlayerMOVE), to(&O::worldFTilePlayerMOVE),
        "Movement restriction of a player object"),
    key(dnaByte<D>("worldFTilePLINKI", &D::worldFTilePLINKI), kept,
        "Kept in the DNA; nothing reads it"),
    key(dnaFloat<D>("worldFTileGravity", &D::worldFTileGravity),
        converted(&O::worldFTileGravity, "its nearest integer, halves to even"),
        "Gravity of the object (rounded to a whole number)"),
    key(dnaFloat<D>("worldFTileScrollH", &D::worldFTileScrollH), kept,
        "Kept in the DNA; nothing reads it"),
    key(dnaByte<D>("worldFTileCollisionDestroy", &D::worldFTileCollisionDestroy), kept,
        "Kept in the DNA; nothing reads it"),
    key(dnaText<D>("worldFTileSoundType", &D::worldFTileSoundType), to(&O::worldFTileSoundType),
        "Carried with the sound; nothing reads it"),
    key(dnaInt<D>("worldFTileGlobalGravity", &D::worldFTileGlobalGravity), kept,
        "Kept in the DNA; nothing reads it"),
    key(dnaInt<D>("worldFTileFollowObject", &D::worldFTileFollowObject), to(&O::worldFTileFollowObject),
        "Non-zero: chase the first active object named by worldFTileFollow"),
    key(dnaFloat<D>("worldFTileMoveV", &D::worldFTileMoveV), to(&O::worldFTileMoveV),
        "Vertical direction: -1 up, +1 down, 0 still"),
    key(dnaFloat<D>("worldFTileMoveH", &D::worldFTileMoveH), to(&O::worldFTileMoveH),
        "Horizontal direction: -1 left, +1 right, 0 still"),
    key(dnaInt<D>("worldFTileIsEMUMousePointer", &D::worldFTileIsEMUMousePointer), kept,
        "Kept in the DNA; nothing reads it"),
    key(dnaInt<D>("worldFTileIsHWMousePointer", &D::worldFTileIsHWMousePointer), kept,
        "Kept in the DNA; nothing reads it"),
    key(dnaInt<D>("worldFTileTouchRotate", &D::worldFTileTouchRotate), to(&O::worldFTileTouchRotate),
        "Non-zero: objects this one touches start to turn"),
    key(dnaByte<D>("useLayerScroll", &D::useLayerScroll), kept,
        "Kept in the DNA; nothing reads it"),
    key(dnaFloat<D>("worldGlobalScrollH", &D::worldGlobalScrollH), kept,
        "Kept in the DNA; nothing reads it"),
    key(dnaFloat<D>("worldGlobalScrollV", &D::worldGlobalScrollV), kept,
        "Kept in the DNA; nothing reads it"),
    key(dnaByte<D>("worldFTileTransport", &D::worldFTileTransport), to(&O::worldFTileTransport),
        "Non-zero: a walk tile that carries objects to another place"),
    key(dnaInt<D>("worldFTileFlire", &D::worldFTileFlire), to(&O::worldFTileFlire),
        "Flicker: 1 hides the object in about half the frames, 9 in one of ten; 0 = none"),
    key(dnaInt<D>("worldFTileID", &D::worldFTileID), to(&O::worldFTileID),
        "Global tile id, the same in every run (shown in the builder's screen log)"),
    key(dnaText<D>("worldFTileIDString", &D::worldFTileIDString), to(&O::worldFTileIDString),
        "Id text of the kind: what followers and weapons name"),
    key(dnaInt<D>("hp", &D::hp), kept,
        "Kept in the DNA; nothing reads it"),
    key(dnaText<D>("useWeapon", &D::useWeapon), to(&O::useWeapon),
        "Id text of the projectile kind this object fires; NOPE = none"),
    key(dnaText<D>("postEFFECT", &D::postEFFECT), to(&O::postEFFECT),
        "Blending pair SRCxDEST, e.g. 5x2 for additive light; 0x0 = normal alpha"),
    key(dnaByte<D>("worldFTileLoopH", &D::worldFTileLoopH), kept,
        "Kept in the DNA; nothing reads it"),
    key(dnaByte<D>("worldFTileLoopV", &D::worldFTileLoopV), kept,
        "Kept in the DNA; nothing reads it"),
    key(dnaFloat<D>("worldFTileBounceTopDown", &D::worldFTileBounceTopDown), kept,
        "Kept in the DNA; nothing reads it"),
    key(dnaRoundedByte<D>("worldFTileDoCrushH", &D::worldFTileDoCrushH), kept,
        "Kept in the DNA (rounded to a whole number); nothing reads it"),
    key(dnaFloat<D>("worldFTileCollisionSize", &D::worldFTileCollisionSize), kept,
        "Kept in the DNA; nothing reads it"),
    key(dnaText<D>("geneseID", &D::geneseID), kept,
        "Kept in the DNA; nothing reads it"),
    key(dnaByte<D>("worldFTileRandomMove", &D::worldFTileRandomMove), to(&O::worldFTileRandomMove),
        "Range of random turns and reversals; 0 = none"),
    key(dnaFloat<D>("worldFTileFadeIn", &D::worldFTileFadeIn), to(&O::worldFTileFadeIn),
        "Start fade: the object becomes visible gradually; 0 = none"),
    key(dnaFloat<D>("worldFTileFadeOut", &D::worldFTileFadeOut), to(&O::worldFTileFadeOut),
        "Carried; nothing reads it"),
    key(dnaInt<D>("worldFTileLifeTime", &D::worldFTileLifeTime), to(&O::worldFTileLifeTime),
        "Life time in timer units (worldFTileTimerMS); 0 = lives for ever"),
    key(dnaInt<D>("worldFTileTimerMS", &D::worldFTileTimerMS), to(&O::worldFTileTimerMS),
        "Length of one life time unit in milliseconds"),
    key(dnaByte<D>("worldFTilePattern", &D::worldFTilePattern), kept,
        "Kept in the DNA; nothing reads it"),
    key(dnaByte<D>("noSmooth", &D::noSmooth), kept,
        "Kept in the DNA; nothing reads it"),
    key(dnaIgnored<D>("worldFTileAutoLoad"), kept,
        "Recognised and ignored"),
    key(dnaText<D>("animContainer", &D::animContainer), to(&O::animContainer),
        "Animation folder of the object; NOPE = no animation"),
    key(dnaByte<D>("animAutoPlay", &D::animAutoPlay), to(&O::animAutoPlay),
        "Non-zero: the animation plays by itself"),
    key(dnaInt<D>("animTimer", &D::animTimer), to(&O::animTimer),
        "Milliseconds per animation frame"),
    key(dnaByte<D>("worldFTileHideOnStart", &D::worldFTileHideOnStart), to(&O::worldFTileHideOnStart),
        "1 = starts invisible, 2 = starts with alpha 0, 0 = shown", range(0, 2)),
    key(dnaByte<D>("worldFTileUseKeyboard", &D::worldFTileUseKeyboard), to(&O::worldFTileUseKeyboard),
        "Non-zero: steered by the cursor keys"),
    key(dnaInt<D>("worldFTileUseJoyStick", &D::worldFTileUseJoyStick), to(&O::worldFTileUseJoyStick),
        "Non-zero: steered by the joystick when one is present"),
    key(dnaByte<D>("AI", &D::AI), to(&O::AI),
        "Follow switch of the object"),
    key(dnaInt<D>("worldFTileIsMirror", &D::worldFTileIsMirror), to(&O::worldFTileIsMirror),
        "1 or more: drawn only as the mirror image of the object"),
    key(dnaText<D>("worldFTileMirrorAt", &D::worldFTileMirrorAt), to(&O::worldFTileMirrorAt),
        "Where the mirror image is drawn"),
    key(dnaText<D>("worldFTileSoundFile", &D::worldFTileSoundFile), to(&O::worldFTileSoundFile),
        "Sound of the object (played while it is on screen); NOPE = none"),
    key(dnaInt<D>("worldFTileSoundDuration", &D::worldFTileSoundDuration), to(&O::worldFTileSoundDuration),
        "Milliseconds between two plays of the sound"),
    key(dnaByte<D>("worldFTileSoundVolume", &D::worldFTileSoundVolume), to(&O::worldFTileSoundVolume),
        "Volume of the object's sound", range(0, 100)),
    key(dnaInt<D>("worldFTileUseMoveLogic", &D::worldFTileUseMoveLogic), to(&O::worldFTileUseMoveLogic),
        "Move order: 0 horizontal then vertical; 23/24 alternate at random"),
    key(dnaFloat<D>("worldFTileFadeInStep", &D::worldFTileFadeInStep), to(&O::worldFTileFadeInStep),
        "How much the start fade lowers per frame"),
    key(dnaText<D>("worldFTileUseScript", &D::worldFTileUseScript), to(&O::worldFTileUseScript),
        "Carried; nothing reads it"),
    key(dnaText<D>("worldFTile_EFFECT_GFX", &D::worldFTile_EFFECT_GFX), to(&O::worldFTile_EFFECT_GFX),
        "Extra picture loaded for the object; NOPE = none"),
    key(dnaText<D>("worldFTileUseShadow", &D::worldFTileUseShadow), to(&O::worldFTileUseShadow),
        "Shadow picture loaded for the object; NOPE = none"),
};
// clang-format on
static_assert(kTileDnaKeys.size() == 67);

} // namespace

std::span<const TileDnaKey> tileDnaKeys() {
    return kTileDnaKeys;
}

void copyDnaValue(const TileDnaKey& row, const TileDna& dna, WorldObject& o) {
    const DnaLanding& to = row.copy;
    if (to.rule != DnaCopy::Copied) return;
    // Numbers go through the conversion C++ gives the field's type; a float value is only ever
    // copied into a float field (rounding to an integer is the loader's own conversion).
    auto store = [&](auto v) {
        if (to.toFloat) o.*to.toFloat = static_cast<float>(v);
        if constexpr (!std::is_floating_point_v<decltype(v)>) {
            if (to.toInt) o.*to.toInt = static_cast<std::int32_t>(v);
            if (to.toByte) o.*to.toByte = static_cast<std::int8_t>(v);
        }
    };
    if (row.asText && to.toText) o.*to.toText = dna.*row.asText;
    if (row.asInt) store(dna.*row.asInt);
    if (row.asByte) store(dna.*row.asByte);
    if (row.asFloat) store(dna.*row.asFloat);
}

double dnaNumber(const TileDnaKey& row, const TileDna& dna) {
    if (row.asInt) return dna.*row.asInt;
    if (row.asByte) return dna.*row.asByte;
    if (row.asFloat) return dna.*row.asFloat;
    return 0;
}

bool applyTileDnaPair(TileDna& dna, std::string_view key, std::string_view value) {
    return applyDnaPair<TileDna>(kTileDnaKeys, dna, key, value);
}

void parseTileDna(TileDna& dna, std::string_view content) {
    textio::LineReader lines{std::string(content)};
    forEachDnaPair(lines, [&](std::string_view key, std::string_view value) {
        applyDnaPair<TileDna>(kTileDnaKeys, dna, key, value);
    });
}

bool readTileDna(TileDna& dna, const std::string& pathWithoutExtension) {
    const std::string path = pathWithoutExtension + ".dll";
    textio::LineReader lines;
    if (!lines.open(textio::nativePath(path))) return false;
    dna.dnaPath = path;
    forEachDnaPair(lines, [&](std::string_view key, std::string_view value) {
        applyDnaPair<TileDna>(kTileDnaKeys, dna, key, value);
    });
    return true;
}

bool readTileDna(TileDna& dna, const std::string& pathWithoutExtension, const std::string& name,
                 std::int32_t imageHandle) {
    const std::string path = pathWithoutExtension + ".dll";
    textio::LineReader lines;
    if (!lines.open(textio::nativePath(path))) return false;
    dna.name = name;
    dna.imageHandle = imageHandle;
    dna.dnaPath = path;
    forEachDnaPair(lines, [&](std::string_view key, std::string_view value) {
        applyDnaPair<TileDna>(kTileDnaKeys, dna, key, value);
    });
    return true;
}

} // namespace world
