// ObjectTable: the world object record of biosim and the tables that hold one record per object.
//
// Every tile placed in a map becomes one WorldObject. The map loader fills the records, the
// simulation reads and writes them by object index, the debug overlay prints some of them.
// Field names are the DNA keys (`worldFTile...`) where the field is a copy of a DNA value, and the
// engine's own names otherwise.
//
// Layout: the fields the world frame touches every pass (positions, sizes, handles, switches) come
// first and are plain numbers, so a pass over many objects walks little memory; the text fields
// follow; the 5 x 32 animation frame slots live in a separate block that exists only for animated
// objects (`anim`, allocated by `animFrames()`).
//
// Limits: the tables have a fixed capacity of MAXOBJECTS + 1 records (indices 0..MAXOBJECTS); the
// loader must never write past it. Records are zero-filled when the tables grow. The storage of the
// record tables grows with use (GrowingTable): a large MAXOBJECTS costs memory only for the records
// a map fills.
// Depends on: platform/Platform.h (handles and the graphics/sound services that release them).
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Platform.h"

// Animation directions, in the order of the frame blocks.
enum AnimDirection : int { AnimDefault = 0, AnimRight = 1, AnimLeft = 2, AnimUp = 3, AnimDown = 4 };
constexpr int kAnimDirections = 5;
constexpr int kAnimSlots = 32;

// The animation frames of one object: images, their drawable sprites and scaled sizes, per direction
// (DEFAULT, RIGHT, LEFT, UP, DOWN) and slot. Handles 0 = none.
struct AnimFrameBlock {
    plat::SpriteId FrameImages[kAnimDirections][kAnimSlots] = {};
    plat::SpriteId FrameSprites[kAnimDirections][kAnimSlots] = {};
    std::int32_t FrameWidths[kAnimDirections][kAnimSlots] = {};
    std::int32_t FrameHeights[kAnimDirections][kAnimSlots] = {};
};

// Aligned to a cache line, so that the first block below is a single line.
struct alignas(64) WorldObject {
    // ---- hottest: the fields that other objects' updates read at random (the visibility test of
    // the object at the same list position, collision rectangles and tests, a target's reactions),
    // all in the first 64 bytes, so that each such read into the large table costs one cache line
    float MapX = 0, MapY = 0;                       // position in world pixels (scaled)
    float Width = 0, Height = 0;                    // placed size in world pixels (scaled)
    float VelocityX = 0, VelocityY = 0;             // start as worldFTileVELO, scaled twice at load
    float worldFTileMoveH = 0, worldFTileMoveV = 0; // DNA
    float ScaledWidth = 0, ScaledHeight = 0;        // Width and Height after screen scaling
    std::int32_t worldFTileTouchMove = 0;           // DNA (a byte, widened)
    std::int32_t worldFTileTouchTransparency = 0;   // DNA
    std::int32_t worldFTileTouchRotate = 0;         // DNA
    std::int8_t Visible = 0;                        // 1 shown, 0 inactive, -1 hidden for this frame
    std::int8_t IsInScreen = 0;                     // set by the visibility test ("IsInScreen:")
    std::int8_t mirrorVisible = 0;                  // second copy of the visibility result
    std::int8_t worldFTileCollision = 0;            // DNA
    std::int8_t AI = 0;                             // DNA
    std::int8_t canMoveH = 0, canMoveV = 0;         // may move horizontally / vertically this frame
    std::int8_t worldFTileTransport = 0;            // DNA
    std::int8_t worldFTileRandomMove = 0;           // DNA

    // ---- hot: read or written by the world frame on every pass --------------------------------
    float worldFTileTransparency = 0;      // DNA; 0 when worldFTileHideOnStart is 2
    float worldFTileFadeIn = 0;            // DNA; the running fade value
    float worldFTileFadeOut = 0;           // DNA
    float worldFTileFadeInStep = 0;        // DNA
    float worldFTileVELO = 0;              // DNA, times scalerX / scalerY at load
    float worldFTileRotate = 0;            // DNA
    float rotationAngle = 0;               // accumulated rotation in radians
    float worldFTilePlayerMOVE = 0;        // DNA (an integer in the DNA)
    float worldFTileFlire = 0;             // DNA (an integer in the DNA)
    float StartX = 0, StartY = 0;          // MapX, MapY right after loading and scaling
    float OriginX = 0, OriginY = 0;        // position as read from the map file, before scaling
    float ImageWidth = 0, ImageHeight = 0; // size of the kind's image in pixels
    float ZoomX = 0, ZoomY = 0;            // Width / ImageWidth, Height / ImageHeight (animated)

