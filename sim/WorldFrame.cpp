// WorldFrame: the world frame.
#include "sim/WorldFrame.h"

#include <algorithm>
#include <cmath>

#include "engine/Biosim.h"
#include "platform/ErrorTrap.h"
#include "platform/Rounding.h"
#include "sim/Collision.h"
#include "sim/ObjectUpdate.h"
#include "world/KindNames.h"

namespace sim {

using namespace engine;

namespace {

constexpr plat::Rgb kClearColour = plat::rgb(1, 1, 1);

WorldObject& obj(Biosim& e, std::int32_t i) {
    return e.objectTable[static_cast<std::size_t>(i)];
}

// Highest live index, or -1 when no map object exists.
std::int32_t lastIndex(const Biosim& e) {
    if (e.level.liveObjects <= 0) return -1;
    return std::min<std::int32_t>(e.level.objectCount, static_cast<std::int32_t>(e.objectTable.size()) - 1);
}

float nearestF(double v) {
    return static_cast<float>(plat::roundHalfEvenPixel(v));
}

// The drawn alpha: transparency minus the running fade, within the 0..255 a vertex colour holds.
int alphaOf(const WorldObject& o) {
    return static_cast<int>(std::clamp<std::int64_t>(
        plat::roundHalfEvenPixel(o.worldFTileTransparency - o.worldFTileFadeIn), 0, 255));
}

void freeIfValid(plat::Graphics& g, plat::SpriteId& id) {
    if (id != 0 && g.isSprite(id)) g.freeSprite(id);
    id = 0;
}

void drawPass(Biosim& e) {
    plat::Graphics& g = e.gfx();
    const std::int32_t last = lastIndex(e);
    const bool fx = e.cfg.GLOBAL_GFX_FX != 0;
    for (std::int32_t i = 0; i <= last; ++i) {
        BT_CHECKPOINT();
        const WorldObject& o = obj(e, i);
        if (o.postEFFECT.empty()) {
            g.setBlend(plat::BlendSrcAlpha, plat::BlendInvSrcAlpha);
        } else {
            const BlendPair blend = decodePostEffect(o.postEFFECT);
            if (blend.blendSource != 0 && blend.blendDest != 0)
                g.setBlend(blend.blendSource, blend.blendDest);
        }
        if (o.Visible >= 1 && e.mapOverview == 1)
            g.drawSprite(o.Sprite, nearestF(o.MapX * e.overviewScaleX), nearestF(o.MapY * e.overviewScaleY),
                         alphaOf(o));
        if (o.worldFStretch == 1) g.drawSprite(o.Sprite, 0, 0, alphaOf(o));
        if (o.IsInScreen == 1 && o.Visible >= 1 && e.mapOverview == 0 && o.worldFStretch == 0) {
            const float x = nearestF(o.MapX), y = nearestF(o.MapY);
            if (o.HasShadow == 1 && fx) {
                g.zoomSprite(o.ShadowSprite, nearestF(o.Width), nearestF(o.Height));
                g.drawSprite(o.ShadowSprite, x, y, 100);
            }
            if (o.worldFTileIsMirror == 0) g.drawSprite(o.Sprite, x, y, alphaOf(o));
            if (o.HasEffect == 1 && fx) {
                g.setBlend(plat::BlendSrcColor, plat::BlendSrcAlpha);
                g.drawSprite(o.EffectSprite, x, y, 255);
            }
        }
    }
}

void pictureInPicture(Biosim& e) {
    plat::Graphics& g = e.gfx();
    SimState& s = e.sim;
    freeIfValid(g, s.pipGrabSprite);
    s.pipGrabSprite =
        g.grabSprite(0, 0, static_cast<int>(plat::roundHalfEvenPixel(e.viewWidth() * 0.9)),
                     static_cast<int>(plat::roundHalfEvenPixel((e.viewHeight() - e.aspectOffsetY) * 0.9)), 4);
    if (s.pipGrabSprite == 0 || !g.isSprite(s.pipGrabSprite)) return;
    {
        g.setTransparentColour(s.pipGrabSprite, plat::rgb(255, 0, 255));
        s.pipWidth = static_cast<float>(g.spriteWidth(s.pipGrabSprite)) / 4.0f;
        s.pipHeight = static_cast<float>(g.spriteHeight(s.pipGrabSprite)) / 4.0f;
        freeIfValid(g, s.pipSprite);
        s.pipSprite = g.createDrawable(s.pipGrabSprite);
        if (e.cfg.APPSMOOTH != 0) {
            freeIfValid(g, s.smoothSprite);
            s.smoothSprite = g.createDrawable(s.pipGrabSprite);
        }
        g.zoomSprite(s.pipSprite, s.pipWidth, s.pipHeight);
    }
    if (s.pipSprite != 0 && g.isSprite(s.pipSprite)) g.drawSprite(s.pipSprite, 1, 1, 200);
}

void frameRateSample(Biosim& e) {
    SimState& s = e.sim;
    ++s.framesThisSecond;
    const std::int64_t t = e.clock().ticks();
    if (t > s.nextFpsTick) {
        if (s.framesThisSecond < 50 && e.multitaskDelayMs >= 1) --e.multitaskDelayMs;
        s.framesThisSecond = 0;
        s.nextFpsTick = t + 1000;
    }
}

void afterImage(Biosim& e) {
    int src = 0, dst = 0;
    if (e.cfg.BLOOM == 1 && e.actualMapId < world::kFirstScreenMap) {
        src = plat::BlendSrcAlpha;
        dst = plat::BlendOne;
    } else if (e.cfg.BLOOM == 0 || e.actualMapId >= world::kFirstScreenMap) {
        src = plat::BlendSrcAlpha;
        dst = plat::BlendInvSrcAlpha;
    } else {
        return;
    }
    plat::Graphics& g = e.gfx();
    SimState& s = e.sim;
    freeIfValid(g, s.smoothSprite);
    freeIfValid(g, s.smoothGrabSprite);
    s.smoothGrabSprite = g.grabSprite(0, 0, static_cast<int>(plat::roundHalfEvenPixel(e.viewWidth())),
                                      static_cast<int>(plat::roundHalfEvenPixel(e.viewHeight())), 5);
    if (s.smoothGrabSprite != 0 && g.isSprite(s.smoothGrabSprite))
        s.smoothSprite = g.createDrawable(s.smoothGrabSprite);
    if (s.smoothSprite != 0 && g.isSprite(s.smoothSprite)) {
        g.setBlend(src, dst);
        g.setQuality(1);
        g.drawSprite(s.smoothSprite, 0, 0, 150);
        g.setQuality(0);
    }
}

} // namespace

BlendPair decodePostEffect(const std::string& text) {
    const std::size_t x = text.find('x');
    if (x == std::string::npos || x == 0 || x + 1 >= text.size()) return {};
    return {static_cast<std::int8_t>(textio::toInt(std::string_view(text).substr(0, x))),
            static_cast<std::int8_t>(textio::toInt(std::string_view(text).substr(x + 1)))};
}

void drawMirror(Biosim& e, std::int32_t i) {
    const WorldObject& o = obj(e, i);
    const float sx = e.level.scrollX, sy = e.level.scrollY, w = o.Width, h = o.Height;
    float l = 0, t = 0, rw = 0, rh = 0;
    const std::string& at = o.worldFTileMirrorAt;
    if (at == world::mirror::Left) {
        l = o.MapX - w + sx, t = o.MapY + sy, rw = w * 1.2f, rh = h;
    } else if (at == world::mirror::Right) {
        l = o.MapX + w + sx, t = o.MapY + sy, rw = w * 1.2f, rh = h;
    } else if (at == world::mirror::Top) {
        l = o.MapX + sx, t = o.MapY - h + sy, rw = w, rh = h * 1.2f;
    } else if (at == world::mirror::Down) {
        l = o.MapX + sx, t = o.MapY + h + sy, rw = w, rh = h * 1.2f;
    } else if (at == world::mirror::Floor) {
        l = o.MapX + sx, t = o.MapY + sy, rw = w * 1.1f, rh = h * 1.1f;
    } else {
        return;
    }
    plat::Graphics& g = e.gfx();
    SimState& s = e.sim;
    freeIfValid(g, s.mirrorGrabSprite);
    s.mirrorGrabSprite = g.grabSprite(
        static_cast<int>(plat::roundHalfEvenPixel(l)), static_cast<int>(plat::roundHalfEvenPixel(t)),
        static_cast<int>(plat::roundHalfEvenPixel(rw)), static_cast<int>(plat::roundHalfEvenPixel(rh)), 4);
    const bool grabbed = s.mirrorGrabSprite != 0 && g.isSprite(s.mirrorGrabSprite);
    if (grabbed) g.setTransparentColour(s.mirrorGrabSprite, plat::rgb(255, 255, 255));
    freeIfValid(g, s.mirrorSprite);
    if (!grabbed) return;
    s.mirrorSprite = g.createDrawable(s.mirrorGrabSprite);
    g.zoomSprite(s.mirrorSprite, w, h);
    if (e.mapOverview == 0) g.drawSprite(s.mirrorSprite, o.MapX + sx, o.MapY + sy, o.worldFTileIsMirror);
}

void updatePass(Biosim& e) {
    collisionGridInvalidate(e);
    const std::int32_t last = lastIndex(e);
    for (std::int32_t i = 0; i <= last; ++i) {
        BT_CHECKPOINT();
        objectUpdate(e, i);
    }
}

void worldFrame(Biosim& e) {
    plat::Graphics& g = e.gfx();
    if (e.clearScreenNeeded == 1) g.clear(kClearColour);
    if (e.mapOverview == 1) g.clear(kClearColour);
    if (e.mapOverview == 0 && e.pauseFlag == 0) updatePass(e);
    drawPass(e);
    if (e.cfg.PIP != 0) pictureInPicture(e);
    frameRateSample(e);
    if (e.mapOverview == 0) {
        const std::int32_t last = lastIndex(e);
        for (std::int32_t i = 0; i <= last; ++i) {
            BT_CHECKPOINT();
            postStep(e, i);
            const WorldObject& o = obj(e, i);
            if (o.worldFTileIsMirror >= 1 && e.mirrorsHidden == 0 && o.mirrorVisible == 1) drawMirror(e, i);
            if (e.pauseFlag == 0) lifeTimeStep(e, i);
        }
    }
    if (e.cfg.APPSMOOTH >= 1) afterImage(e);
}

} // namespace sim
