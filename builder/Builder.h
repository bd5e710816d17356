// Builder: tarn's builder state and its start values.
//
// Everything the map builder knows lives in one `Builder` record that every module function takes by
// reference, so tests build as many independent editors as they like. The record is made of
// sub-records grouped by lifetime, each with a banner saying when it is cleared: the services, the
// paths, the script values (filled once by the script chain), the screen, the tile kinds (refilled by
// every DNA set load), the map (replaced by loads, new map and undo), the map's file and the editing
// session. Resetting one lifetime is one assignment of its sub-record.
// Limits: kinds 0..1024 (tile file name table), layers 0..64, objects 0..MAXTILES.
// Depends on platform/ (interfaces only) and world/ (the tile kind DNA record).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "builder/KindDna.h"
#include "platform/Platform.h"
#include "platform/Rounding.h" // plat::roundHalfAwayInt32, the rounding of every editor position
#include "world/DesignFit.h"

namespace tarn {

class Windows; // Windows.h

// Window numbers.
constexpr int kMainWindow = 100;
constexpr int kAboutWindow = 101; // never opened; closed at shutdown if open
constexpr int kTileWindow = 102;
constexpr int kDnaWindow = 103;
constexpr int kSpareWindow = 120; // never opened; closed at shutdown if open

// Window event values handed to the event handler.
constexpr int kEventMenu = 13101;
constexpr int kEventGadget = 13100;
constexpr int kEventSize = 5;
constexpr int kEventPaint = 15;
constexpr int kEventClose = 16;
constexpr int kEventLeftButtonDown = 513;
// Further plain window messages the window layer reports; the handler treats them like any event.
constexpr int kEventKeyDown = 256;
constexpr int kEventKeyUp = 257;
constexpr int kEventMouseMove = 512;
constexpr int kEventLeftButtonUp = 514;
constexpr int kEventRightButtonDown = 516;
constexpr int kEventRightButtonUp = 517;
constexpr int kEventMouseWheel = 522;

// Raster modes.
constexpr std::uint8_t kRasterOff = 0;
constexpr std::uint8_t kRasterObjectSize = 1;
constexpr std::uint8_t kRasterMatrixSize = 2;

constexpr int kMaxLayer = 64;
constexpr int kTileNameSlots = 1025; // tile file names 0..1024

constexpr const char* kMainTitle = "QUADRAPLAN VERSION A140811 BASED ON ZEMA BUILDER VERSION 0.7";

// One event taken from the window layer: its value, the window it belongs to and, for menu and
// gadget events, the item or gadget number.
struct WindowEvent {
    int value = 0; // 0 = no event
    int window = 0;
    int number = 0;
    int x = 0, y = 0; // mouse events: the mouse relative to the window's inner area at the event
};

// Values of the five script files, one member per key of the script key table (ScriptKeys), which
// also gives each default: numbers keep 0 (DEPTH 8) and texts stay empty until a file sets them.
struct Settings {
    // Start script.
    std::string DEFAULTINISCRIPT;
    // Screen script.
    float RESBASEW = 0, RESBASEH = 0;
    int WINDOWMODE = 0;
    int WINDOWFLAGS = 0;
    int DEPTH = 8;
    float WIDTH = 0, HEIGHT = 0;
    int TOP = 0, LEFT = 0;
    std::string NAME;
    int R = 0, G = 0, B = 0; // transparent colour of tile pictures
    int GFXDETAIL = 0;
    std::string APPINIFILE;
    std::string DNA; // default DNA file
    int MAXTILES = 0;
    int MATRIXRASTER = 0;
    // Application paths file (working folder + value, except PROMO).
    std::string GFXPATH, SNDPATH, SAVEPATH, LOADPATH, GFXSCRIPTS, MAPENV, LOGFILE, UNIVERSE, DEVELOPEPATH,
        DESCRIPTOR, GUIINI, CODECS;
    int PROMO = 0;
    std::string PLAYTESTMAP; // map folder of the play-test (working folder + value; "" = MAPS/9999/)
    std::string PLAYTESTRUN; // biosim program of the play-test, as written ("" = beside tarn)
    // Codec list.
    std::string GFXCODEC, SOUNDCODEC, MUSICCODEC;
    // GUI settings.
    int MAXGUIITEMS = 0, USEBGBOX = 0, GUITOP = 0, GUIH = 0, GUIHBase = 0, GUIOBJECTSIZE = 0;
};

// One entry of the DNA window: a key label and its editable value field.
struct DnaField {
    std::string key, value;
    std::string help;         // what the key does (the label's tool tip)
    bool fromTile = false;    // the value was read from the tile's own DNA file
    bool placeholder = false; // "_key_FAIL" / "_val_FAIL" while the default DNA file is missing
};

// One tile kind: a picture in the tile folder with a DNA file beside it.
struct TileKind {
    std::string fileName;               // picture file name without extension; also names the DNA file
    std::shared_ptr<const KindDna> dna; // values read from the kind's DNA file (never null)
    plat::SpriteId picture = 0;         // loaded picture
    plat::SpriteId sprite = 0;          // drawable sprite made from the picture (0 = none)
    int menuPicture = 0;                // picture shown in the tile window (0 = none); window layer handle
    int menuX = 0, menuY = 0;           // top-left of the kind's cell in the tile window
    float width = 0, height = 0;        // display size of the next placed tile and of the cursor tile
};

// One placed tile.
struct EditorObject {
    std::string name;          // the kind's tile file name
    plat::SpriteId sprite = 0; // the kind's sprite
    float x = 0, y = 0;        // top-left in design pixels
    int kind = 0;              // internal static tile id (kind index in this run)
    float width = 0, height = 0;
    float stretch = 0;        // worldFStretch; non-zero: drawn over the whole desktop
    std::uint8_t present = 0; // 0 = deleted (entry kept)
    int layer = 0;
    std::string globalTileId;           // worldFTileID of the kind
    int transparency = 0;               // worldFTileTransparency, the drawing alpha
    std::string postEffect;             // postEFFECT, "SRCxDEST" blending pair
    std::shared_ptr<const KindDna> dna; // the kind's other DNA values, as they were at placement
};

// One cell of the tile window's picture grid, as the last "draw tile menu" laid it out.
struct TileMenuCell {
    int kind = 0;
    int x = 0, y = 0;
    int picture = 0;
};

// The name the status lines give each raster mode.
inline constexpr std::array<const char*, 3> kRasterNames{"OFF", "OBJECT_SIZE", "MATRIX_SIZE"};

// --- services: set by the caller before start-up, never owned; a reset of the state keeps them ---
struct BuilderServices {
    plat::Platform* platform = nullptr; // clock, input, graphics, dialogs
    Windows* windows = nullptr;         // the window layer (nullptr: no windows)
};

// --- folders and fixed paths: set at start-up from the working folder ---
struct BuilderPaths {
    std::string workingFolder; // current directory at start, ending with '/'
    std::string dnaFile;       // default DNA file (script key DNA replaces it)
    std::string startScript;   // working folder + "_DATA/ini.txt"
};

// --- screen: set when the screen is opened; the mini-map menu items change the zoom ---
struct BuilderScreen {
    int desktopWidth = 0, desktopHeight = 0; // taken when the screen was opened
    float zoomX = 1.0f, zoomY = 1.0f;        // world zoom; 0.1 in mini-map view
    float designWidth = 0, designHeight = 0; // the size maps are edited in (0 before the screen opens)
    std::string designSource;                // where the design size came from (for the screen log)
    world::DesignFit fit;                    // the design area in the window, biosim's fitting rule
};

// --- tile kinds: cleared when the DNA set is freed, refilled by every DNA set load ---
struct TileKinds {
    std::vector<TileKind> kinds;    // 0..last tile kind index
    int currentKind = -1;           // current tile kind; -1 when the set is empty
    std::vector<TileMenuCell> menu; // the picture grid of the tile window
};

// --- the map: replaced by loads, new map (which keeps the max used layer) and undo ---
struct EditorMap {
    std::vector<EditorObject> objects = std::vector<EditorObject>(1); // indices 0..MAXTILES, made as reached
    int lastObject = -1;                                              // highest index in use
    int maxUsedLayer = 0;                                             // highest layer a tile was placed on
    int scrollOffsetX = 0, scrollOffsetY = 0;                         // how far the map was scrolled
    // Drawing cache: object indices bucketed by layer, rebuilt when the map changed.
    std::vector<std::vector<int>> layerBuckets; // one bucket per low 8 bits of the layer
    bool bucketsDirty = true;                   // the buckets must be rebuilt before use
    // Deletion cache: object indices by layer and 128-pixel cell of the screen they cover; objects
    // that cover many cells (and stretched ones, which drawing moves) are in `wideObjects`. Rebuilt
    // when the map changed or scrolled.
    std::unordered_map<std::uint64_t, std::vector<int>> objectCells; // (layer, cell) -> object indices
    std::vector<int> wideObjects;                                    // objects tested at every cell
    bool cellsDirty = true;                                          // the cells must be rebuilt before use
    // Undo: whether the last snapshot saw this map (a replaced map is new to it) and the tile the last
    // deletion took (-1 = none since the last snapshot).
    bool snapshotted = false;
    int lastDeleted = -1;
};

// --- the map's file: set by loads and saves; new map and undo keep it ---
struct MapFileState {
    std::string name;      // current map file name
    bool modified = false; // the map changed since it was last loaded or saved
    std::string cutFrom;   // a map file that held more tiles than MAXTILES: never overwritten
};

// --- the editing session: set at start-up, kept until the editor quits ---
struct EditSession {
    int currentLayer = 1;                        // layer of the next placed tile (0..64)
    int cursorX = 0, cursorY = 0;                // where the next tile goes, in design pixels
    std::uint8_t rasterMode = kRasterMatrixSize; // how the cursor and the arrow keys step
    int wheelNotches = 0;                        // wheel notches the last mouse examination read; keypad
                                                 // + and - resize only while it is 0
    int buttonLatch = 0;                         // 1 while a mouse button stays down after its action
    int toolsHidden = 0;                         // 1: the tool windows are hidden (Tab)
    int quickHelp = 0;                           // 1: the quick help is shown (H)
    std::vector<DnaField> dnaFields;             // the DNA window's entries, default file's order first
    int dnaKind = -1;                            // tile kind the DNA window shows; -1 before any selection
    bool dnaReset = false;                // KILL_DNA put the defaults in the entries since the last selection
    int undoCounter = 0;                  // number of the next snapshot
    int undoPosition = 0;                 // snapshot the map stands at
    int undoHighMark = 0;                 // newest snapshot that redo can reach
    int undoLowMark = 0;                  // lowest snapshot number still on disk (older ones are removed)
    std::string snapshotFolder;           // this run's snapshot folder, ending with '/' ("" = LOGFILE itself)
    std::shared_ptr<void> snapshotLock;   // holds the folder's lock while the run lasts
    int savedMark = -1;                   // the folder's "saved" mark: 1 there, 0 not there, -1 not yet known
    int undoLastObject = -1;              // the map's last object index when the last snapshot was taken
    int undoScrollX = 0, undoScrollY = 0; // and its scroll offsets
    bool undoNoMapChange = false;         // the next snapshot is of a change that left the map alone
    std::string notice;                   // the last warning or result, shown in the screen log ("" = none)
    std::string lastFolder;               // where the next path requester starts ("" = the working folder)
    std::uint8_t quit = 0;                // 1 once the quit question was answered yes
};

// The whole editor state, one sub-record per lifetime (the banners above say when each is cleared).
struct Builder {
    BuilderServices services; // platform and window layer
    BuilderPaths paths;       // working folder, default DNA file, start script
    Settings cfg;             // script values, filled once by the script chain
    BuilderScreen screen;     // desktop size and zoom
    TileKinds tiles;          // the tile kinds of the DNA set, the current kind, the tile window grid
    EditorMap map;            // placed tiles, scroll offsets and the caches built from them
    MapFileState mapFile;     // the map's file name, its changed mark and the cut-file guard
    EditSession edit;         // layer, cursor, modes, DNA window, undo counters, notice, quit