    plat::SpriteId Sprite = 0;       // the sprite drawn: the kind's drawable, or an animation frame
    plat::SpriteId KindSprite = 0;   // the object's own drawable sprite of its kind's image
    plat::SpriteId EffectImage = 0;  // image named by worldFTile_EFFECT_GFX
    plat::SpriteId EffectSprite = 0; // drawable sprite of EffectImage
    plat::SpriteId ShadowImage = 0;  // image named by worldFTileUseShadow
    plat::SpriteId ShadowSprite = 0; // drawable sprite of ShadowImage
    plat::SoundId SoundHandle = 0;   // the object's loaded sound ("Index:")

    std::int32_t KindIndex = 0;         // tile id of the object's kind
    std::int32_t SoundTableIndex = 0;   // position of the object's sound in the sound table
    std::int32_t TransparencyValue = 0; // worldFTileTransparency rounded (before HideOnStart)
    std::int32_t Layer = 0;             // map layer
    std::int32_t AnimFrame = 0;         // current frame number ("AnimFrame#:")
    std::int32_t AnimFramesDefault = 0, AnimFramesRight = 0, AnimFramesLeft = 0; // last frame per dir
    std::int32_t AnimFramesUp = 0, AnimFramesDown = 0;
    std::int32_t AnimMaxFrames = 0;           // MAXANIMFRAMES at load time
    std::int32_t AnimTick = 0;                // tick when the animation was set up
    std::int32_t animTimer = 0;               // DNA
    std::int32_t worldFTileGOBACK = 0;        // DNA (a byte, widened)
    std::int32_t worldFTilePlayerID = 0;      // DNA
    std::int32_t worldFTileGravity = 0;       // DNA rounded, times scalerX, rounded
    std::int32_t worldFTileFollowObject = 0;  // DNA
    std::int32_t worldFTileUseMoveLogic = 0;  // DNA ("MoveLogicValue:")
    std::int32_t worldFTileID = 0;            // DNA
    std::int32_t worldFTileLifeTime = 0;      // DNA ("LifeTime:")
    std::int32_t worldFTileTimerMS = 0;       // DNA
    std::int32_t lifeTick = 0;                // tick of the last life-time step
    std::int32_t ownerIndex = 0;              // object that fired this projectile, -1 for none
    std::int32_t worldFTileIsMirror = 0;      // DNA: alpha of the mirror image, 0 = no mirror
    std::int32_t worldFTileSoundDuration = 0; // DNA
    std::int32_t SoundStart = 0;              // 0 at creation

    std::int8_t HasEffect = 0;                                        // 1 when EffectImage was loaded
    std::int8_t HasShadow = 0;                                        // 1 when ShadowImage was loaded
    std::int8_t animAutoPlay = 0;                                     // DNA
    std::int8_t worldFTileIsGUI = 0, worldFStretch = 0;               // DNA
    std::int8_t worldFTileUseKeyboard = 0, worldFTileUseJoyStick = 0; // DNA
    std::int8_t worldFTileHideOnStart = 0;                            // DNA
    std::int8_t shotInFlight = 0;          // a projectile of this shooter is in flight
    std::int8_t SoundLoaded = 0;           // 1 when the object's sound is loaded
    std::int8_t worldFTileSoundVolume = 0; // DNA ("SoundVolume:")

    // ---- cold: texts, read at load time and by a few behaviours --------------------------------
    std::string ObjectFile;            // name of the tile kind (graphic file name without extension)
    std::string worldFTile_EFFECT_GFX; // DNA
    std::string worldFTileUseShadow;   // DNA
    std::string animContainer;         // DNA: animation folder, "" or "NOPE" for none
    std::string worldFTileFollow;      // DNA
    std::string worldFTileIDString;    // DNA ("InternalName")
    std::string worldFTileUseScript;   // DNA
    std::string useWeapon;             // DNA
    std::string postEFFECT;            // DNA
    std::string worldFTileMirrorAt;    // DNA
    std::string worldFTileSoundFile;   // DNA ("SoundFile:")
    std::string worldFTileSoundType;   // DNA

    // The 5 x 32 frame slots (FrameImages, FrameSprites, FrameWidths, FrameHeights); null for an
    // object that never had an animation container. Kept across map loads once allocated.
    std::unique_ptr<AnimFrameBlock> anim;

    // The frame block, allocated (zero-filled) on first use.
    AnimFrameBlock& animFrames() {
        if (!anim) anim = std::make_unique<AnimFrameBlock>();
        return *anim;
    }
};

