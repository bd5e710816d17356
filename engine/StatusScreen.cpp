// StatusScreen: the 2D status layer (debug overlay, status screen, bottom bar).
#include "engine/StatusScreen.h"

#include <cmath>
#include <string>

#include "engine/Biosim.h"
#include "engine/DebugOverlay.h"

namespace engine {

namespace {

// Author credit inside the status banner.
constexpr const char* kCredit = "biosim by the biosim team";

std::string bannerText(const Biosim& e) {
    return std::string("###   KORVEX_ENGINE  ###    ") + kCredit +
           "   ###                 ### ERROR: NO VALID DATA ###                     ENGINE VERSION " +
           e.cfg.VERSION;
}

// One 8-bit character code as text (texts are 8-bit, drawn as Latin-1); code 0 is no character.
// Control codes (0-31, 127-159) and the no-break space have no glyph in any font and would be drawn
// as missing-glyph boxes: they become a printable character of the same code's row instead.
std::string charText(int code) {
    if (code <= 0 || code > 255) return {};
    if (code < 33 || (code >= 127 && code <= 160)) code = 33 + code % 94;
    return std::string(1, static_cast<char>(code));
}

void drawStatusScreen(Biosim& e) {
    plat::Graphics& g = e.gfx();
    plat::Random& r = e.random();
    g.setTextTransparent(true);
    const int w = static_cast<int>(std::lround(e.scrW));
    const int h = static_cast<int>(std::lround(e.scrH));
    for (int i = 0; i <= 500; ++i) {
        const int code = r.next(255);
        const int x = r.next(w);
        const int y = r.next(h);
        g.text(static_cast<float>(x), static_cast<float>(y), charText(code), plat::rgb(0, 100, 0),
               plat::rgb(0, 0, 0));
    }
    const float x = std::nearbyint(e.scrW / 4);
    const float y = static_cast<float>(e.statusLineY);
    const plat::Rgb green = plat::rgb(0, 255, 0);
    const plat::Rgb black = plat::rgb(0, 0, 0);
    g.text(x, y, bannerText(e), green, black);
    // The server lines name a fetch in progress; between fetches (a map the server could not give)
    // the screen says what is missing instead of claiming a fetch that is not happening.
    if (e.serverReachable == 0 || !e.server.fetching) {
        g.text(x, y + 28, "MISSING CONNECTION TO " + e.cfg.SIMCORE + std::to_string(e.nextMapId), green,
               black);
    } else {
        g.text(x, y + 28, "CONNECTING TO " + e.serverMaps + std::to_string(e.nextMapId), green, black);
        g.text(x, y + 56,
               "TRY TO GET: " + e.serverGfx + e.cfg.GFXCODEC +
                   "  LOAD TO MAP: " + std::to_string(e.level.objectCount) + " TILES",
               green, black);
    }
    e.statusLineY += 1;
    if (e.statusLineY > h) e.statusLineY = 0;
}

} // namespace

void drawStatusLayer(Biosim& e) {
    plat::Graphics& g = e.gfx();
    if (e.mapMissing == 1) g.clear(plat::rgb(0, 0, 0));
    g.begin2D();
    if (e.debugMode == 1) {
        drawGridCells(e);
        drawFigures(e);
    }
    if (e.kinds.lastTileId < 1 || e.mapMissing == 1) drawStatusScreen(e);
    g.fillBox(0, std::nearbyint(e.viewHeight() - e.aspectOffsetY), std::nearbyint(e.viewWidth()),
              std::nearbyint(e.aspectOffsetY), plat::rgb(1, 1, 1));
    g.end2D();
}

} // namespace engine
