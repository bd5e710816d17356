// DnaWindow: the DNA editor in window 103.
#include "builder/DnaWindow.h"

#include <utility>

#include "builder/Messages.h"
#include "builder/Windows.h"
#include "world/DnaFile.h"

namespace tarn {

namespace {

// A pair that is one of the comment lines a written DNA file ends with (or no pair at all).
bool isComment(const world::DnaEntry& e) {
    return e.key.empty() || e.key[0] == ';';
}

void publish(Builder& b) {
    b.dnaEntryCount = static_cast<int>(b.dnaFields.size());
    if (b.windows != nullptr) b.windows->dnaFieldsChanged(&b.dnaFields);
}

std::string kindName(const Builder& b) {
    if (b.dnaKind < 0 || b.dnaKind >= static_cast<int>(b.kinds.size())) return {};
    return b.kinds[static_cast<std::size_t>(b.dnaKind)].fileName;
}

void setTitle(Builder& b, const std::string& path) {
    if (b.windows != nullptr && b.windows->isOpen(kDnaWindow))
        b.windows->setTitle(kDnaWindow, "DNA for Tile: " + path + " File:" + kindName(b));
}

constexpr std::pair<std::string_view, std::string_view> kHelp[] = {
    {"worldFTileRotate", "Turn per frame in radians; 0 = the tile does not rotate"},
    {"worldFTileCollision",
     "1 = takes part in collisions (entered in the collision list); 0 = passes through"},
    {"worldFTileFollow", "Id text (worldFTileIDString) of the kind this object chases"},
    {"worldFTileEmitter", "Builder only: emitter switch (biosim ignores it)"},
    {"worldFTileTransparency", "Drawing alpha 0..255 (255 = opaque); also the builder's drawing alpha"},
    {"worldFTileTouchMove", "Non-zero: an object touched by this one is pushed along its movement"},
    {"worldFTileGOBACK", "Non-zero: the object steers back towards its start position"},
    {"worldFTileTouchTransparency", "Alpha given to an object this one touches"},
    {"worldFTilePlayerID", "Non-zero: a player object steered by keyboard or joystick"},
    {"worldFTileExpansionValue", "Kept in the DNA; nothing reads it"},
    {"worldFTileCollisionEmitter", "Builder only: collision emitter (biosim ignores it)"},
    {"worldFStretch", "Non-zero: the picture is stretched over the whole screen (backgrounds)"},
    {"worldFTileMove", "Kept in the DNA; nothing reads it"},
    {"worldFTileVELO", "Speed in pixels per frame; also seeds the horizontal and vertical speeds"},
    {"worldFTilePlayerMOVE", "Movement restriction of a player object"},
    {"worldFTilePLINKI", "Kept in the DNA; nothing reads it"},
    {"worldFTileGravity", "Gravity of the object (rounded to a whole number)"},
    {"worldFTileScrollH", "Kept in the DNA; nothing reads it"},
    {"worldFTileDynamicScrollH", "Builder only: dynamic horizontal scrolling (biosim ignores it)"},
    {"worldFTileCollisionDestroy", "Kept in the DNA; nothing reads it"},
    {"worldFTileLaunch", "Builder only: launch value (biosim ignores it)"},
    {"worldFTileSoundType", "Carried with the sound; nothing reads it"},
    {"worldFTileGlobalGravity", "Kept in the DNA; nothing reads it"},
    {"worldFTileFollowObject", "Non-zero: chase the first active object named by worldFTileFollow"},
    {"worldFTileMoveV", "Vertical direction: -1 up, +1 down, 0 still"},
    {"worldFTileMoveH", "Horizontal direction: -1 left, +1 right, 0 still"},
    {"worldFTileIsEMUMousePointer", "Kept in the DNA; nothing reads it"},
    {"worldFTileIsHWMousePointer", "Kept in the DNA; nothing reads it"},
    {"worldFTileTouchRotate", "Non-zero: objects this one touches start to turn"},
    {"useLayerScroll", "Kept in the DNA; nothing reads it"},
    {"worldGlobalScrollH", "Kept in the DNA; nothing reads it"},
    {"worldGlobalScrollV", "Kept in the DNA; nothing reads it"},
    {"worldFTileShadow", "Builder only: shadow switch (biosim ignores it)"},
    {"worldFTileTransport", "Non-zero: a walk tile that carries objects to another place"},
    {"worldFTileReflection", "Builder only: reflection switch (biosim ignores it)"},
    {"worldFTileFlire", "Flicker: 1 hides the object in about half the frames, 9 in one of ten; 0 = none"},
    {"worldFTileID", "Global tile id, the same in every run (shown in the builder's screen log)"},
    {"worldFTileIDString", "Id text of the kind: what followers and weapons name"},
    {"hp", "Kept in the DNA; nothing reads it"},
    {"useWeapon", "Id text of the projectile kind this object fires; NOPE = none"},
    {"worldFTileShadowOffsetX", "Builder only: shadow offset x (biosim ignores it)"},
    {"worldFTileShadowOffsetY", "Builder only: shadow offset y (biosim ignores it)"},
    {"worldFTileShadowZoom", "Builder only: shadow zoom (biosim ignores it)"},
    {"worldFTileNoStopOnCollision", "Builder only: keep moving on collision (biosim ignores it)"},
    {"postEFFECT", "Blending pair SRCxDEST, e.g. 5x2 for additive light; 0x0 = normal alpha"},
    {"worldFTileLoopH", "Kept in the DNA; nothing reads it"},
    {"worldFTileLoopV", "Kept in the DNA; nothing reads it"},
    {"worldFTileParableV", "Builder only: vertical parable (biosim ignores it)"},
    {"worldFTileParableH", "Builder only: horizontal parable (biosim ignores it)"},
    {"worldFTileBounceTopDown", "Kept in the DNA; nothing reads it"},
    {"worldFTileDoCrushH", "Kept in the DNA (rounded to a whole number); nothing reads it"},
    {"worldFTileCollisionSize", "Kept in the DNA; nothing reads it"},
    {"worldFTileSuperRotate", "Builder only: super rotate (biosim ignores it)"},
    {"worldFTileLook", "Builder only: look (biosim ignores it)"},
    {"worldFTileLookAngle", "Builder only: look angle (biosim ignores it)"},
    {"worldFTilePattern", "Kept in the DNA; nothing reads it"},
    {"geneseID", "Kept in the DNA; nothing reads it"},
    {"worldFTileIsGUI", "Non-zero: stays fixed on the screen when the world scrolls"},
    {"worldFTileRandomMove", "Range of random turns and reversals; 0 = none"},
    {"worldFTileFadeIn", "Start fade: the object becomes visible gradually; 0 = none"},
    {"worldFTileFadeOut", "Carried; nothing reads it"},
    {"worldFTileLifeTime", "Life time in timer units (worldFTileTimerMS); 0 = lives for ever"},
    {"worldFTileTimerMS", "Length of one life time unit in milliseconds"},
    {"noSmooth", "Kept in the DNA; nothing reads it"},
    {"worldFTileAutoLoad", "Recognised and ignored"},
    {"animContainer", "Animation folder of the object; NOPE = no animation"},
    {"animAutoPlay", "Non-zero: the animation plays by itself"},
    {"animTimer", "Milliseconds per animation frame"},
    {"worldFTileHideOnStart", "1 = starts invisible, 2 = starts with alpha 0, 0 = shown"},
    {"worldFTileUseKeyboard", "Non-zero: steered by the cursor keys"},
    {"worldFTileUseJoyStick", "Non-zero: steered by the joystick when one is present"},
    {"AI", "Follow switch of the object"},
    {"worldFTileIsMirror", "1 or more: drawn only as the mirror image of the object"},
    {"worldFTileMirrorAt", "Where the mirror image is drawn"},
    {"worldFTileSoundFile", "Sound of the object (played while it is on screen); NOPE = none"},
    {"worldFTileSoundDuration", "Milliseconds between two plays of the sound"},
    {"worldFTileSoundVolume", "Volume of the object's sound"},
    {"worldFTileUseMoveLogic", "Move order: 0 horizontal then vertical; 23/24 alternate at random"},
    {"worldFTileFadeInStep", "How much the start fade lowers per frame"},
    {"worldFTileUseScript", "Carried; nothing reads it"},
    {"worldFTile_EFFECT_GFX", "Extra picture loaded for the object; NOPE = none"},
    {"worldFTileUseShadow", "Shadow picture loaded for the object; NOPE = none"},
    {"_key_FAIL", "The default DNA file was not found: this entry holds nothing and is not saved"},
};

} // namespace

std::string_view dnaKeyHelp(std::string_view key) {
    for (const auto& [k, text] : kHelp)
        if (k == key) return text;
    return {};
}

void buildDnaEntries(Builder& b) {
    b.dnaFields.clear();
    std::vector<world::DnaEntry> pairs;
    if (!world::readDnaEntries(b.dnaFilePath, pairs)) {
        reportError(b, 119);
        for (int i = 0; i < kDnaPlaceholders; ++i)
            b.dnaFields.push_back(DnaField{std::string(world::kDnaKeyFail), std::string(world::kDnaValueFail),
                                           std::string(dnaKeyHelp(world::kDnaKeyFail)), false, true});
    } else {
        for (const world::DnaEntry& e : pairs) {
            if (isComment(e)) continue;
            b.dnaFields.push_back(DnaField{e.key, e.value, std::string(dnaKeyHelp(e.key)), false, false});
        }
    }
    publish(b);
}

void showTileDna(Builder& b, const std::string& pathWithoutExtension) {
    b.dnaKind = -1;
    for (std::size_t k = 0; k < b.kinds.size(); ++k)
        if (b.cfg.GFXPATH + b.kinds[k].fileName == pathWithoutExtension) b.dnaKind = static_cast<int>(k);
    buildDnaEntries(b);
    setTitle(b, pathWithoutExtension);
    std::vector<world::DnaEntry> pairs;
    if (!world::readDnaEntries(pathWithoutExtension + ".dll", pairs)) return;
    for (const world::DnaEntry& e : pairs) {
        if (isComment(e)) continue;
        DnaField* target = nullptr;
        for (DnaField& f : b.dnaFields)
            if (!f.placeholder && f.key == e.key) target = &f;
        if (target == nullptr) {
            // A key the default file lacks stays, after the others; it replaces a placeholder first.
            for (DnaField& f : b.dnaFields)
                if (f.placeholder && target == nullptr) target = &f;
            if (target == nullptr) {
                b.dnaFields.push_back(DnaField{});
                target = &b.dnaFields.back();
            }
            target->key = e.key;
            target->help = std::string(dnaKeyHelp(e.key));
            target->placeholder = false;
        }
        target->value = e.value;
        target->fromTile = true;
    }
    publish(b);
}

void resetTileDna(Builder& b) {
    buildDnaEntries(b);
    setTitle(b, b.dnaFilePath);
}

void saveTileDna(Builder& b) {
    if (b.dnaKind < 0 || b.dnaKind >= static_cast<int>(b.kinds.size())) {
        b.notice = "SET_DNA: select a tile kind in the tile window first";
        return;
    }
    std::vector<world::DnaEntry> entries;
    for (const DnaField& f : b.dnaFields)
        if (!f.placeholder) entries.push_back(world::DnaEntry{f.key, f.value});
    TileKind& kind = b.kinds[static_cast<std::size_t>(b.dnaKind)];
    const std::string path = b.cfg.GFXPATH + kind.fileName + ".dll";
    const world::DnaWriteResult r = world::writeDnaFile(path, entries);
    if (!r.ok) {
        reportError(b, 124);
        return;
    }
    if (!r.skipped.empty())
        b.dialogs().messageBox("MAP BUILDER MESSAGE:",
                               std::to_string(r.skipped.size()) +
                                   " DNA entries hold a line break and were not saved, the first: " +
                                   entries[r.skipped.front()].key,
                               plat::Buttons::Ok);
    // The kind's DNA is read again; tiles placed before keep the values they were placed with.
    auto dna = std::make_shared<KindDna>();
    readKindDna(*dna, b.cfg.GFXPATH + kind.fileName);
    kind.dna = std::move(dna);
    b.notice = "DNA saved: " + path;
}

} // namespace tarn
