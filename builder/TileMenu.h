// TileMenu: the tile window's picture grid, its hit test and the menu bars.
//
// Each tile kind with a menu picture gets a 48 x 48 cell on a 50-pixel pitch; a row wraps once x
// passes the window's inner width minus 64. Kinds without a picture take the position of the next
// kind that has one and cannot be selected.
#pragma once

#include <vector>

#include "builder/Builder.h"
#include "builder/Windows.h"

namespace tarn {

constexpr int kTileCell = 48;
constexpr int kTilePitch = 50;
constexpr int kTileWrapMargin = 64;
constexpr plat::Rgb kTileMenuBackground = plat::rgb(200, 200, 200);
constexpr plat::Rgb kTileNumberColour = plat::rgb(0, 255, 0);

// The menu bar of the tile window (menu 104) and the menu of the DNA window (menu 108).
const std::vector<Menu>& tileMenuBar();
const std::vector<Menu>& dnaWindowMenu();

// Lays the grid out for the tile window's current inner width and hands it to the window.
void drawTileMenu(Builder& b);
// Selects the kind whose cell holds the mouse position (mx, my), relative to the tile window's inner
// area (strictly inside); the walk goes on after a hit.
void selectTileAtMouse(Builder& b, int mx, int my);
// Applies the tools hidden flag to both tool windows.
void applyToolVisibility(Builder& b);

} // namespace tarn
