// TileDna: biosim's key table and DNA reader.
#include "world/TileDna.h"

#include <array>
#include <cmath>

namespace world {

namespace {

using D = TileDna;

// The order is the order in which the reader tests the keys.
constexpr std::array kTileDnaKeys{
    dnaFloat<D>("worldFTileRotate", &D::worldFTileRotate),
    dnaByte<D>("worldFTileCollision", &D::worldFTileCollision),
    dnaText<D>("worldFTileFollow", &D::worldFTileFollow),
    dnaFloat<D>("worldFTileTransparency", &D::worldFTileTransparency),
    dnaByte<D>("worldFTileTouchMove", &D::worldFTileTouchMove),
    dnaByte<D>("worldFTileGOBACK", &D::worldFTileGOBACK),
    dnaInt<D>("worldFTileTouchTransparency", &D::worldFTileTouchTransparency),
    dnaInt<D>("worldFTilePlayerID", &D::worldFTilePlayerID),
    dnaFloat<D>("worldFTileExpansionValue", &D::worldFTileExpansionValue),
    dnaByte<D>("worldFTileIsGUI", &D::worldFTileIsGUI),
    dnaByte<D>("worldFStretch", &D::worldFStretch),
    dnaInt<D>("worldFTileMove", &D::worldFTileMove),
    dnaFloat<D>("worldFTileVELO", &D::worldFTileVELO),
    dnaInt<D>("worldFTilePlayerMOVE", &D::worldFTilePlayerMOVE),
    dnaByte<D>("worldFTilePLINKI", &D::worldFTilePLINKI),
    dnaFloat<D>("worldFTileGravity", &D::worldFTileGravity),
    dnaFloat<D>("worldFTileScrollH", &D::worldFTileScrollH),
    dnaByte<D>("worldFTileCollisionDestroy", &D::worldFTileCollisionDestroy),
    dnaText<D>("worldFTileSoundType", &D::worldFTileSoundType),
    dnaInt<D>("worldFTileGlobalGravity", &D::worldFTileGlobalGravity),
    dnaInt<D>("worldFTileFollowObject", &D::worldFTileFollowObject),
    dnaFloat<D>("worldFTileMoveV", &D::worldFTileMoveV),
    dnaFloat<D>("worldFTileMoveH", &D::worldFTileMoveH),
    dnaInt<D>("worldFTileIsEMUMousePointer", &D::worldFTileIsEMUMousePointer),
    dnaInt<D>("worldFTileIsHWMousePointer", &D::worldFTileIsHWMousePointer),
    dnaInt<D>("worldFTileTouchRotate", &D::worldFTileTouchRotate),
    dnaByte<D>("useLayerScroll", &D::useLayerScroll),
    dnaFloat<D>("worldGlobalScrollH", &D::worldGlobalScrollH),
    dnaFloat<D>("worldGlobalScrollV", &D::worldGlobalScrollV),
    dnaByte<D>("worldFTileTransport", &D::worldFTileTransport),
    dnaInt<D>("worldFTileFlire", &D::worldFTileFlire),
    dnaInt<D>("worldFTileID", &D::worldFTileID),
    dnaText<D>("worldFTileIDString", &D::worldFTileIDString),
    dnaInt<D>("hp", &D::hp),
    dnaText<D>("useWeapon", &D::useWeapon),
    dnaText<D>("postEFFECT", &D::postEFFECT),
    dnaByte<D>("worldFTileLoopH", &D::worldFTileLoopH),
    dnaByte<D>("worldFTileLoopV", &D::worldFTileLoopV),
    dnaFloat<D>("worldFTileBounceTopDown", &D::worldFTileBounceTopDown),
    dnaRoundedByte<D>("worldFTileDoCrushH", &D::worldFTileDoCrushH),
    dnaFloat<D>("worldFTileCollisionSize", &D::worldFTileCollisionSize),
    dnaText<D>("geneseID", &D::geneseID),
    dnaByte<D>("worldFTileRandomMove", &D::worldFTileRandomMove),
    dnaFloat<D>("worldFTileFadeIn", &D::worldFTileFadeIn),
    dnaFloat<D>("worldFTileFadeOut", &D::worldFTileFadeOut),
    dnaInt<D>("worldFTileLifeTime", &D::worldFTileLifeTime),
    dnaInt<D>("worldFTileTimerMS", &D::worldFTileTimerMS),
    dnaByte<D>("worldFTilePattern", &D::worldFTilePattern),
    dnaByte<D>("noSmooth", &D::noSmooth),
    dnaIgnored<D>("worldFTileAutoLoad"),
    dnaText<D>("animContainer", &D::animContainer),
    dnaByte<D>("animAutoPlay", &D::animAutoPlay),
    dnaInt<D>("animTimer", &D::animTimer),
    dnaByte<D>("worldFTileHideOnStart", &D::worldFTileHideOnStart),
    dnaByte<D>("worldFTileUseKeyboard", &D::worldFTileUseKeyboard),
    dnaInt<D>("worldFTileUseJoyStick", &D::worldFTileUseJoyStick),
    dnaByte<D>("AI", &D::AI),
    dnaInt<D>("worldFTileIsMirror", &D::worldFTileIsMirror),
    dnaText<D>("worldFTileMirrorAt", &D::worldFTileMirrorAt),
    dnaText<D>("worldFTileSoundFile", &D::worldFTileSoundFile),
    dnaInt<D>("worldFTileSoundDuration", &D::worldFTileSoundDuration),
    dnaByte<D>("worldFTileSoundVolume", &D::worldFTileSoundVolume),
    dnaInt<D>("worldFTileUseMoveLogic", &D::worldFTileUseMoveLogic),
    dnaFloat<D>("worldFTileFadeInStep", &D::worldFTileFadeInStep),
    dnaText<D>("worldFTileUseScript", &D::worldFTileUseScript),
    dnaText<D>("worldFTile_EFFECT_GFX", &D::worldFTile_EFFECT_GFX),
    dnaText<D>("worldFTileUseShadow", &D::worldFTileUseShadow),
};
static_assert(kTileDnaKeys.size() == 67);

} // namespace

std::int32_t roundRealText(std::string_view text) {
    const double v = textio::toDouble(text);
    if (!std::isfinite(v)) return 0;
    // Halves away from zero, then wrapped into 32 bits without leaving the defined range.
    const double r = std::round(v);
    const double wrapped = std::fmod(r, 4294967296.0); // exact; |wrapped| < 2^32
    const auto asInt64 = static_cast<std::int64_t>(wrapped);
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(asInt64)));
}

std::span<const DnaKey<TileDna>> tileDnaKeys() {
    return kTileDnaKeys;
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
