// MapLoader: the map loader. Turns a map folder into the live world: world reset, the map's tile kinds,
// the segments in layer order, one world object per record with its kind's DNA, screen scaling,
// per-object extras (effect and shadow images, animation frames, sound), then the level music.
//
// Limits: at most MAXOBJECTS + 1 objects; a map with more records keeps the objects made so far
// and raises one warning. Nothing is written outside the object, collision and template tables.
// Depends on: engine/Biosim.h, engine/TileKinds.h (tile kinds), engine/Logs.h (warnings),
// engine/EngineSetup.h (grid matrix, table reset), world/MapFormat.h (record reader).
#pragma once

#include "engine/EngineSetup.h"
#include <cstdint>
#include <string>

struct WorldObject; // world/ObjectTable.h

namespace engine {

struct Biosim;

// Switches to `nextMapId`: actualMapId = nextMapId, level music, the "_" tile count (loading music
// and progress bar above 500 records), load map (scale 1, reset 1), the configured per-frame sleep,
// the music warning or start, mapStartTick = now.
void switchMap(Biosim& e);

// Releases every object's resources; objectCount, collisionCount, maxLayer, currentTileId, scrollX,
// scrollY and the template position back to 0.
void worldReset(Biosim& e);

// Loads map actualMapId. `scale` 1 scales every object to the screen; `reset` 1 resets the world
// first.
void loadMap(Biosim& e, int scale, int reset);

// Finds the tile kind called `name` for object `index` (with IOPREFETCH 1 the previous object's kind
// is reused when it has the same name). On success the object gets its own drawable sprite,
// ObjectFile, Visible 1, KindIndex and the image size; currentTileId = the tile id. false when no
// kind has that name.
bool graphicsLookup(Biosim& e, const std::string& name, std::int32_t index);

// Scales one object from the design screen to the real screen (scale factors, letterbox rule,
// position, size, speeds, gravity, sprite zoom, collision box).
void scaleObjectToScreen(Biosim& e, WorldObject& o);

// Level music of map `mapId`: the old one stopped and freed, SOUNDPATH + "#L" + id + sound extension
// loaded into levelMusicSound (-1 when it does not load).
void loadLevelMusic(Biosim& e, std::int32_t mapId);

// The object's sound from the sound table (warning when its name is not in the table).
void loadObjectSound(Biosim& e, std::int32_t index);

// The animation frames of one direction (AnimDefault, AnimRight, ...) of object `index`.
void loadDirectionFrames(Biosim& e, std::int32_t index, int direction);

} // namespace engine
