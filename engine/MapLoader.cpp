// MapLoader: the map loader (switch map, world reset, load map, graphics lookup, screen scaling) and the
// per-object loads it makes (level music, object sound, animation frames).
#include "engine/MapLoader.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <set>
#include <string_view>

#include "engine/Biosim.h"
#include "engine/EngineSetup.h"
#include "engine/LoadingScreen.h"
#include "engine/Logs.h"
#include "engine/ServerFetch.h"
#include "engine/TileKinds.h"
#include "platform/ErrorTrap.h"
#include "platform/Rounding.h"
#include "platform/TextIo.h"
#include "world/KindNames.h"
#include "world/MapFormat.h"
#include "world/TileDna.h"

namespace engine {

namespace {

constexpr plat::Rgb kTileTransparent = plat::rgb(0, 255, 0);

bool isNone(const std::string& name) {
    return world::isNoneName(name);
}

// A name that is joined to a configured folder must stay inside it: no absolute name, no "..".
bool staysInFolder(const std::string& name) {
    if (!name.empty() && (name.front() == '/' || name.front() == '\\')) return false;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find_first_of("/\\", start);
        if (end == std::string::npos) end = name.size();
        if (name.compare(start, end - start, "..") == 0 && end - start == 2) return false;
        start = end + 1;
    }
    return true;
}

// Clears an animation, effect or shadow name that would leave its folder, with one warning per name
// and map load.
void refuseEscapingName(Biosim& e, std::string& name, const char* what, std::set<std::string>& warned) {
    if (isNone(name) || staysInFolder(name)) return;
    if (warned.insert(name).second)
        warn(e,
             std::string(what) + " " + name + " LEAVES ITS FOLDER, NOT LOADED\rOBJECT: " + e.lastObjectName);
    name.clear();
}

// A configured folder + a name, relative to the working folder.
std::string path(const Biosim& e, const std::string& folder, const std::string& name) {
    return resolvePath(e, folder + name);
}

// Loads an effect or shadow image for an object: the old one released, then EFFECT_GFX + name +
// graphics extension with pure green transparent and its drawable sprite. Returns 1 when loaded.
std::int8_t loadExtraImage(Biosim& e, const std::string& name, plat::SpriteId& image,
                           plat::SpriteId& sprite) {
    plat::Graphics& g = e.gfx();
    if (g.isSprite(image)) g.freeSprite(image);
    if (g.isSprite(sprite)) g.freeSprite(sprite);
    image = 0;
    sprite = 0;
    // "" and "NOPE" name no image; asking the file system for them would only fail.
    if (isNone(name)) return 0;
    image = g.loadSprite(path(e, e.cfg.EFFECT_GFX, name + e.cfg.GFXCODEC));
    if (image == 0) return 0;
    g.setTransparentColour(image, kTileTransparent);
    sprite = g.createDrawable(image);
    return 1;
}

// Copies the DNA values of one tile kind into a new object: every key whose row says "copied"
// through the key table, then the keys the table marks "converted", by hand.
void copyDna(Biosim& e, WorldObject& o, const world::TileDna& d, std::int32_t index) {
    for (const world::TileDnaKey& row : world::tileDnaKeys()) world::copyDnaValue(row, d, o);
    // The converted keys: the transparency also as its nearest integer, the speed also as the two
    // start speeds, the gravity as its nearest integer.
    o.worldFTileTransparency = d.worldFTileTransparency;
    o.TransparencyValue = plat::roundHalfEvenInt32(d.worldFTileTransparency);
    o.worldFTileVELO = d.worldFTileVELO;
    o.VelocityX = d.worldFTileVELO;
    o.VelocityY = d.worldFTileVELO;
    o.worldFTileGravity = plat::roundHalfEvenInt32(d.worldFTileGravity);

    if (o.worldFTileCollision == 1) {
        // The list has the capacity of the object table and never more entries than objects; the
        // test only guards a table sized by hand.
        const std::size_t pos = static_cast<std::size_t>(e.level.collisionEntries);
        if (pos < e.collisionList.size()) {
            e.collisionList[pos] = index;
            ++e.level.collisionEntries;
            ++e.level.collisionCount;
        }
    }
    o.canMoveH = 1;
    o.canMoveV = 1;
    o.SoundStart = 0;
    o.SoundLoaded = 0;
}

// The placement state of a new object, kept for projectile resets.
void fillSpawnTemplate(SpawnTemplate& t, const WorldObject& o) {
    t.worldFTileCollision = o.worldFTileCollision;
    t.transparency = plat::roundHalfEvenInt32(o.worldFTileTransparency);
    t.worldFTileRotate = o.worldFTileRotate;
    t.worldFTileVELO = o.worldFTileVELO;
    t.VelocityX = o.VelocityX;
    t.VelocityY = o.VelocityY;
    t.worldFTileMoveV = o.worldFTileMoveV;
    t.worldFTileMoveH = o.worldFTileMoveH;
    t.Visible = o.Visible;
    t.useWeapon = o.useWeapon;
    t.worldFTileIDString = o.worldFTileIDString;
    t.worldFTileLifeTime = o.worldFTileLifeTime;
    t.worldFTileTimerMS = o.worldFTileTimerMS;
    t.lifeTick = o.lifeTick;
    t.worldFTileSoundFile = o.worldFTileSoundFile;
    t.worldFTileSoundDuration = o.worldFTileSoundDuration;
}

// The grid cell under a point, or false when the point lies outside the matrix.
bool cellUnder(const Biosim& e, float x, float y, int& i, int& j) {
    if (!(e.gridCellWidth > 0) || !(e.gridCellHeight > 0)) return false;
    const double ci = std::floor(static_cast<double>(x) / e.gridCellWidth);
    const double cj = std::floor(static_cast<double>(y) / e.gridCellHeight);
    const int limit = std::min(e.matrixSize, kGridCells - 1);
    if (!(ci >= 0 && cj >= 0 && ci <= limit && cj <= limit)) return false;
    i = static_cast<int>(ci);
    j = static_cast<int>(cj);
    return true;
}

// Marker bytes of the grid matrix: objects with a collision value of 10 or more mark the cells under
// three corners; others clear the cell under their top-left corner.
void markGrid(Biosim& e) {
    if (e.level.liveObjects <= 0) return;
    for (std::int32_t k = 0; k <= e.level.objectCount; ++k) {
        const WorldObject& o = e.objectTable[static_cast<std::size_t>(k)];
        int i = 0, j = 0;
        if (o.worldFTileCollision >= 10) {
            const float xs[3] = {o.MapX, o.MapX + o.Width, o.MapX};
            const float ys[3] = {o.MapY, o.MapY, o.MapY + o.Height};
            for (int c = 0; c < 3; ++c)
                if (cellUnder(e, xs[c], ys[c], i, j)) e.gridCell(i, j).marker = o.worldFTileCollision;
        } else if (cellUnder(e, o.MapX, o.MapY, i, j)) {
            e.gridCell(i, j).marker = 0;
        }
    }
}

// A weapon fires objects of the map whose kind name it names; a map without one would leave its
// shooters silent with nothing to tell why.
void warnAboutMissingShots(Biosim& e, const std::string& mapId) {
    if (e.level.liveObjects <= 0) return;
    const std::int32_t last =
        std::min<std::int32_t>(e.level.objectCount, static_cast<std::int32_t>(e.objectTable.size()) - 1);
    std::set<std::string> kinds, weapons;
    for (std::int32_t i = 0; i <= last; ++i) {
        const WorldObject& o = e.objectTable[static_cast<std::size_t>(i)];
        kinds.insert(o.worldFTileIDString);
        if (!o.useWeapon.empty()) weapons.insert(o.useWeapon);
    }
    for (const std::string& w : weapons)
        if (!kinds.count(w))
            warn(e, "WEAPON " + w + " HAS NO SHOT IN MAP " + mapId +
                        ":\rPLACE A HIDDEN OBJECT OF THAT KIND IN THE MAP");
}

} // namespace

