// EngineSetup: the engine defaults, the screen, the grid matrix and the object tables at engine level.
#include "engine/EngineSetup.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "engine/Biosim.h"
#include "engine/Logs.h"
#include "platform/TextIo.h"
#include "world/DesignFit.h"

namespace engine {

void setDefaults(Biosim& e, const std::string& workingFolder) {
    // Clear everything but what the program's main set up around the engine.
    Biosim fresh(*e.platform);
    fresh.run.options = std::move(e.run.options);
    fresh.exitProcess = std::move(e.exitProcess);
    fresh.shutdownServices = std::move(e.shutdownServices);
    fresh.beforePass = std::move(e.beforePass);
    fresh.afterPass = std::move(e.afterPass);
    fresh.worldFrame = e.worldFrame;
    fresh.maxObjectsLimit = e.maxObjectsLimit;
    e = std::move(fresh);

    e.workingFolder = textio::asFolder(workingFolder.empty() ? "./" : workingFolder);
    e.engineBasePath = e.workingFolder + "CORE/";
    e.cfg.ERRORPATH = e.engineBasePath;
    e.cfg.WARNINGS = e.engineBasePath;

    const plat::DesktopInfo d = e.gfx().desktop();
    e.desktopWidth = static_cast<float>(d.width);
    e.desktopHeight = static_cast<float>(d.height);
    e.desktopDepth = static_cast<std::int8_t>(d.depth);
    e.loadProgress = 1.0f;
    e.loadStep = e.desktopWidth / 1.0f;
    e.loadBarHeight = e.desktopHeight / 200.0f;

    e.scalerX = e.scrW / e.srcScrW;
    e.scalerY = e.scrH / e.srcScrH;
    e.sourceAspect = e.srcScrW / e.srcScrH;
    e.screenAspect = e.scrW / e.scrH;
}

bool openWorldScreen(Biosim& e) {
    plat::ScreenMode mode = plat::ScreenMode::Fullscreen;
    if (e.run.options.headless) {
        mode = plat::ScreenMode::Offscreen;
    } else if (e.run.options.windowed) {
        mode = plat::ScreenMode::Windowed;
    }
    const int w = static_cast<int>(std::lround(e.desktopWidth));
    const int h = static_cast<int>(std::lround(e.desktopHeight));
    if (!e.gfx().openScreen(w, h, e.desktopDepth, "biosim - KORVEX engine", mode)) return false;
    e.screenOpened = 1;
    e.scrW = e.desktopWidth;
    e.scrH = e.desktopHeight;
    return true;
}

std::string aspectText(float value) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2f", static_cast<double>(value));
    return buf;
}

void fitDesignToScreen(Biosim& e) {
    // The rule is world::fitDesign, which tarn shows its design area with.
    const world::DesignFit f = world::fitDesign(e.srcScrW, e.srcScrH, e.scrW, e.scrH);
    e.scalerX = f.scalerX;
    e.scalerY = f.scalerY;
    e.sourceAspect = f.sourceAspect;
    e.screenAspect = f.screenAspect;
    if (f.aspectsDiffer) {
        e.aspectUnit = f.aspectUnit;
        e.aspectHeight = f.aspectHeight;
    }
    if (f.aspectsDiffer || f.uniform) e.aspectOffsetY = f.aspectOffsetY;
    e.viewX = f.viewX;
    e.viewY = f.viewY;
    e.viewW = f.viewW;
    e.viewH = f.viewH;
}

void applyDesignViewport(Biosim& e) {
    if (e.screenOpened == 0) return;
    e.gfx().setViewport(static_cast<int>(e.viewX), static_cast<int>(e.viewY), static_cast<int>(e.viewW),
                        static_cast<int>(e.viewH));
}

void buildGridMatrix(Biosim& e) {
    // The cell size is scaled from the configured "GRIDSIZE" on every call; scaling the current size
    // instead would grow the cells with every map switch on a screen that differs from the design.
    e.gridCellWidth = std::ceil(static_cast<float>(e.cfg.GRIDSIZE) * e.scalerX);
    e.gridCellHeight = std::ceil(static_cast<float>(e.cfg.GRIDSIZE) * e.scalerY);
    const int last = std::min(e.matrixSize, kGridCells - 1);
    for (int i = 0; i <= last; ++i) {
        for (int j = 0; j <= last; ++j) {
            GridCell& c = e.gridCell(i, j);
            c.x = std::ceil(static_cast<float>(i) * e.gridCellWidth);
            c.y = std::ceil(static_cast<float>(j) * e.gridCellHeight);
            c.width = std::ceil(e.gridCellWidth);
            c.height = std::ceil(e.gridCellHeight);
        }
    }
}

void sizeWorldTables(Biosim& e) {
    std::int32_t maxObjects = e.cfg.MAXOBJECTS < 0 ? 0 : e.cfg.MAXOBJECTS;
    if (maxObjects > e.maxObjectsLimit) {
        warn(e, "MAXOBJECTS " + std::to_string(maxObjects) + " IS TOO LARGE, LIMITED TO " +
                    std::to_string(e.maxObjectsLimit));
        maxObjects = e.maxObjectsLimit;
    }
    e.cfg.MAXOBJECTS = maxObjects;
    sizeObjectTables(e.objectTable, e.collisionList, e.spawnTemplates, maxObjects + 1);
    e.level.collisionCount = maxObjects;
}

void resetObjectTable(Biosim& e) {
    releaseAllObjects(e.gfx(), e.sound(), e.objectTable);
    e.level.objectCount = 0;
    e.level.collisionCount = 0;
    e.level.maxLayer = 0;
}

} // namespace engine
