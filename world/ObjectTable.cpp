// ObjectTable: sizing the object tables and releasing the platform resources of object records.
#include "world/ObjectTable.h"

void sizeObjectTables(GrowingTable<WorldObject>& objectTable, std::vector<std::int32_t>& collisionList,
                      GrowingTable<SpawnTemplate>& spawnTemplates, std::int32_t records) {
    const std::size_t n = records > 0 ? static_cast<std::size_t>(records) : 0;
    objectTable.resize(n);
    collisionList.resize(n, 0);
    spawnTemplates.resize(n);
}

void releaseObject(plat::Graphics& g, plat::Sound& s, WorldObject& o) {
    if (g.isSprite(o.Sprite)) g.freeSprite(o.Sprite);
    // An animated object draws frame sprites; its own drawable is only reachable from here.
    if (g.isSprite(o.KindSprite)) g.freeSprite(o.KindSprite);
    if (g.isSprite(o.EffectImage)) {
        g.freeSprite(o.EffectImage);
        if (g.isSprite(o.EffectSprite)) g.freeSprite(o.EffectSprite);
    }
    if (g.isSprite(o.ShadowImage)) {
        g.freeSprite(o.ShadowImage);
        if (g.isSprite(o.ShadowSprite)) g.freeSprite(o.ShadowSprite);
    }
    if (o.anim) {
        AnimFrameBlock& a = *o.anim;
        for (int d = 0; d < kAnimDirections; ++d) {
            for (int k = 0; k < kAnimSlots; ++k) {
                if (g.isSprite(a.FrameSprites[d][k])) g.freeSprite(a.FrameSprites[d][k]);
                if (g.isSprite(a.FrameImages[d][k])) g.freeSprite(a.FrameImages[d][k]);
            }
        }
    }
    // Each object loads its own copy of its sound; a reset that kept them would let every map
    // load add to the sounds held until the end of the run.
    if (s.isSound(o.SoundHandle)) {
        s.stopSound(o.SoundHandle);
        s.freeSound(o.SoundHandle);
    }
}

void releaseAllObjects(plat::Graphics& g, plat::Sound& s, GrowingTable<WorldObject>& objectTable) {
    objectTable.forEachMade([&](WorldObject& o) { releaseObject(g, s, o); });
}
