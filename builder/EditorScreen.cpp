// EditorScreen: one frame of the editor screen.
#include "builder/EditorScreen.h"

#include <algorithm>
#include <cmath>

#include "platform/TextIo.h"

namespace tarn {

namespace {

constexpr plat::Rgb kBackground = plat::rgb(10, 10, 10);
constexpr plat::Rgb kBlack = plat::rgb(0, 0, 0);
constexpr plat::Rgb kWhite = plat::rgb(255, 255, 255);
constexpr plat::Rgb kGridColour = plat::rgb(0, 255, 0);
constexpr plat::Rgb kEdgeColour = plat::rgb(255, 160, 0);
constexpr plat::Rgb kHelpBox = plat::rgb(15, 15, 15);
constexpr plat::Rgb kHelpText = plat::rgb(200, 255, 0);
// Layer passes beyond this draw nothing new for any map the builder makes (layers 0..64); the bound
// keeps a hand-edited layer number from turning one frame into billions of passes.
constexpr int kMaxLayerPasses = 1024;

// The design area's size in design pixels (the screen's before a screen was opened).
float areaWidth(const Builder& b) {
    return b.screen.designWidth > 0.0f ? b.screen.designWidth : static_cast<float>(b.screen.desktopWidth);
}
float areaHeight(const Builder& b) {
    return b.screen.designHeight > 0.0f ? b.screen.designHeight : static_cast<float>(b.screen.desktopHeight);
}

bool touchesDesktop(const Builder& b, const EditorObject& o) {
    return o.x + o.width >= 0.0f && o.x <= areaWidth(b) && o.y + o.height >= 0.0f && o.y <= areaHeight(b);
}

// Steps 1 to 6 of an object's pass, then the draw. Returns false when the object was skipped before
// its blending was set.
bool prepareObject(Builder& b, EditorObject& o, std::pair<int, int>& blend) {
    plat::Graphics& g = b.gfx();
    if (!touchesDesktop(b, o)) return false;
    if (o.sprite == 0 || !g.isSprite(o.sprite)) return false;
    blend = {plat::BlendSrcAlpha, plat::BlendInvSrcAlpha};
    if (o.stretch != 0.0f) {
        o.x = 0;
        o.y = 0;
        o.width = areaWidth(b);
        o.height = areaHeight(b);
    }
    const auto pair = postEffectPair(o.postEffect);
    if (pair.first != 0) blend = pair;
    return true;
}

void drawWorld(Builder& b) {
    plat::Graphics& g = b.gfx();
    g.clear(kBackground);
    ensureLayerBuckets(b);
    const int passes = std::min(b.map.maxUsedLayer, kMaxLayerPasses - 1);
    // The blending pair the last prepared object leaves set: the cursor tile is drawn under it
    // unless the current kind has a pair of its own.
    bool anyPrepared = false;
    std::pair<int, int> lastBlend{plat::BlendSrcAlpha, plat::BlendInvSrcAlpha};
    int highestPrepared = -1;
    for (int layer = 0; layer <= passes; ++layer) {
        for (int i : b.map.layerBuckets[static_cast<std::size_t>(layer & 255)]) {
            if (i > b.map.lastObject) continue;
            EditorObject& o = b.map.objects[static_cast<std::size_t>(i)];
            if (o.present < 1) continue;
            std::pair<int, int> blend;
            if (!prepareObject(b, o, blend)) continue;
            g.setBlend(blend.first, blend.second);
            const world::DesignFit& f = b.screen.fit;
            // A full-screen (stretched) tile covers what biosim stretches it over: the whole area the
            // design is drawn in, which is the whole screen unless the design is letterboxed.
            const float w = o.stretch != 0.0f && f.viewW > 0.0f ? f.viewW / f.scalerX : o.width;
            const float h = o.stretch != 0.0f && f.viewH > 0.0f ? f.viewH / f.scalerY : o.height;
            g.zoomSprite(o.sprite,
                         static_cast<float>(plat::roundHalfAwayInt32(w * b.screen.zoomX * f.scalerX)),
                         static_cast<float>(plat::roundHalfAwayInt32(h * b.screen.zoomY * f.scalerY)));
            g.drawSprite(o.sprite,
                         static_cast<float>(plat::roundHalfAwayInt32(screenX(b, o.x * b.screen.zoomX))),
                         static_cast<float>(plat::roundHalfAwayInt32(screenY(b, o.y * b.screen.zoomY))),
                         o.transparency);
            if (i > highestPrepared) {
                highestPrepared = i;
                lastBlend = blend;
                anyPrepared = true;
            }
        }
    }
    // Objects that sit on a layer no pass reached still went through steps 1 to 6 in the walk, and the
    // highest index among them may be the one whose pair is left set.
    if (passes >= 0) {
        for (int i = b.map.lastObject; i > highestPrepared; --i) {
            EditorObject& o = b.map.objects[static_cast<std::size_t>(i)];
            if (o.present < 1) continue;
            std::pair<int, int> blend;
            if (!prepareObject(b, o, blend)) continue;
            lastBlend = blend;
            anyPrepared = true;
            break;
        }
    }
    if (anyPrepared) g.setBlend(lastBlend.first, lastBlend.second);
    if (b.tiles.currentKind >= 0 && b.tiles.currentKind < static_cast<int>(b.tiles.kinds.size()) &&
        b.tiles.kinds[static_cast<std::size_t>(b.tiles.currentKind)].sprite != 0) {
        const TileKind& k = b.tiles.kinds[static_cast<std::size_t>(b.tiles.currentKind)];
        const auto pair = postEffectPair(k.dna ? k.dna->postEFFECT : std::string());
        if (pair.first != 0) g.setBlend(pair.first, pair.second);
    }
}

void drawCursorTile(Builder& b) {
    if (b.tiles.currentKind < 0 || b.tiles.currentKind >= static_cast<int>(b.tiles.kinds.size())) return;
    const TileKind& k = b.tiles.kinds[static_cast<std::size_t>(b.tiles.currentKind)];
    if (k.sprite == 0) return;
    if (b.edit.rasterMode == kRasterMatrixSize) b.clock().sleep(50);
    plat::Graphics& g = b.gfx();
    g.zoomSprite(k.sprite, static_cast<float>(plat::roundHalfAwayInt32(k.width * b.screen.fit.scalerX)),
                 static_cast<float>(plat::roundHalfAwayInt32(k.height * b.screen.fit.scalerY)));
    g.drawSprite(k.sprite,
                 static_cast<float>(plat::roundHalfAwayInt32(screenX(b, static_cast<float>(b.edit.cursorX)))),
                 static_cast<float>(plat::roundHalfAwayInt32(screenY(b, static_cast<float>(b.edit.cursorY)))),
                 255);
}

void drawGrid(Builder& b) {
    const int r = b.cfg.MATRIXRASTER;
    if (r <= 0) return; // no raster to draw (and no division by zero)
    // The raster's points in design pixels, over the design area.
    const float w = b.screen.designWidth > 0.0f ? b.screen.designWidth : b.cfg.WIDTH;
    const float h = b.screen.designHeight > 0.0f ? b.screen.designHeight : b.cfg.HEIGHT;
    const int columns = plat::roundHalfAwayInt32(static_cast<double>(w) / r);
    const int rows = plat::roundHalfAwayInt32(static_cast<double>(h) / r);
    plat::Graphics& g = b.gfx();
    for (int i = 0; i <= columns; ++i)
        for (int j = 0; j <= rows; ++j)
            g.point(std::round(screenX(b, static_cast<float>(i * r))),
                    std::round(screenY(b, static_cast<float>(j * r))), kGridColour);
}

// The edge of the design area, one pixel outside it, where it does not fill the screen.
void drawDesignEdge(Builder& b) {
    const world::DesignFit& f = b.screen.fit;
    const float w = std::round(areaWidth(b) * f.scalerX), h = std::round(areaHeight(b) * f.scalerY);
    if (w >= static_cast<float>(b.screen.desktopWidth) && h >= static_cast<float>(b.screen.desktopHeight))
        return;
    b.gfx().outlineBox(f.viewX - 1.0f, f.viewY - 1.0f, w + 2.0f, h + 2.0f, kEdgeColour);
}

void drawQuickHelp(Builder& b) {
    plat::Graphics& g = b.gfx();
    const int w = b.screen.desktopWidth, h = b.screen.desktopHeight;
    g.setTextTransparent(true);
    // Half the desktop wide, or wider when the longest line needs it (a narrow desktop).
    std::size_t longest = 0;
    for (const HelpLine& line : quickHelpLines()) longest = std::max(longest, line.text.size());
    const int needed = 64 + static_cast<int>(longest) * (g.textHeight() * 3 / 5);
    const int boxWidth = std::min(w, std::max(w / 2, needed));
    g.fillBox(0, static_cast<float>(h / 2 - 16), static_cast<float>(boxWidth), static_cast<float>(h / 2),
              kHelpBox);
    for (const HelpLine& line : quickHelpLines())
        g.text(32, static_cast<float>(h / 2 + line.offset), std::string(line.text), kHelpText, kBlack);
}

} // namespace

std::pair<int, int> postEffectPair(std::string_view text) {
    const std::size_t x = text.find('x');
    if (x == std::string_view::npos) return {0, 0};
    const int src = textio::toInt(text.substr(0, x));
    const int dst = textio::toInt(text.substr(x + 1));
    if (src != 0 && dst != 0) return {src, dst};
    return {0, 0};
}

std::vector<std::pair<int, std::string>> screenLogLines(const Builder& b) {
    std::vector<std::pair<int, std::string>> lines;
    lines.emplace_back(8, "QUADRAPLAN ScreenLog: Press [H] for QuickHelp");
    // The tiles on the map: deleted entries keep their index but are not counted.
    int tiles = 0;
    for (int i = 0; i <= b.map.lastObject && i < static_cast<int>(b.map.objects.size()); ++i)
        tiles += b.map.objects[static_cast<std::size_t>(i)].present != 0 ? 1 : 0;
    lines.emplace_back(28, "Tiles used in Map:" + std::to_string(tiles) + " of " +
                               std::to_string(b.cfg.MAXTILES));
    // The number of steps U can go back.
    lines.emplace_back(48, "MaxUndo" + std::to_string(b.edit.undoPosition - b.edit.undoLowMark));
    lines.emplace_back(68, "Actual Tile:" + std::to_string(b.tiles.currentKind));
    if (b.map.lastObject >= 0 && b.map.lastObject < static_cast<int>(b.map.objects.size())) {
        const EditorObject& last = b.map.objects[static_cast<std::size_t>(b.map.lastObject)];
        lines.emplace_back(88, "Internal Static TileID:" + std::to_string(last.kind));
        lines.emplace_back(108, "GFXFileName:" + last.name);
    }
    lines.emplace_back(128, "Actual Map Layer " + std::to_string(b.edit.currentLayer));
    std::string globalId;
    if (b.tiles.currentKind >= 0 && b.tiles.currentKind < static_cast<int>(b.tiles.kinds.size()) &&
        b.tiles.kinds[static_cast<std::size_t>(b.tiles.currentKind)].dna)
        globalId = b.tiles.kinds[static_cast<std::size_t>(b.tiles.currentKind)].dna->worldFTileID;
    lines.emplace_back(148, "Global TileID:" + globalId);
    lines.emplace_back(168, "Max Used Layer: " + std::to_string(b.map.maxUsedLayer));
    lines.emplace_back(188, "RasterMODE:" +
                                std::string(kRasterNames[std::min<std::size_t>(b.edit.rasterMode, 2)]));
    if (b.edit.toolsHidden == 1) lines.emplace_back(208, "For TileWindow press [TAB]");
    if (!b.edit.notice.empty()) lines.emplace_back(228, b.edit.notice);
    return lines;
}

const std::vector<HelpLine>& quickHelpLines() {
    static const std::vector<HelpLine> lines = {
        {0, "HELP: [H]"},
        {16, "[SCREEN UP]/[SCREEN DOWN] to change layer"},
        {32, "LeftMouseButton=Build Tile"},
        {48, "[U] = Undo, [R] = Redo, [G] To Use GRID,[C] To Switch ALL Raster Build OFF"},
        {64, "Use MouseWheel to resize tile"},
        {80, "[CURSOR]-Keys to move map in all directions"},
        {96, "Close TileMenuWindow To Start Tile Build"},
        {112, "Use [TAB] To Reactivate TileMenuWindow"},
        {128, "[LeftALT] RasterBuildMode: Use TileDimnsions To Move Tile"},
        {142, "Right MouseButton To Delete Tile  Using The Actual Layer"},
        {158, ""},
        {174, "TARN MAP BUILDER (QUADRAPLAN) for the ZEMA ENGINE - by the BIOSIM team"},
    };
    return lines;
}

void redraw(Builder& b) {
    plat::Graphics& g = b.gfx();
    if (!g.screenOpen()) return;
    g.begin3D();
    drawWorld(b);
    if (!b.input().mouseButton(2)) drawCursorTile(b);
    g.end3D();
    g.begin2D();
    g.setTextTransparent(false);
    for (const auto& [y, line] : screenLogLines(b)) g.text(0, static_cast<float>(y), line, kBlack, kWhite);
    drawGrid(b);
    drawDesignEdge(b);
    // The tool windows cover the screen log's corner: the layer, raster mode and current tile are
    // repeated at the bottom edge while they are shown.
    if (b.edit.toolsHidden != 1 && b.screen.desktopHeight > 0) {
        const std::string status =
            "Actual Map Layer " + std::to_string(b.edit.currentLayer) +
            "   RasterMODE:" + std::string(kRasterNames[std::min<std::size_t>(b.edit.rasterMode, 2)]) +
            "   Actual Tile:" + std::to_string(b.tiles.currentKind) +
            (b.edit.notice.empty() ? std::string() : "   " + b.edit.notice);
        g.text(0, static_cast<float>(b.screen.desktopHeight - g.textHeight() - 2), status, kBlack, kWhite);
    }
    if (b.edit.quickHelp == 1) drawQuickHelp(b);
    g.end2D();
    g.flip(0);
}

} // namespace tarn