void worldReset(Biosim& e) {
    resetObjectTable(e);
    e.level = LevelState{}; // counts, scroll offset, layer, template position of the earlier map
    e.currentTileId = 0;
    e.sim.grid.valid = false;
    e.sim.kinds.valid = false;
}

bool graphicsLookup(Biosim& e, const std::string& name, std::int32_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= e.objectTable.size()) return false;
    int t = -1;
    if (e.cfg.IOPREFETCH == 1 && index >= 1) {
        const WorldObject& prev = e.objectTable[static_cast<std::size_t>(index - 1)];
        if (!prev.ObjectFile.empty() && prev.ObjectFile == name) t = prev.KindIndex;
    }
    if (t < 0) t = findTileId(e, name);
    if (t < 0 || static_cast<std::size_t>(t) >= e.kinds.tileSprites.size()) return false;
    WorldObject& o = e.objectTable[static_cast<std::size_t>(index)];
    o.Sprite = e.gfx().createDrawable(e.kinds.tileSprites[static_cast<std::size_t>(t)]);
    // The animation step replaces Sprite with frame sprites; the object's own one is freed through
    // this handle when the world is reset.
    o.KindSprite = o.Sprite;
    o.ObjectFile = name;
    o.Visible = 1;
    o.KindIndex = t;
    o.ImageWidth = e.kinds.tileWidths[static_cast<std::size_t>(t)];
    o.ImageHeight = e.kinds.tileHeights[static_cast<std::size_t>(t)];
    e.currentTileId = t;
    return true;
}