// One entry of spawnTemplates: the placement state of an object, taken by the map loader right after
// creation, used by the simulation to reset projectiles. The unnamed gaps of the stored layout are
// the `reserved...` fields; the loader does not fill them.
struct SpawnTemplate {
    std::int8_t worldFTileCollision = 0;
    std::int32_t transparency = 0; // worldFTileTransparency taken to the nearest integer
    std::int8_t reserved1[8] = {};
    float worldFTileRotate = 0;
    std::string reservedText1;
    std::int32_t reserved2 = 0;
    std::string reservedText2;
    float worldFTileVELO = 0;
    float VelocityX = 0, VelocityY = 0;
    float worldFTileMoveV = 0, worldFTileMoveH = 0;
    std::int8_t Visible = 0;
    std::string useWeapon;
    std::string worldFTileIDString;
    std::int32_t worldFTileLifeTime = 0;
    std::int32_t worldFTileTimerMS = 0;
    std::int32_t lifeTick = 0;
    std::string worldFTileSoundFile;
    std::int32_t worldFTileSoundDuration = 0;
    std::int32_t reserved3 = 0;
};

// A table of size() records whose storage is made in blocks of kBlock records, on the first write
// access to a record of a block: memory follows the records in use, not the capacity. A block's
// records start value-initialised; records never move once made. Reading (through a const table)
// a record whose block was never made gives a shared default record.
template <class T> class GrowingTable {
public:
    static constexpr std::size_t kBlock = 256;

    GrowingTable() = default;
    explicit GrowingTable(std::size_t n) { resize(n); }

    std::size_t size() const { return size_; }

    // Sets the capacity. Records that stay keep their contents; records past a smaller size are
    // dropped, so a later growth gives fresh ones.
    void resize(std::size_t n) {
        const std::size_t blocks = (n + kBlock - 1) / kBlock;
        if (n < size_ && blocks > 0 && blocks <= blocks_.size() && blocks_[blocks - 1]) {
            Block& last = *blocks_[blocks - 1];
            for (std::size_t i = n - (blocks - 1) * kBlock; i < kBlock; ++i) last[i] = T{};
        }
        blocks_.resize(blocks);
        size_ = n;
    }

    T& operator[](std::size_t i) {
        std::unique_ptr<Block>& b = blocks_[i / kBlock];
        if (!b) b = std::make_unique<Block>();
        return (*b)[i % kBlock];
    }
    const T& operator[](std::size_t i) const {
        const std::unique_ptr<Block>& b = blocks_[i / kBlock];
        return b ? (*b)[i % kBlock] : defaultRecord();
    }

    // Records whose storage exists (whole blocks).
    std::size_t madeRecords() const {
        std::size_t n = 0;
        for (const auto& b : blocks_) n += b ? kBlock : 0;
        return n;
    }

    // Calls f(record) for every record whose storage exists, without making any.
    template <class F> void forEachMade(F&& f) {
        for (std::size_t k = 0; k < blocks_.size(); ++k) {
            if (!blocks_[k]) continue;
            const std::size_t end = std::min(kBlock, size_ - k * kBlock);
            for (std::size_t i = 0; i < end; ++i) f((*blocks_[k])[i]);
        }
    }

    // Iteration over every record (making the storage of each).
    template <class Table, class Ref> class Iter {
    public:
        Iter(Table* t, std::size_t i) : t_(t), i_(i) {}
        Ref operator*() const { return (*t_)[i_]; }
        Iter& operator++() {
            ++i_;
            return *this;
        }
        bool operator!=(const Iter& o) const { return i_ != o.i_; }
        bool operator==(const Iter& o) const { return i_ == o.i_; }

    private:
        Table* t_;
        std::size_t i_;
    };
    Iter<GrowingTable, T&> begin() { return {this, 0}; }
    Iter<GrowingTable, T&> end() { return {this, size_}; }
    Iter<const GrowingTable, const T&> begin() const { return {this, 0}; }
    Iter<const GrowingTable, const T&> end() const { return {this, size_}; }

private:
    using Block = std::array<T, kBlock>;
    static const T& defaultRecord() {
        static const T r{};
        return r;
    }
    std::vector<std::unique_ptr<Block>> blocks_;
    std::size_t size_ = 0;
};

// Sizes the three parallel tables to `records` entries (MAXOBJECTS + 1). Records that survive keep
// their contents; new ones are zero-filled. A negative count is taken as 0.
void sizeObjectTables(GrowingTable<WorldObject>& objectTable, std::vector<std::int32_t>& collisionList,
                      GrowingTable<SpawnTemplate>& spawnTemplates, std::int32_t records);

// Releases one record's platform resources: Sprite; EffectImage and then EffectSprite; ShadowImage
// and then ShadowSprite; every frame sprite and frame image; and the object's sound. Only valid
// handles are freed. Texts and numbers stay as they are (the next load overwrites them).
void releaseObject(plat::Graphics& g, plat::Sound& s, WorldObject& o);

