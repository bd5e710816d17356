// DebugOverlay: the debug overlay - grid cells, engine figures, a panel per moving object. Reads only.
#include "engine/DebugOverlay.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "engine/Biosim.h"

namespace engine {

namespace {

std::string fraction(float v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.4f", static_cast<double>(v));
    return buf;
}

std::string whole(float v) {
    return std::to_string(std::lround(v));
}

std::string num(long long v) {
    return std::to_string(v);
}

} // namespace

void drawGridCells(Biosim& e) {
    plat::Graphics& g = e.gfx();
    g.setTextTransparent(true);
    const int last = std::min(e.matrixSize, kGridCells - 1);
    for (int i = 0; i <= last; ++i) {
        for (int j = 0; j <= last; ++j) {
            const GridCell& c = e.gridCell(i, j);
            const float x = c.x + e.level.scrollX;
            const float y = c.y + e.level.scrollY;
            if (!(x >= -1.0f && x < e.viewWidth() && y >= -1.0f && y < e.viewHeight())) continue;
            const plat::Rgb colour = c.marker != 0 ? plat::rgb(255, 0, 0) : plat::rgb(100, 100, 100);
            g.outlineBox(std::nearbyint(x), std::nearbyint(y), e.gridCellWidth, e.gridCellHeight, colour);
        }
    }
}

void drawFigures(Biosim& e) {
    plat::Graphics& g = e.gfx();
    g.setTextTransparent(true);
    const plat::Rgb front = plat::rgb(0, 200, 0);
    const plat::Rgb back = plat::rgb(0, 0, 0);
    const Config& c = e.cfg;
    const std::string lastSound =
        (e.soundCount >= 0 && static_cast<std::size_t>(e.soundCount) < e.soundFiles.size())
            ? e.soundFiles[static_cast<std::size_t>(e.soundCount)]
            : std::string();
    const std::string lines[] = {
        "AREA-H: " + fraction(e.gridCellHeight) + " AREA-W :" + fraction(e.gridCellWidth) +
            " AREAS: " + num(e.matrixSize) + "*" + num(e.matrixSize) + " AREA X" + num(e.mouseCellX) + ":Y" +
            num(e.mouseCellY),
        "AI-COLLSIONOBJECTS " + num(e.level.collisionCount),
        "AI-HIT: " + std::string() + " + " + std::string(),
        "SCALER X: " + fraction(e.scalerX) + " SCALER Y: " + fraction(e.scalerY),
        "SRC_SCRW: " + whole(e.srcScrW) + "  SRC_SCRH: " + whole(e.srcScrH) + " SCRW: " + whole(e.scrW) +
            "  SCRH: " + whole(e.scrH),
        "ACTUAL SCOPE AT: " + std::string(),
        "TOTAL ZEMA - KORVEX OBJECTS: " + num(e.level.objectCount),
        "MULTITASK ENGINE DELAY (ms):" + num(e.multitaskDelayMs),
        "ANIM_PATH: " + c.ANIMSYSTEM,
        "MAXANIMFRAMES/OBJECT: " + num(c.MAXANIMFRAMES),
        "FX-SOUNDS: " + num(e.soundCount),
        "SOUNDPATH: " + c.SOUNDPATH,
        "LAST SOUND:" + c.SOUNDPATH + lastSound + c.SOUNDCODEC,
        "LEVEL LOADSOUND:" + c.FILELOADMUSIC,
        "LEVEL LOADSOUND_ID:" + num(e.loadMusicSound),
        "MAPID#:" + num(e.actualMapId),
    };
    float y = 10;
    for (const std::string& line : lines) {
        g.text(10, y, line, front, back);
        y += 14;
    }

    const std::int32_t last =
        std::min<std::int32_t>(e.level.objectCount, static_cast<std::int32_t>(e.objectTable.size()) - 1);
    for (std::int32_t k = 0; k <= last; ++k) {
        const WorldObject& o = e.objectTable[static_cast<std::size_t>(k)];
        if (o.worldFTileVELO == 0.0f || o.Visible == 0) continue;
        const float x = std::nearbyint(o.MapX + e.level.scrollX);
        const float y0 = o.MapY + e.level.scrollY;
        const std::pair<int, std::string> panel[] = {
            {14, "LifeTime:" + num(o.worldFTileLifeTime)},
            {28, "InternalID" + num(k)},
            {42, "InternalName" + o.worldFTileIDString},
            {56, "MapX:" + whole(o.MapX) + "  MapY:" + whole(o.MapY)},
            {70, "ANIM CONTAINER: " + o.animContainer},
            {84, "AnimFramesLeft:" + num(o.AnimFramesLeft)},
            {98, "AnimFramesRight:" + num(o.AnimFramesRight)},
            {112, "SoundFile:" + o.worldFTileSoundFile + "  Index:" + num(o.SoundHandle)},
            {126, "SoundVolume:" + num(o.worldFTileSoundVolume)},
            {140, "ObjectFile:" + o.ObjectFile},
            {154, "IsInScreen:" + num(o.IsInScreen)},
            {170, "AnimFrame#:" + num(o.AnimFrame)},
            {184, "MoveLogicValue:" + num(o.worldFTileUseMoveLogic)},
        };
        for (const auto& [offset, text] : panel) {
            g.text(x, std::nearbyint(y0 + static_cast<float>(offset)), text, front, back);
        }
    }
}

} // namespace engine
