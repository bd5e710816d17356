// EngineSetup: the engine defaults, the screen, the grid matrix and the object tables at engine level.
// Depends on: engine/Biosim.h, world/ObjectTable.h.
#pragma once

#include <string>

namespace engine {

struct Biosim;

// Start-up steps 1-3: clears the engine state to its defaults, sets engineBasePath to
// `workingFolder` + "CORE/" (workingFolder ends with '/'), the log file defaults, reads desktop 0 and
// computes the first scale factors.
void setDefaults(Biosim& e, const std::string& workingFolder);

// Opens the screen at the desktop size; on success screenOpened is set and scrW/scrH take the
// desktop size. Returns false when the screen cannot be opened.
bool openWorldScreen(Biosim& e);

// Scales the grid cell size by scalerX/scalerY (rounded up), then fills cells (0..matrixSize,
// 0..matrixSize) with their rectangles. The marker bytes are left alone.
void buildGridMatrix(Biosim& e);

// Start-up step 9: sizes objectTable, collisionList and spawnTemplates to MAXOBJECTS + 1 entries and
// sets collisionCount to MAXOBJECTS.
void sizeWorldTables(Biosim& e);

// The object part of the world reset: releases the platform resources of every record
// 0..MAXOBJECTS and sets objectCount, collisionCount and maxLayer to 0.
void resetObjectTable(Biosim& e);

// The text of the aspect test: `value` with two decimals ("1.33").
std::string aspectText(float value);

// The scale factors of the screen scaling and the area the design is drawn in. Where the design,
// scaled to the screen's width with the letterbox height of a 16:10 screen, fits the screen, those
// factors are kept and the area is the whole screen (a 1024 x 768 design on 1280 x 800: 1.25 by
// 1.0417, no bars). Where it would not fit (a 4:3 design on 16:9, 21:9), the design is scaled
// uniformly to fit and centred with bars at the sides or at top and bottom, and the bottom bar has
// no height. Sets scalerX/Y, sourceAspect, screenAspect, aspectUnit, aspectHeight, aspectOffsetY and
// viewX/Y/W/H.
void fitDesignToScreen(Biosim& e);

// Hands the design area to the screen (drawing, grabs) after fitDesignToScreen.
void applyDesignViewport(Biosim& e);

} // namespace engine