void scaleObjectToScreen(Biosim& e, WorldObject& o) {
    fitDesignToScreen(e);
    o.MapX = std::ceil(o.MapX * e.scalerX);
    o.StartX = o.MapX;
    o.MapY = std::ceil(o.MapY * e.scalerY);
    o.StartY = o.MapY;
    o.Width = std::ceil(o.Width * e.scalerX);
    o.Height = std::ceil(o.Height * e.scalerY);
    o.worldFTileVELO = o.worldFTileVELO * (e.scalerX / e.scalerY);
    o.VelocityX = o.VelocityX * e.scalerX;
    o.VelocityY = o.VelocityY * e.scalerY;
    o.worldFTileGravity = plat::roundHalfEvenInt32(static_cast<float>(o.worldFTileGravity) * e.scalerX);
    o.VelocityX = o.VelocityX * e.scalerX;
    o.VelocityY = o.VelocityY * e.scalerY;
    const float w = static_cast<float>(plat::roundHalfEvenInt32(o.Width));
    const float h = static_cast<float>(plat::roundHalfEvenInt32(o.Height));
    if (o.HasEffect == 1) e.gfx().zoomSprite(o.EffectSprite, w, h);
    e.gfx().zoomSprite(o.Sprite, w, h);
    o.ScaledWidth = o.Width;
    o.ScaledHeight = o.Height;
}

void loadLevelMusic(Biosim& e, std::int32_t mapId) {
    plat::Sound& s = e.sound();
    if (e.levelMusicSound != -1 && s.isSound(e.levelMusicSound)) {
        s.stopSound(e.levelMusicSound);
        s.freeSound(e.levelMusicSound);
    }
    e.levelMusicSound = -1;
    const plat::SoundId id =
        s.loadSound(path(e, e.cfg.SOUNDPATH, "#L" + std::to_string(mapId) + e.cfg.SOUNDCODEC));
    e.levelMusicSound = id != 0 ? id : -1;
}

