// TileMenu: the tile window's picture grid, its hit test and the menu bars.
#include "builder/TileMenu.h"

#include "builder/DnaWindow.h"

namespace tarn {

const std::vector<Menu>& tileMenuBar() {
    static const std::vector<Menu> menus = {
        {"BUILDER:",
         {{"Save Map NEW Format", 128},
          {"", 0},
          {"Load Map NEW Format", 129},
          {"", 0},
          {"Save Map Old Format...", 131},
          {"Load Map Old Format...", 130},
          {"", 0},
          {"Quit Builder", 106}}},
        {"MAP",
         {{"Redraw MAP", 115},
          {"", 0},
          {"New MAP", 117},
          {"", 0},
          {"Play-Test in biosim (F5)", 150},
          {"Export Tiled Map...", 151},
          {"Import Tiled Map...", 152}}},
        {"Refresh Tiles?", {{"Refresh", 116}}},
        {"Hide Window?", {{"Hide Window", 122}}},
        {"Tools:", {{"Show As MiniMap", 125}, {"Save MiniMap (Screenshot)", 126}, {"Show WorkMap", 127}}},
        {"Info", {{"About", 107}}},
    };
    return menus;
}

const std::vector<Menu>& dnaWindowMenu() {
    static const std::vector<Menu> menus = {
        {"DNA-SETTINGS:", {{"SET DNA", 110}, {"", 0}, {"KILL DNA", 109}}},
    };
    return menus;
}

void drawTileMenu(Builder& b) {
    b.tiles.menu.clear();
    if (!b.tiles.kinds.empty()) b.tiles.kinds[0].menuX = b.tiles.kinds[0].menuY = 0;
    const int inner = b.services.windows != nullptr ? b.services.windows->innerWidth(kTileWindow) : 0;
    int x = 0, y = 0;
    for (std::size_t i = 0; i < b.tiles.kinds.size(); ++i) {
        TileKind& k = b.tiles.kinds[i];
        k.menuX = x;
        k.menuY = y;
        if (k.menuPicture == 0) continue;
        b.tiles.menu.push_back(TileMenuCell{static_cast<int>(i), x, y, k.menuPicture});
        x += kTilePitch;
        if (inner - kTileWrapMargin < x) {
            x = 0;
            y += kTilePitch;
        }
    }
    if (b.services.windows != nullptr) b.services.windows->tileMenuChanged(b.tiles.menu);
}

void selectTileAtMouse(Builder& b, int mx, int my) {
    for (std::size_t i = 0; i < b.tiles.kinds.size(); ++i) {
        const TileKind& k = b.tiles.kinds[i];
        if (k.menuPicture == 0) continue;
        if (k.menuX < mx && mx < k.menuX + kTileCell && k.menuY < my && my < k.menuY + kTileCell) {
            b.tiles.currentKind = static_cast<int>(i);
            if (b.services.windows != nullptr)
                b.services.windows->setTitle(kTileWindow,
                                             "Tile:" + std::to_string(i) + "MAP: " + b.mapFile.name);
            showTileDna(b, b.cfg.GFXPATH + k.fileName);
        }
    }
}

void applyToolVisibility(Builder& b) {
    if (b.services.windows == nullptr) return;
    const bool visible = b.edit.toolsHidden != 1;
    if (b.services.windows->isOpen(kTileWindow)) b.services.windows->setVisible(kTileWindow, visible);
    if (b.services.windows->isOpen(kDnaWindow)) b.services.windows->setVisible(kDnaWindow, visible);
}

} // namespace tarn
