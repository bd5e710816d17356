// DnaWindow: the DNA editor in window 103 - one entry (key label, value field) per pair of the
// default DNA file, filled with a tile kind's DNA on selection, saved into the kind's DNA file and
// reset to the defaults.
//
// A tile's pairs are laid over the default entries by key, so a file that lists its keys in another
// order, lacks some or has keys the default file lacks loses nothing on save: keys of its own are
// shown (and written) after the default ones. Values are kept whole, ";" included; only the
// comment lines at the end of a file (keys starting with ";") are not entries.
#pragma once

#include <string>
#include <string_view>

#include "builder/Builder.h"

namespace tarn {

// Entries per column of the DNA window and the size of a label or a field.
constexpr int kDnaEntriesPerColumn = 16;
constexpr int kDnaFieldWidth = 164;
constexpr int kDnaFieldHeight = 20;
constexpr int kDnaPlaceholders = 97;
// Height of the SET_DNA and KILL_DNA buttons above the entries.
constexpr int kDnaButtonHeight = 48;

// Where the DNA window opens: at the top right of a desktop of `desktopW` x `desktopH`, wide and
// tall enough for `entries` entries in their columns, the buttons and the window's title and menu
// bars (`chromeHeight`) where the desktop allows; it never reaches into the left quarter, where
// the tile window stands, and scrolls when the desktop is too small.
struct WindowRect {
    int x = 0, y = 0, w = 0, h = 0;
};
WindowRect dnaWindowRect(std::size_t entries, int desktopW, int desktopH, int chromeHeight);
// How many entries the default DNA file gives (the placeholders when it cannot be read).
std::size_t defaultDnaEntryCount(const Builder& b);

// Builds the entries from the default DNA file (message 119 and placeholder entries when it does
// not open).
void buildDnaEntries(Builder& b);
// Rebuilds the entries and lays the DNA file `pathWithoutExtension` + ".dll" over them; the title
// becomes "DNA for Tile: " + path + " File:" + the selected kind's file name.
void showTileDna(Builder& b, const std::string& pathWithoutExtension);
// SET_DNA: writes the entries into the shown kind's DNA file and reads the kind's DNA again.
// Nothing happens before a kind was selected; a file that cannot be written keeps its old contents
// and gives message 124.
// The result tells what was written, for undo: the file, its contents before (when it existed)
// and after.
struct DnaSaved {
    bool ok = false;
    std::string path;
    bool existed = false;
    std::string before, after;
};
DnaSaved saveTileDna(Builder& b);
// KILL_DNA: the entries go back to the default values; the file on disk is unchanged until a save.
void resetTileDna(Builder& b);
// What a DNA key does, for the label's tool tip ("" for a key the builder does not know).
std::string_view dnaKeyHelp(std::string_view key);

} // namespace tarn
