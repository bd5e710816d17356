// tarn's tile-kind DNA: key table, reader, raw pairs and the DNA file writer.
#include "world/DnaFile.h"

#include <array>

#include "world/TileDna.h"

namespace world {

namespace {

using T = TarnTileDna;

// The order is the order in which tarn's reader tests the keys. Only the keys biosim does not know
// carry their help text here; the others have theirs on biosim's row.
constexpr std::array kTarnDnaKeys{
    dnaFloat<T>("worldFTileRotate", &T::worldFTileRotate),
    dnaByte<T>("worldFTileCollision", &T::worldFTileCollision),
    dnaInt<T>("worldFTileFollow", &T::worldFTileFollow),
    dnaByte<T>("worldFTileEmitter", &T::worldFTileEmitter,
               "Builder only: emitter switch (biosim ignores it)"),
    dnaInt<T>("worldFTileTransparency", &T::worldFTileTransparency),
    dnaByte<T>("worldFTileTouchMove", &T::worldFTileTouchMove),
    dnaByte<T>("worldFTileGOBACK", &T::worldFTileGOBACK),
    dnaInt<T>("worldFTileTouchTransparency", &T::worldFTileTouchTransparency),
    dnaInt<T>("worldFTilePlayerID", &T::worldFTilePlayerID),
    dnaFloat<T>("worldFTileExpansionValue", &T::worldFTileExpansionValue),
    dnaInt<T>("worldFTileCollisionEmitter", &T::worldFTileCollisionEmitter,
              "Builder only: collision emitter (biosim ignores it)"),
    dnaInt<T>("worldFStretch", &T::worldFStretch),
    dnaInt<T>("worldFTileMove", &T::worldFTileMove),
    dnaFloat<T>("worldFTileVELO", &T::worldFTileVELO),
    dnaInt<T>("worldFTilePlayerMOVE", &T::worldFTilePlayerMOVE),
    dnaByte<T>("worldFTilePLINKI", &T::worldFTilePLINKI),
    dnaFloat<T>("worldFTileGravity", &T::worldFTileGravity),
    dnaFloat<T>("worldFTileScrollH", &T::worldFTileScrollH),
    dnaRoundedInt<T>("worldFTileDynamicScrollH", &T::worldFTileDynamicScrollH,
                     "Builder only: dynamic horizontal scrolling (biosim ignores it)"),
    dnaByte<T>("worldFTileCollisionDestroy", &T::worldFTileCollisionDestroy),
    dnaInt<T>("worldFTileLaunch", &T::worldFTileLaunch, "Builder only: launch value (biosim ignores it)"),
    dnaInt<T>("worldFTileGlobalGravity", &T::worldFTileGlobalGravity),
    dnaInt<T>("worldFTileFollowObject", &T::worldFTileFollowObject),
    dnaFloat<T>("worldFTileMoveV", &T::worldFTileMoveV),
    dnaFloat<T>("worldFTileMoveH", &T::worldFTileMoveH),
    dnaInt<T>("worldFTileIsEMUMousePointer", &T::worldFTileIsEMUMousePointer),
    dnaInt<T>("worldFTileIsHWMousePointer", &T::worldFTileIsHWMousePointer),
    dnaInt<T>("worldFTileTouchRotate", &T::worldFTileTouchRotate),
    dnaByte<T>("useLayerScroll", &T::useLayerScroll),
    dnaFloat<T>("worldGlobalScrollH", &T::worldGlobalScrollH),
    dnaFloat<T>("worldGlobalScrollV", &T::worldGlobalScrollV),
    dnaInt<T>("worldFTileShadow", &T::worldFTileShadow, "Builder only: shadow switch (biosim ignores it)"),
    dnaByte<T>("worldFTileTransport", &T::worldFTileTransport),
    dnaByte<T>("worldFTileReflection", &T::worldFTileReflection,
               "Builder only: reflection switch (biosim ignores it)"),
    dnaInt<T>("worldFTileFlire", &T::worldFTileFlire),
    dnaText<T>("worldFTileID", &T::worldFTileID),
    dnaText<T>("useWeapon", &T::useWeapon),
    dnaInt<T>("hp", &T::hp),
    dnaInt<T>("worldFTileShadowOffsetX", &T::worldFTileShadowOffsetX,
              "Builder only: shadow offset x (biosim ignores it)"),
    dnaInt<T>("worldFTileShadowOffsetY", &T::worldFTileShadowOffsetY,
              "Builder only: shadow offset y (biosim ignores it)"),
    dnaInt<T>("worldFTileShadowZoom", &T::worldFTileShadowZoom,
              "Builder only: shadow zoom (biosim ignores it)"),
    dnaByte<T>("worldFTileNoStopOnCollision", &T::worldFTileNoStopOnCollision,
               "Builder only: keep moving on collision (biosim ignores it)"),
    dnaText<T>("postEFFECT", &T::postEFFECT),
    dnaByte<T>("worldFTileLoopH", &T::worldFTileLoopH),
    dnaByte<T>("worldFTileLoopV", &T::worldFTileLoopV),
    dnaFloat<T>("worldFTileParableV", &T::worldFTileParableV,
                "Builder only: vertical parable (biosim ignores it)"),
    dnaFloat<T>("worldFTileParableH", &T::worldFTileParableH,
                "Builder only: horizontal parable (biosim ignores it)"),
    dnaFloat<T>("worldFTileBounceTopDown", &T::worldFTileBounceTopDown),
    dnaRoundedByte<T>("worldFTileDoCrushH", &T::worldFTileDoCrushH),
    dnaFloat<T>("worldFTileCollisionSize", &T::worldFTileCollisionSize),
    dnaFloat<T>("worldFTileSuperRotate", &T::worldFTileSuperRotate,
                "Builder only: super rotate (biosim ignores it)"),
    dnaFloat<T>("worldFTileLook", &T::worldFTileLook, "Builder only: look (biosim ignores it)"),
    dnaFloat<T>("worldFTileLookAngle", &T::worldFTileLookAngle,
                "Builder only: look angle (biosim ignores it)"),
    dnaByte<T>("worldFTilePattern", &T::worldFTilePattern),
    dnaText<T>("geneseID", &T::geneseID),
};
static_assert(kTarnDnaKeys.size() == 55);

// Three credit lines, the three warnings, two tool lines: eight, so pair readers stay in step.
constexpr std::array<std::string_view, 8> kCommentLines{
    ";tarn - map builder of the biosim tile engine",
    ";tile DNA file: key line, value line",
    ";written by the tarn DNA editor",
    ";DO NOT CHANGE THIS FILE BY HAND!!!",
    ";YOU MAY ENCOUNTER DATALOSS/MALFUNCTIONS",
    ";ALWAYS USE THE TARN-MAP-BUILDER TO CREATE VALID MAP AND DNA DATAS!",
    ";developed with C++20, CMake and SDL2",
    ";built with the GNU/LLVM C++ toolchain",
};

bool holdsLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

} // namespace

std::span<const DnaKey<TarnTileDna>> tarnDnaKeys() {
    return kTarnDnaKeys;
}

std::string_view dnaKeyHelp(std::string_view key) {
    for (const TileDnaKey& row : tileDnaKeys())
        if (row.name == key) return row.help;
    for (const DnaKey<TarnTileDna>& row : kTarnDnaKeys)
        if (row.name == key) return row.help;
    return {};
}

bool applyTarnDnaPair(TarnTileDna& dna, std::string_view key, std::string_view value) {
    return applyDnaPair<TarnTileDna>(kTarnDnaKeys, dna, key, value);
}

void parseTarnTileDna(TarnTileDna& dna, std::string_view content) {
    textio::LineReader lines{std::string(content)};
    forEachDnaPair(lines, [&](std::string_view key, std::string_view value) {
        applyDnaPair<TarnTileDna>(kTarnDnaKeys, dna, key, value);
    });
}

bool readTarnTileDna(TarnTileDna& dna, const std::string& pathWithoutExtension) {
    const std::string path = pathWithoutExtension + ".dll";
    textio::LineReader lines;
    if (!lines.open(textio::nativePath(path))) return false;
    dna.loaded = 1;
    dna.dnaPath = path;
    forEachDnaPair(lines, [&](std::string_view key, std::string_view value) {
        applyDnaPair<TarnTileDna>(kTarnDnaKeys, dna, key, value);
    });
    return true;
}

std::span<const std::string_view> dnaCommentLines() {
    return kCommentLines;
}

bool readDnaEntries(const std::string& filePath, std::vector<DnaEntry>& out) {
    out.clear();
    textio::LineReader lines;
    if (!lines.open(filePath)) return false;
    forEachDnaPair(lines, [&](std::string_view key, std::string_view value) {
        out.push_back(DnaEntry{std::string(key), std::string(value)});
    });
    return true;
}

std::string formatDnaFile(std::span<const DnaEntry> entries, std::vector<std::size_t>* skipped) {
    textio::LineWriter w;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const DnaEntry& e = entries[i];
        if (e.key == kDnaKeyFail || e.value == kDnaValueFail) continue;
        // A line break would split the pair and shift every later pair by a line.
        if (holdsLineBreak(e.key) || holdsLineBreak(e.value)) {
            if (skipped) skipped->push_back(i);
            continue;
        }
        w.line(e.key);
        w.line(e.value);
    }
    for (std::string_view c : kCommentLines) w.line(c);
    return w.content();
}

DnaWriteResult writeDnaFile(const std::string& filePath, std::span<const DnaEntry> entries) {
    DnaWriteResult r;
    const std::string content = formatDnaFile(entries, &r.skipped);
    r.ok = textio::writeFileAtomic(textio::nativePath(filePath), content);
    return r;
}

} // namespace world
