// LoadingScreen: the loading screen shown while a large map loads, and its set-up at start-up.
#include "engine/LoadingScreen.h"

#include <cmath>

#include "engine/Biosim.h"

namespace engine {

void setupLoadingScreen(Biosim& e) {
    e.scalerX = e.scrW / e.srcScrW / 2.0f;
    e.scalerY = e.scrH / e.srcScrH / 2.0f;
    e.sourceAspect = e.srcScrW / e.srcScrH;
    e.screenAspect = e.scrW / e.scrH;
    if (e.scalerY == 0.0f) e.scalerY = 1.0f;
    if (e.scalerX == 0.0f) e.scalerX = 1.0f;

    plat::Graphics& g = e.gfx();
    const char* const names[2] = {"LOAD", "LOADCIRCLE"};
    for (int i = 0; i < 2; ++i) {
        LoadPicture& p = e.loadPictures[static_cast<std::size_t>(i)];
        p.sprite = g.loadSprite(resolvePath(e, e.cfg.GFX + names[i] + e.cfg.GFXCODEC));
        if (p.sprite == 0) continue;
        g.setTransparentColour(p.sprite, plat::rgb(255, 255, 255));
        p.sprite3D = g.createDrawable(p.sprite);
        const float w = static_cast<float>(g.spriteWidth(p.sprite));
        const float h = static_cast<float>(g.spriteHeight(p.sprite));
        if (p.sprite3D != 0) {
            p.ready = 1;
            g.zoomSprite(p.sprite3D, std::nearbyint(w * e.scalerX), std::nearbyint(h * e.scalerY));
        }
        p.scaledWidth = w * e.scalerX;
        p.scaledHeight = h * e.scalerY;
    }
}

void loadingStep(Biosim& e) {
    plat::Graphics& g = e.gfx();
    g.begin3D();
    const float turn[2] = {-1.0f, 1.0f};
    const int alpha[2] = {20, 200};
    for (int i = 0; i < 2; ++i) {
        const LoadPicture& p = e.loadPictures[static_cast<std::size_t>(i)];
        if (p.ready != 1) continue;
        g.rotateSprite(p.sprite3D, turn[i]);
        g.drawSprite(p.sprite3D, std::nearbyint(e.viewWidth() / 2 - p.scaledWidth / 2),
                     std::nearbyint(e.viewHeight() / 2 - p.scaledHeight / 2), alpha[i]);
    }
    g.end3D();

    e.loadStepCounter = static_cast<std::int8_t>(e.loadStepCounter + 1);
    e.loadProgress += e.loadStep;
    if (e.loadStepCounter > 10) {
        e.loadStepCounter = 0;
        g.begin2D();
        const float y0 = std::nearbyint(e.viewHeight() - e.aspectOffsetY - 2 * e.loadBarHeight);
        const float w = std::nearbyint(e.viewWidth());
        g.fillBox(0, y0, w, std::nearbyint(e.loadBarHeight + 2), plat::rgb(200, 200, 250));
        g.fillBox(0, y0, w, std::nearbyint(e.loadBarHeight - 2), plat::rgb(200, 200, 250));
        g.fillBox(0, y0, std::nearbyint(e.loadProgress), std::nearbyint(e.loadBarHeight),
                  plat::rgb(100, 100, 250));
        g.fillBox(0, std::nearbyint(e.viewHeight() - e.aspectOffsetY), w, std::nearbyint(e.aspectOffsetY),
                  plat::rgb(1, 1, 1));
        e.loadFlipPending = 1;
        g.end2D();
    }
    if (e.loadFlipPending == 1) {
        // Mode 0: loading pictures do not wait for the display, so a large map loads at full speed.
        g.flip(0);
        e.loadFlipPending = 0;
    }
}

} // namespace engine