// Releases the resources of every record of the table (the world reset calls this before a load).
void releaseAllObjects(plat::Graphics& g, plat::Sound& s, GrowingTable<WorldObject>& objectTable);

// Calls f(name, field) for every scalar (number, handle or text) field of the record, under its
// field name, in declaration order. Used by the dump of scripted runs.
template <class Object, class F> void forEachObjectField(Object& o, F&& f) {
    // clang-format off
#define BT_FIELD(name) f(#name, o.name)
    BT_FIELD(MapX); BT_FIELD(MapY); BT_FIELD(Width); BT_FIELD(Height);
    BT_FIELD(worldFTileTransparency); BT_FIELD(worldFTileFadeIn); BT_FIELD(worldFTileFadeOut);
    BT_FIELD(worldFTileFadeInStep); BT_FIELD(worldFTileVELO); BT_FIELD(VelocityX); BT_FIELD(VelocityY);
    BT_FIELD(worldFTileMoveH); BT_FIELD(worldFTileMoveV); BT_FIELD(worldFTileRotate); BT_FIELD(rotationAngle);
    BT_FIELD(worldFTilePlayerMOVE); BT_FIELD(worldFTileFlire); BT_FIELD(StartX); BT_FIELD(StartY);
    BT_FIELD(OriginX); BT_FIELD(OriginY); BT_FIELD(ImageWidth); BT_FIELD(ImageHeight); BT_FIELD(ZoomX);
    BT_FIELD(ZoomY); BT_FIELD(ScaledWidth); BT_FIELD(ScaledHeight);
    BT_FIELD(Sprite); BT_FIELD(EffectImage); BT_FIELD(EffectSprite); BT_FIELD(ShadowImage);
    BT_FIELD(ShadowSprite); BT_FIELD(SoundHandle);
    BT_FIELD(KindIndex); BT_FIELD(SoundTableIndex); BT_FIELD(TransparencyValue); BT_FIELD(Layer);
    BT_FIELD(AnimFrame); BT_FIELD(AnimFramesDefault); BT_FIELD(AnimFramesRight); BT_FIELD(AnimFramesLeft);
    BT_FIELD(AnimFramesUp); BT_FIELD(AnimFramesDown); BT_FIELD(AnimMaxFrames); BT_FIELD(AnimTick);
    BT_FIELD(animTimer); BT_FIELD(worldFTileGOBACK); BT_FIELD(worldFTileTouchMove);
    BT_FIELD(worldFTileTouchTransparency); BT_FIELD(worldFTilePlayerID); BT_FIELD(worldFTileGravity);
    BT_FIELD(worldFTileFollowObject); BT_FIELD(worldFTileUseMoveLogic); BT_FIELD(worldFTileTouchRotate);
    BT_FIELD(worldFTileID); BT_FIELD(worldFTileLifeTime); BT_FIELD(worldFTileTimerMS); BT_FIELD(lifeTick);
    BT_FIELD(ownerIndex); BT_FIELD(worldFTileIsMirror); BT_FIELD(worldFTileSoundDuration); BT_FIELD(SoundStart);
    BT_FIELD(HasEffect); BT_FIELD(HasShadow); BT_FIELD(mirrorVisible); BT_FIELD(animAutoPlay);
    BT_FIELD(worldFTileCollision); BT_FIELD(worldFTileIsGUI); BT_FIELD(worldFStretch); BT_FIELD(Visible);
    BT_FIELD(worldFTileUseKeyboard); BT_FIELD(worldFTileUseJoyStick); BT_FIELD(worldFTileTransport);
    BT_FIELD(canMoveH); BT_FIELD(canMoveV); BT_FIELD(worldFTileRandomMove); BT_FIELD(worldFTileHideOnStart);
    BT_FIELD(shotInFlight); BT_FIELD(AI); BT_FIELD(SoundLoaded); BT_FIELD(worldFTileSoundVolume);
    BT_FIELD(IsInScreen);
    BT_FIELD(ObjectFile); BT_FIELD(worldFTile_EFFECT_GFX); BT_FIELD(worldFTileUseShadow); BT_FIELD(animContainer);
    BT_FIELD(worldFTileFollow); BT_FIELD(worldFTileIDString); BT_FIELD(worldFTileUseScript); BT_FIELD(useWeapon);
    BT_FIELD(postEFFECT); BT_FIELD(worldFTileMirrorAt); BT_FIELD(worldFTileSoundFile); BT_FIELD(worldFTileSoundType);
#undef BT_FIELD
    // clang-format on
}
