// EditorScreen: one frame of the editor screen.
//
// The world (layers from 0 to the max used layer, each in index order), the cursor tile, the screen
// log, the raster grid and the quick help panel, drawn through the platform's sprite screen. Frames
// are drawn only when something asks for one (main window events, new map, map loads).
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "builder/Builder.h"

namespace tarn {

// Draws and shows one frame.
void redraw(Builder& b);

// The blending pair of a postEFFECT text "SRCxDEST": both parts read as integers; {0, 0} unless
// both are non-zero.
std::pair<int, int> postEffectPair(std::string_view text);

// The screen log's lines with their y positions, as the next frame draws them.
std::vector<std::pair<int, std::string>> screenLogLines(const Builder& b);

// The quick help lines with their offsets below the middle of the desktop.
struct HelpLine {
    int offset;
    std::string_view text;
};
const std::vector<HelpLine>& quickHelpLines();

} // namespace tarn
