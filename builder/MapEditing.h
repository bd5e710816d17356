// MapEditing: the map being edited and the operations that change it directly.
//
// Placing appends one object at the cursor (up to MAXTILES), deleting marks the topmost present
// object of the current layer under the cursor, resizing changes the current tile kind's display
// size by wheel notches, scrolling moves every non-stretched object. MapEditing.cpp,
// MapEditingTiles.cpp and MapEditingCursor.cpp share this header.
#pragma once

#include <string>
#include <vector>

#include "builder/Builder.h"
#include "world/MapFormat.h"

namespace tarn {

// Place tile: only when the current kind has a sprite and the last object index is below MAXTILES.
// true when a tile was placed.
bool placeTile(Builder& b);
// Delete tile: the highest-index present object of the current layer whose rounded rectangle holds
// the cursor (edges included). true when one was deleted.
bool deleteTile(Builder& b);
// How many notches one wheel notch counts for while Shift is held.
constexpr int kShiftWheelFactor = 8;
// Resize tile kind by `notches` (wheel notches or one keypad step), keeping the kind's aspect ratio.
void resizeTileKind(Builder& b, int notches);
// Update cursor for `window`: in raster mode 2 one raster cell per axis from the mouse's relative
// movement; in modes 0 and 1 the mouse position relative to the window's inner area.
void updateCursor(Builder& b, int window);
// Examine the mouse, then update the cursor; the wheel movement is kept in `edit.wheelNotches`.
void examineMouseAndCursor(Builder& b, int window);
// Scroll every object whose stretch value is exactly 0 by `step` pixels.
void scrollMapHorizontally(Builder& b, int step);
void scrollMapVertically(Builder& b, int step);
// Layers 0..64: Page Up and Page Down.
void layerUp(Builder& b);
void layerDown(Builder& b);
// Raster mode changes (G also puts the cursor at (0, 0)).
void setRasterMode(Builder& b, std::uint8_t mode);
// New map: empties the map (kinds and pictures stay) and redraws.
void newMap(Builder& b);
// Clear world: frees every object and kind picture, sets the last object index to 0 and loads the
// DNA set again.
void clearWorld(Builder& b);

// The present objects in index order, in the map writers' form.
// One map object as the map formats write it.
world::PlacedTile placedTile(const EditorObject& o);
std::vector<world::PlacedTile> placedTiles(const Builder& b);
// What replacing the map met on the way.
struct MapReplaceReport {
    int cut = 0;           // tiles beyond MAXTILES, left out
    int outsideLayers = 0; // tiles on layers outside 0..255 (kept; the map folder cannot hold them)
};
// Replaces the map by `map`'s tiles, each filled from the kind of its name (a tile of a kind missing
// from the tile folder stays, without a picture); takes the scroll offset and raises the max used
// layer. Marks the map changed; does not redraw.
MapReplaceReport replaceMap(Builder& b, const world::LoadedMap& map);

// Kind lookup by tile file name; -1 when unknown.
int findKind(const Builder& b, const std::string& name);
// Fills object `i` from kind `kind` (name, sprite, size, DNA copies) without touching position/layer.
void fillObjectFromKind(Builder& b, EditorObject& o, int kind);

} // namespace tarn
