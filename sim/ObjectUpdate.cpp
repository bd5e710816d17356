// ObjectUpdate: the object update and everything it hands each behaviour to (movement, player control,
// scrolling, rotation, weapons, life time, animation). The collision step is in Collision.cpp.
#include "sim/ObjectUpdate.h"

#include <algorithm>
#include <cmath>

#include "engine/Biosim.h"
#include "platform/Keys.h"
#include "platform/Rounding.h"
#include "sim/Actions.h"
#include "sim/Collision.h"
#include "sim/Following.h"
#include "sim/TitleScreens.h"
#include "world/KindNames.h"

namespace sim {

using namespace engine;

namespace {

WorldObject& obj(Biosim& e, std::int32_t i) {
    return e.objectTable[static_cast<std::size_t>(i)];
}

// True when `i` names a live object (the owner of a projectile, a list entry).
bool namesObject(const Biosim& e, std::int32_t i) {
    return i >= 0 && i <= e.level.objectCount && static_cast<std::size_t>(i) < e.objectTable.size() &&
           e.level.liveObjects > 0;
}

std::int64_t now(Biosim& e) {
    return e.clock().ticks();
}

// Ends an object: inactive, its shooter may fire again, no owner, sound stopped by the caller.
void releaseOwner(Biosim& e, WorldObject& o) {
    if (namesObject(e, o.ownerIndex)) obj(e, o.ownerIndex).shotInFlight = 0;
    o.ownerIndex = -1;
}

} // namespace

bool isNoneText(const std::string& s) {
    return world::isNoneName(s);
}

void effectExpiry(Biosim& e, std::int32_t i) {
    WorldObject& o = obj(e, i);
    if (o.IsInScreen != 0 || o.Visible == 0 || !world::isEffectKind(o.worldFTileIDString)) return;
    o.Visible = 0;
    releaseOwner(e, o);
    if (o.SoundHandle != 0) e.sound().stopSound(o.SoundHandle);
}

void flickerAndTurn(Biosim& e, std::int32_t i) {
    WorldObject& o = obj(e, i);
    plat::Random& rnd = e.random();
    if (o.worldFTileFlire != 0) {
        const int r = rnd.next(static_cast<int>(plat::roundHalfEvenPixel(o.worldFTileFlire)));
        o.Visible = r == 0 ? -1 : 1;
    }
    if (o.worldFTileRandomMove != 0) {
        const int r = rnd.next(o.worldFTileRandomMove);
        const bool h = o.worldFTileMoveH != 0, v = o.worldFTileMoveV != 0;
        switch (r) {
        case 1:
            if (h) o.worldFTileMoveH = 1;
            if (v) o.worldFTileMoveV = 1;
            break;
        case 2:
            if (h) o.worldFTileMoveH = -1;
            if (v) o.worldFTileMoveV = -1;
            break;
        case 3:
            if (v) o.worldFTileMoveV = -1;
            break;
        case 4:
            if (h) o.worldFTileMoveH = -1;
            break;
        case 5:
            if (h) o.worldFTileMoveH = 1;
            break;
        case 6:
            if (v) o.worldFTileMoveV = 1;
            break;
        default:
            break;
        }
    }
}

void fireWeapon(Biosim& e, std::int32_t i) {
    WorldObject& shooter = obj(e, i);
    if (shooter.shotInFlight != 0) return;
    std::int32_t p = -1;
    for (std::int32_t j = 0; j <= e.level.objectCount; ++j) {
        const WorldObject& c = obj(e, j);
        if (c.Visible == 0 && c.worldFTileIDString == shooter.useWeapon) {
            p = j;
            break;
        }
    }
    if (p < 0) return;
    WorldObject& pr = obj(e, p);
    // Only this map's templates: the loader restarts them with every world reset.
    const std::int32_t templates =
        std::min<std::int32_t>(e.level.liveObjects, static_cast<std::int32_t>(e.spawnTemplates.size()));
    for (std::int32_t k = 0; k < templates; ++k) {
        const SpawnTemplate& t = e.spawnTemplates[static_cast<std::size_t>(k)];
        if (t.worldFTileIDString != pr.worldFTileIDString) continue;
        pr.Visible = t.Visible;
        pr.worldFTileCollision = t.worldFTileCollision;
        pr.worldFTileTransparency = static_cast<float>(t.transparency);
        pr.worldFTileMoveV = t.worldFTileMoveV;
        pr.worldFTileMoveH = t.worldFTileMoveH;
        pr.VelocityY = t.VelocityY;
        pr.VelocityX = t.VelocityX;
        pr.worldFTileVELO = t.worldFTileVELO;
        pr.worldFTileRotate = t.worldFTileRotate;
        pr.useWeapon = t.useWeapon;
        pr.worldFTileLifeTime = t.worldFTileLifeTime;
        pr.lifeTick = t.lifeTick;
        pr.worldFTileTimerMS = t.worldFTileTimerMS;
        pr.worldFTileSoundFile = t.worldFTileSoundFile;
        pr.worldFTileSoundDuration = t.worldFTileSoundDuration;
        break;
    }
    const float x = shooter.MapX, y = shooter.MapY;
    const std::string& kind = pr.worldFTileIDString;
    if (world::isOneOf(kind, world::kCornerShotKinds)) {
        pr.MapX = x + shooter.Width;
        pr.MapY = y + shooter.Height;
    } else {
        pr.MapX = x + shooter.Width / 2;
        pr.MapY = y + shooter.Height / 2;
    }
    pr.ownerIndex = i;
    shooter.shotInFlight = 1;
    collisionGridSync(e, p);
}

void postStep(Biosim& e, std::int32_t i) {
    WorldObject& o = obj(e, i);
    o.canMoveV = 1;
    o.canMoveH = 1;
    if (o.worldFTileTouchTransparency != 0)
        o.worldFTileTransparency = static_cast<float>(o.TransparencyValue);
    if (o.worldFTileTouchRotate != 0) {
        if (o.worldFTileRotate > 0) o.worldFTileRotate -= 0.05f;
        if (o.worldFTileRotate < 0) o.worldFTileRotate += 0.05f;
    }
    if (o.SoundHandle != 0 && e.mapOverview == 0 && e.actualMapId < world::kFirstScreenMap) {
        const std::int64_t t = now(e);
        if (t > static_cast<std::int64_t>(o.worldFTileSoundDuration) + o.SoundStart) {
            plat::Sound& s = e.sound();
            if (o.IsInScreen == 1) {
                if (o.SoundLoaded == 1) {
                    s.playSound(o.SoundHandle, false);
                    o.SoundStart = static_cast<std::int32_t>(t);
                }
            } else if (s.isPlaying(o.SoundHandle)) {
                s.stopSound(o.SoundHandle);
            }
        }
    }
}

void lifeTimeStep(Biosim& e, std::int32_t i) {
    WorldObject& o = obj(e, i);
    if (o.worldFTileLifeTime <= 0) return;
    const std::int64_t t = now(e);
    if (static_cast<std::int64_t>(o.lifeTick) + o.worldFTileTimerMS < t) {
        o.lifeTick = static_cast<std::int32_t>(t + o.worldFTileTimerMS);
        --o.worldFTileLifeTime;
        if (o.worldFTileLifeTime < 1) {
            o.Visible = 0;
            releaseOwner(e, o);
            if (o.SoundLoaded == 1) e.sound().stopSound(o.SoundHandle);
        }
    }
}

void horizontalMove(Biosim& e, std::int32_t i) {
    WorldObject& o = obj(e, i);
    o.MapX += o.worldFTileMoveH * o.VelocityX * o.canMoveH;
    animHorizontalStep(e, i);
}

void verticalMove(Biosim& e, std::int32_t i) {
    WorldObject& o = obj(e, i);
    o.MapY += o.worldFTileMoveV * o.VelocityY * o.canMoveV;
    animVerticalStep(e, i);
}

void movementStep(Biosim& e, std::int32_t i) {
    WorldObject& o = obj(e, i);
    const bool player = o.worldFTilePlayerID != 0;
    int r = 5;
    if (!player) {
        r = e.random().next(o.worldFTileRandomMove != 0 ? o.worldFTileRandomMove : 5);
        if (r == 1 && o.worldFTileMoveH > 0) o.worldFTileMoveH = -o.worldFTileMoveH;
        if (r == 2 && o.worldFTileMoveH < 0) o.worldFTileMoveH = -o.worldFTileMoveH;
        if (r == 3 && o.worldFTileMoveV < 0) o.worldFTileMoveV = -o.worldFTileMoveV;
        if (r == 4 && o.worldFTileMoveV > 0) o.worldFTileMoveV = -o.worldFTileMoveV;
    }
    if (player) {
        if (o.worldFTileMoveH != 0) horizontalMove(e, i);
        if (o.worldFTileMoveV != 0) verticalMove(e, i);
    } else if (o.worldFTileUseMoveLogic != 0) {
        const int q = e.random().next(100);
        if (q == 1) o.worldFTileUseMoveLogic = 23;
        if (q == 2) o.worldFTileUseMoveLogic = 24;
        if (o.worldFTileUseMoveLogic == 23) {
            horizontalMove(e, i);
        } else if (o.worldFTileUseMoveLogic == 24) {
            verticalMove(e, i);
        }
    } else {
        horizontalMove(e, i);
        verticalMove(e, i);
    }
}

namespace {

void restrictMove(WorldObject& o) {
    switch (plat::roundHalfEvenPixel(o.worldFTilePlayerMOVE)) {
    case 1:
        o.worldFTileMoveV = 0;
        break;
    case 2:
        o.worldFTileMoveH = 0;
        break;
    case 3:
        if (o.worldFTileMoveH > 0) o.worldFTileMoveH = 0;
        o.worldFTileMoveV = 0;
        break;
    case 4:
        if (o.worldFTileMoveH < 0) o.worldFTileMoveH = 0;
        o.worldFTileMoveV = 0;
        break;
    case 5:
        if (o.worldFTileMoveV > 0) o.worldFTileMoveV = 0;
        o.worldFTileMoveH = 0;
        break;
    case 6:
        if (o.worldFTileMoveV < 0) o.worldFTileMoveV = 0;
        o.worldFTileMoveH = 0;
        break;
    default:
        break;
    }
}

} // namespace

void keyboardSteering(Biosim& e, WorldObject& o) {
    o.worldFTileMoveH = 0;
    o.worldFTileMoveV = 0;
    if (o.Visible == 1) {
        const plat::Input& in = e.input();
        if (in.keyHeld(plat::key::Left)) o.worldFTileMoveH = -1;
        if (in.keyHeld(plat::key::Right)) o.worldFTileMoveH = 1;
        if (in.keyHeld(plat::key::Up)) o.worldFTileMoveV = -1;
        if (in.keyHeld(plat::key::Down)) o.worldFTileMoveV = 1;
    }
    restrictMove(o);
}

void playerControl(Biosim& e, std::int32_t i) {
    WorldObject& o = obj(e, i);
    if (o.worldFTileUseKeyboard != 0) keyboardSteering(e, o);
    if (o.worldFTileUseJoyStick != 0 && e.joystickPresent != 0) {
        o.worldFTileMoveH = static_cast<float>(e.joyAxisX);
        // The stick reports up as +1; on the screen +1 moves down.
        o.worldFTileMoveV = static_cast<float>(-e.joyAxisY);
        restrictMove(o);
    } else {
        o.worldFTileUseKeyboard = o.worldFTileUseJoyStick;
        keyboardSteering(e, o);
    }
}

void dynamicScroll(Biosim& e, std::int32_t i) {
    WorldObject& p = obj(e, i);
    bool moved = false;
    if (p.canMoveH != 0 && (p.MapX > e.viewWidth() * 0.8f || p.MapX < e.viewWidth() * 0.2f) &&
        p.worldFTileMoveH != 0) {
        const float d = p.worldFTileMoveH * p.VelocityX;
        for (std::int32_t j = 0; j <= e.level.objectCount; ++j) {
            WorldObject& o = obj(e, j);
            if (j != i && o.worldFTileIsGUI == 0) o.MapX -= d;
        }
        p.MapX -= d;
        moved = true;
    }
    if (p.canMoveV != 0 && (p.MapY > e.viewHeight() * 0.8f || p.MapY < e.viewHeight() * 0.2f) &&
        p.worldFTileMoveV != 0) {
        const float d = p.worldFTileMoveV * p.VelocityY;
        for (std::int32_t j = 0; j <= e.level.objectCount; ++j) {
            WorldObject& o = obj(e, j);
            if (j != i && o.worldFTileIsGUI == 0) o.MapY -= d;
        }
        p.MapY -= d;
        moved = true;
    }
    // Every listed object moved: the grid is rebuilt before the next collision query.
    if (moved) collisionGridInvalidate(e);
}

void rotateObject(Biosim& e, std::int32_t i, float w, float h, float angle) {
    WorldObject& o = obj(e, i);
    const double r = std::sqrt(static_cast<double>(w) * w + static_cast<double>(h) * h) / 2.0;
    double a0 = 0;
    if (h != 0) {
        a0 = std::atan(static_cast<double>(w) / h);
    } else if (w != 0) {
        a0 = std::copysign(1.5707963267948966, static_cast<double>(w));
    }
    const double theta = angle;
    o.rotationAngle += o.worldFTileRotate;
    constexpr double kPi = 3.1415927;
    auto px = [&](double al) { return static_cast<float>(w / 2.0 + r * std::cos(al)); };
    auto py = [&](double al) { return static_cast<float>(h / 2.0 + r * std::sin(al)); };
    const double c0 = theta - a0, c1 = theta + a0, c2 = theta - a0 + kPi, c3 = theta + a0 + kPi;
    e.gfx().setCorners(o.Sprite, px(c0), py(c0), px(c1), py(c1), px(c2), py(c2), px(c3), py(c3));
}

void objectUpdate(Biosim& e, std::int32_t i) {
    // The table is far larger than the caches. Each update reads its own object from the first line
    // to the texts it tests (animation, weapon, kind), and the object at the same list position, read
    // at random: ask for those of an update a few ahead now, so that their misses overlap.
    constexpr std::int32_t kAhead = 8;
    if (const std::size_t j = static_cast<std::size_t>(i) + kAhead; j < e.objectTable.size()) {
        const WorldObject& next = e.objectTable[j];
        const char* first = reinterpret_cast<const char*>(&next);
        const char* end = reinterpret_cast<const char*>(&next.useWeapon + 1);
        for (const char* p = first; p < end; p += 64) __builtin_prefetch(p);
    }
    if (const std::int32_t j = i + 2 * kAhead; j <= e.level.collisionCount && j < e.level.collisionEntries &&
                                               static_cast<std::size_t>(j) < e.collisionList.size()) {
        const std::int32_t k = e.collisionList[static_cast<std::size_t>(j)];
        if (k >= 0 && static_cast<std::size_t>(k) < e.objectTable.size())
            __builtin_prefetch(&e.objectTable[static_cast<std::size_t>(k)]);
    }
    screenSwitchCheck(e);
    effectExpiry(e, i);
    WorldObject& o = obj(e, i);
    visibilityTest(e, o);
    if (i <= e.level.collisionCount && i < e.level.collisionEntries) {
        const std::int32_t k = e.collisionList[static_cast<std::size_t>(i)];
        if (namesObject(e, k)) visibilityTest(e, obj(e, k));
    }
    if (o.Visible == 0 || o.IsInScreen != 1) return;
    if (!isNoneText(o.animContainer) && o.animAutoPlay != 0) animDefaultStep(e, i);

    // Behaviour dispatch.
    if (!o.useWeapon.empty()) fireWeapon(e, i);
    if (o.worldFTileFadeIn != 0 && e.mapOverview == 0) {
        if (o.worldFTileFadeIn > 0) {
            o.worldFTileFadeIn -= o.worldFTileFadeInStep;
        } else {
            o.worldFTileFadeIn = 0;
        }
    }
    if (o.worldFTileGOBACK != 0) {
        if (o.MapX < o.StartX) o.worldFTileMoveH = 1;
        if (o.MapX > o.StartX) o.worldFTileMoveH = -1;
        if (o.MapY < o.StartY) o.worldFTileMoveV = 1;
        if (o.MapY > o.StartY) o.worldFTileMoveV = -1;
        if (std::fabs(o.MapX - o.StartX) <= 2.0f) o.worldFTileMoveH = 0;
        if (std::fabs(o.MapY - o.StartY) <= 2.0f) o.worldFTileMoveV = 0;
    }
    // Followers follow in region mode (mapMode is always 13): only while on screen themselves.
    if (o.worldFTileFollowObject != 0 && o.IsInScreen == 1) followRegion(e, o.worldFTileFollow, i);
    if (o.worldFTileRotate != 0) rotateObject(e, i, o.Width, o.Height, o.rotationAngle);
    if (o.worldFTilePlayerID != 0) playerControl(e, i);
    flickerAndTurn(e, i);
    if (o.worldFTileCollision != 0 && o.worldFTileVELO != 0) collisionStep(e, i);
    movementStep(e, i);
    if (o.worldFTilePlayerID != 0 && e.cfg.DYNAMICSCROLL != 0) dynamicScroll(e, i);
    flickerAndTurn(e, i);

    titleScreenCheck(e, e.actualMapId);
    collisionGridSync(e, i);
}

// ---- animation stepping ---------------------------------------------------------------------

namespace {

bool animTimerPasses(Biosim& e, WorldObject& o) {
    const std::int64_t t = now(e);
    if (o.animTimer == 0 || !(t > static_cast<std::int64_t>(o.AnimTick) + o.animTimer)) return false;
    o.AnimTick = static_cast<std::int32_t>(t);
    return true;
}

void advance(Biosim& e, WorldObject& o, int dir) {
    if (!o.anim) return;
    const std::int32_t counts[kAnimDirections] = {o.AnimFramesDefault, o.AnimFramesRight, o.AnimFramesLeft,
                                                  o.AnimFramesUp, o.AnimFramesDown};
    const std::int32_t count = std::min(counts[dir], kAnimSlots - 1);
    // A direction without frames keeps the sprite the object has: swapping in an empty slot
    // would make the object vanish.
    if (count < 1) return;
    o.AnimFrame = o.AnimFrame < count ? o.AnimFrame + 1 : 1;
    if (o.AnimFrame < 1 || o.AnimFrame > count) o.AnimFrame = 1;
    const AnimFrameBlock& a = *o.anim;
    o.Sprite = a.FrameSprites[dir][o.AnimFrame];
    o.Width = static_cast<float>(a.FrameWidths[dir][o.AnimFrame]);
    o.Height = static_cast<float>(a.FrameHeights[dir][o.AnimFrame]);
    e.gfx().zoomSprite(o.Sprite, o.Width, o.Height);
}

void growBox(WorldObject& o) {
    if (o.Width > o.ScaledWidth) o.ScaledWidth = o.Width;
    if (o.Height > o.ScaledHeight) o.ScaledHeight = o.Height;
}

} // namespace

void animDefaultStep(Biosim& e, std::int32_t i) {
    WorldObject& o = obj(e, i);
    if (!animTimerPasses(e, o)) return;
    advance(e, o, AnimDefault);
}

void animHorizontalStep(Biosim& e, std::int32_t i) {
    WorldObject& o = obj(e, i);
    if (!animTimerPasses(e, o)) return;
    const std::int64_t d = plat::roundHalfEvenPixel(o.worldFTileMoveH);
    if (d == 1) advance(e, o, AnimRight);
    if (d == -1) advance(e, o, AnimLeft);
    growBox(o);
}

void animVerticalStep(Biosim& e, std::int32_t i) {
    WorldObject& o = obj(e, i);
    if (!animTimerPasses(e, o)) return;
    const std::int64_t d = plat::roundHalfEvenPixel(o.worldFTileMoveV);
    if (d == 1) advance(e, o, AnimDown);
    if (d == -1) advance(e, o, AnimUp);
    growBox(o);
}

} // namespace sim