void loadObjectSound(Biosim& e, std::int32_t index) {
    WorldObject& o = e.objectTable[static_cast<std::size_t>(index)];
    if (o.worldFTileSoundFile.empty() || o.SoundLoaded != 0) return;
    plat::Sound& s = e.sound();
    const std::int32_t last =
        std::min<std::int32_t>(e.soundCount, static_cast<std::int32_t>(e.soundTable.size()) - 1);
    for (std::int32_t i = 0; i <= last; ++i) {
        if (e.soundTable[static_cast<std::size_t>(i)].name != o.worldFTileSoundFile) continue;
        if (s.isSound(o.SoundHandle)) {
            s.stopSound(o.SoundHandle);
            s.freeSound(o.SoundHandle);
        }
        o.SoundHandle = s.loadSound(path(e, e.cfg.SOUNDPATH, o.worldFTileSoundFile + e.cfg.SOUNDCODEC));
        o.SoundTableIndex = i;
        if (o.SoundHandle != 0) {
            o.SoundLoaded = 1;
            s.setVolume(o.SoundHandle, o.worldFTileSoundVolume);
        }
        return;
    }
    warn(e, "SoundFile " + o.worldFTileSoundFile + " not found\nObject: " + o.ObjectFile);
}

void loadDirectionFrames(Biosim& e, std::int32_t index, int direction) {
    if (direction < 0 || direction >= kAnimDirections) return;
    WorldObject& o = e.objectTable[static_cast<std::size_t>(index)];
    plat::Graphics& g = e.gfx();
    AnimFrameBlock& a = o.animFrames();
    // Slot 0 is never used and there are 32 slots: at most 31 frames per direction.
    const int frames = std::clamp(o.AnimMaxFrames, 0, kAnimSlots - 1);
    std::int32_t* counts[kAnimDirections] = {&o.AnimFramesDefault, &o.AnimFramesRight, &o.AnimFramesLeft,
                                             &o.AnimFramesUp, &o.AnimFramesDown};
    for (int n = 1; n <= frames; ++n) {
        plat::SpriteId& img = a.FrameImages[direction][n];
        plat::SpriteId& spr = a.FrameSprites[direction][n];
        if (g.isSprite(img)) g.freeSprite(img);
        if (g.isSprite(spr)) g.freeSprite(spr);
        spr = 0;
        img = g.loadSprite(path(e, e.cfg.ANIMSYSTEM,
                                o.animContainer + "/" +
                                    std::string(world::kDirectionNames[static_cast<std::size_t>(direction)]) +
                                    "/" + std::to_string(n) + e.cfg.GFXCODEC));
        if (img == 0) continue;
        g.setTransparentColour(img, kTileTransparent);
        const float w = static_cast<float>(g.spriteWidth(img));
        const float h = static_cast<float>(g.spriteHeight(img));
        spr = g.createDrawable(img);
        *counts[direction] = n;
        const std::int32_t W = plat::roundHalfEvenInt32(w * e.scalerX * o.ZoomX);
        const std::int32_t H = plat::roundHalfEvenInt32(h * e.scalerY * o.ZoomY);
        g.zoomSprite(spr, static_cast<float>(W), static_cast<float>(H));
        a.FrameWidths[direction][n] = W;
        a.FrameHeights[direction][n] = H;
    }
}