    plat::Graphics& gfx() { return services.platform->graphics(); }
    plat::Input& input() { return services.platform->input(); }
    plat::Dialogs& dialogs() { return services.platform->dialogs(); }
    plat::Clock& clock() { return services.platform->clock(); }
};

// Resets the state to its start values (the services stay) and sets the working-folder paths.
void initBuilder(Builder& b, const std::string& workingFolder);

// The process's current directory, ending with '/'.
std::string currentFolder();

// Makes entry `index` of the object table available; false when it lies beyond MAXTILES.
bool objectSlot(Builder& b, int index);

// Design pixels to window pixels and back, through the design area's fit.
inline float screenX(const Builder& b, float x) {
    return b.screen.fit.viewX + x * b.screen.fit.scalerX;
}
inline float screenY(const Builder& b, float y) {
    return b.screen.fit.viewY + y * b.screen.fit.scalerY;
}
inline int designX(const Builder& b, int x) {
    return plat::roundHalfAwayInt32((static_cast<double>(x) - b.screen.fit.viewX) / b.screen.fit.scalerX);
}
inline int designY(const Builder& b, int y) {
    return plat::roundHalfAwayInt32((static_cast<double>(y) - b.screen.fit.viewY) / b.screen.fit.scalerY);
}

// Sets the design size (SOURCEWIDTH/SOURCEHEIGHT of the world's CORE/ini.crc, else RESBASEW/RESBASEH
// of the screen script, else the screen's size) and fits the design area into the screen; a notice
// says when the world's design size and the screen script's differ.
void fitDesignArea(Builder& b);

// Marks the map as changed so the next redraw rebuilds its layer buckets.
inline void mapChanged(Builder& b) {
    b.map.bucketsDirty = true;
    b.map.cellsDirty = true;
}

// The layer buckets (object indices by the low 8 bits of their layer, each in index order), rebuilt
// when the map changed since they were last made.
void ensureLayerBuckets(Builder& b);

} // namespace tarn