void loadMap(Biosim& e, int scale, int reset) {
    if (reset == 1) worldReset(e);
    e.mapLineCounter = 0;
    const std::string m = std::to_string(e.actualMapId);
    // With a server the map comes from the server, the cache or the local maps folder (a switch has
    // chosen already); a map from the server or the cache gets its tile kinds with its records.
    if (!e.server.prepared) prepareMap(e, m);
    const bool server = e.server.serverTiles;
    if (server) beginServerTiles(e);
    const std::string& maps = mapsFolder(e);
    std::error_code ec;
    if (!std::filesystem::is_directory(path(e, maps, m), ec)) {
        e.mapMissing = 1;
    } else if (!server) {
        // A save of tarn's that ended part way is finished (or its leftovers removed) first.
        world::recoverMapFolder(resolvePath(e, maps + m + "/"));
        loadMapTiles(e);
    }
    e.serverTileStart = 0;
    e.clearScreenNeeded = 1;

    plat::Graphics& g = e.gfx();
    const std::size_t capacity = e.objectTable.size();
    std::int32_t created = 0;
    bool full = false;
    std::set<std::string> refused; // names already warned about in this load
    for (int s = 0; s <= world::kMaxMapSegment && !full; ++s) {
        e.mapSegment = s;
        // The configured name is what warnings show; the resolved one is what is opened.
        const std::string segment = maps + m + "/" + std::to_string(s);
        world::MapRecordReader reader;
        if (!reader.open(resolvePath(e, segment))) break;
        e.level.scrollX = static_cast<float>(reader.scrollX());
        e.level.scrollY = static_cast<float>(reader.scrollY());
        e.mapMissing = 0;
        world::MapRecord rec;
        while (reader.next(rec, &e.mapLineCounter)) {
            BT_CHECKPOINT();
            e.lastObjectName.assign(rec.name);
            // A record cut short by the end of the file has lost its position or layer.
            if (!rec.complete) break;
            if (server && !loadServerTile(e, std::string(rec.name), segment)) continue;
            if (rec.layer != s) continue;
            const std::int32_t index = e.level.objectCount;
            if (static_cast<std::size_t>(index) >= capacity) {
                // The table is full: keep what was made, warn once, read no further.
                if (!e.level.capacityWarned) {
                    warn(e, "MAP " + m + " HOLDS MORE TILES THAN MAXOBJECTS (" +
                                std::to_string(e.cfg.MAXOBJECTS) + "),\rTILES FROM " + segment +
                                " AT LINE: " + std::to_string(e.mapLineCounter) + " ON ARE SKIPPED");
                    e.level.capacityWarned = true;
                }
                full = true;
                break;
            }
            WorldObject& o = e.objectTable[static_cast<std::size_t>(index)];
            // A new object starts from a fresh record: nothing of an earlier map's object leaks in.
            o = WorldObject{};
            o.ownerIndex = -1;
            const std::string name(rec.name);
            if (!graphicsLookup(e, name, index)) {
                warn(e, name + " IS NOT PART OF THE GFXSYSTEM, ENTRY SKIPPED,\rMAP SEGMENT: " + segment +
                            "\rAT LINE: " + std::to_string(e.mapLineCounter));
                continue;
            }
            const std::size_t t = static_cast<std::size_t>(e.currentTileId);
            static const world::TileDna kNoDna{};
            const world::TileDna& d = t < e.kinds.dnaTable.size() ? e.kinds.dnaTable[t] : kNoDna;
            copyDna(e, o, d, index);
            if (!isNone(o.worldFTileSoundFile)) loadObjectSound(e, index);
            refuseEscapingName(e, o.animContainer, "ANIMATION CONTAINER", refused);
            refuseEscapingName(e, o.worldFTile_EFFECT_GFX, "EFFECT IMAGE", refused);
            refuseEscapingName(e, o.worldFTileUseShadow, "SHADOW IMAGE", refused);
            o.MapX = o.StartX = o.OriginX = rec.x;
            o.MapY = o.StartY = o.OriginY = rec.y;
            o.Width = rec.width;
            o.Height = rec.height;
            o.HasEffect = loadExtraImage(e, o.worldFTile_EFFECT_GFX, o.EffectImage, o.EffectSprite);
            o.HasShadow = loadExtraImage(e, o.worldFTileUseShadow, o.ShadowImage, o.ShadowSprite);
            g.zoomSprite(o.Sprite, static_cast<float>(plat::roundHalfEvenInt32(o.Width)),
                         static_cast<float>(plat::roundHalfEvenInt32(o.Height)));
            const bool animated = !isNone(o.animContainer);
            if (animated) {
                o.ZoomX = o.Width / o.ImageWidth;
                o.ZoomY = o.Height / o.ImageHeight;
            }
            o.Layer = rec.layer;
            if (o.Layer > e.level.maxLayer) e.level.maxLayer = o.Layer;
            if (scale == 1) scaleObjectToScreen(e, o);
            BT_CHECKPOINT();
            if (animated) {
                o.AnimMaxFrames = e.cfg.MAXANIMFRAMES;
                o.AnimFrame = 1;
                o.AnimTick = static_cast<std::int32_t>(e.clock().ticks());
                for (int dir : {AnimLeft, AnimRight, AnimUp, AnimDown, AnimDefault})
                    loadDirectionFrames(e, index, dir);
            }
            if (o.worldFStretch != 0) {
                e.clearScreenNeeded = 0;
                g.zoomSprite(o.Sprite, e.viewWidth(), e.viewHeight());
            }
            BT_CHECKPOINT();
            if (static_cast<std::size_t>(e.level.spawnTemplatePos) < e.spawnTemplates.size()) {
                fillSpawnTemplate(e.spawnTemplates[static_cast<std::size_t>(e.level.spawnTemplatePos)], o);
                if (e.level.spawnTemplatePos < e.cfg.MAXOBJECTS) ++e.level.spawnTemplatePos;
            }
            if (o.worldFTileHideOnStart == 1) o.Visible = 0;
            if (o.worldFTileHideOnStart == 2) o.worldFTileTransparency = 0;
            // The on-screen flag describes the placement from the start: the first frame's expiry
            // of projectiles and fireflies reads it before the object was ever tested, and a fresh
            // record would end every such object placed in a map before it was shown.
            visibilityTest(e, o);
            const std::int32_t ex = plat::roundHalfEvenInt32(o.MapX + o.Width);
            const std::int32_t ey = plat::roundHalfEvenInt32(o.MapY + o.Height);
            if (ex > e.mapExtentX) e.mapExtentX = ex;
            if (ey > e.mapExtentY) e.mapExtentY = ey;
            if (e.cfg.LOADPIC == 1 && e.mapLoading == 1 && e.mapTileCount > world::kLargeMapRecords)
                loadingStep(e);
            ++e.level.objectCount;
            ++created;
        }
    }
    finishMapLoad(e);
    e.level.liveObjects = created;
    if (e.level.objectCount >= 1) --e.level.objectCount;
    if (e.level.collisionCount >= 1) --e.level.collisionCount;
    e.sim.grid.valid = false;
    e.sim.kinds.valid = false;
    buildGridMatrix(e);
    markGrid(e);
    applyDesignViewport(e);
    warnAboutMissingShots(e, m);
}

void switchMap(Biosim& e) {
    e.actualMapId = e.nextMapId;
    e.mapLoading = 1;
    // The first loading step of a switch shows its picture at once.
    e.loadFlipPending = 1;
    const std::string m = std::to_string(e.actualMapId);
    loadLevelMusic(e, e.actualMapId);
    e.mapTileCount = 1;
    prepareMap(e, m);
    textio::LineReader count;
    if (count.open(path(e, mapsFolder(e), m + "/_"))) e.mapTileCount = textio::toInt(count.readLine());
    plat::Sound& s = e.sound();
    if (e.mapTileCount > world::kLargeMapRecords) {
        if (s.isSound(e.loadMusicSound)) {
            s.stopSound(e.loadMusicSound);
            s.freeSound(e.loadMusicSound);
        }
        e.loadMusicSound = s.loadSound(path(e, e.cfg.SOUNDPATH, e.cfg.FILELOADMUSIC + e.cfg.SOUNDCODEC));
        if (e.loadMusicSound != 0) s.playSound(e.loadMusicSound, true);
        e.loadProgress = 1.0f;
        e.loadStep = e.desktopWidth / static_cast<float>(e.mapTileCount);
        e.loadBarHeight = e.desktopHeight / 50.0f;
    }
    loadMap(e, 1, 1);
    e.multitaskDelayMs = e.cfg.MULTITASK;
    if (s.isSound(e.loadMusicSound)) s.stopSound(e.loadMusicSound);
    if (e.levelMusicSound == -1) {
        warn(e, "COULD NOT FIND SOUND:" + e.cfg.SOUNDPATH + "#L" + m + e.cfg.SOUNDCODEC);
    } else {
        s.setVolume(e.levelMusicSound, e.actualMapId >= world::kFirstScreenMap ? 100 : 50);
        s.playSound(e.levelMusicSound, true);
    }
    e.mapStartTick = static_cast<std::int32_t>(e.clock().ticks());
    e.mapLoading = 0;
}

} // namespace engine
