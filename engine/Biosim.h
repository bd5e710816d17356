// Biosim: the one engine context record of biosim.
//
// Every module function of biosim receives this record by reference (`Biosim& e`) and reads and
// writes the engine state in it directly: the engine globals under their own names, the
// configuration values, the tile kind tables, the grid matrix, the sound tables, the object tables
// and the world frame's state (`sim`). Nothing of the engine lives in C++ globals, so tests may build
// as many independent engines as they like.
//
// Lifetime: a new record holds the defaults that start-up sets (clearing plus step 2), so
// `Biosim e{platform};` is an engine ready for start-up. Sections below are grouped by who sets
// them and when they are cleared; three are records of their own: `level` (what the loaded map put
// into the world, cleared in one assignment by every map load), `kinds` (the tile kind tables, kept
// across maps) and `run` (the program's options and the loop's progress, kept for the whole run).
// Depends on: platform (services), world (object table, tile DNA), engine/SimState.h (world frame state).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/ServerState.h"
#include "engine/SimState.h"
#include "platform/Platform.h"
#include "world/KindNames.h"
#include "world/ObjectTable.h"
#include "world/TileDna.h"

namespace engine {

// One cell of the grid matrix: its rectangle and two bytes the grid operation leaves alone (the map
// loader sets `marker` from colliding objects; the debug overlay draws marked cells in red).
struct GridCell {
    // No member initialisers: the matrix is value-initialised (zero-filled) in one sweep.
    float x, y, width, height;
    std::int8_t marker;
    std::int8_t extra;
};
constexpr int kGridCells = 257;       // cells per side, indices 0..256
constexpr int kMatrixSizeLimit = 256; // highest index "MATRIXSIZE" may give

// One of the two loading pictures ("LOAD", "LOADCIRCLE").
struct LoadPicture {
    plat::SpriteId sprite3D = 0; // the drawable sprite made from the picture
    float scaledWidth = 0;       // picture width x scalerX
    float scaledHeight = 0;      // picture height x scalerY
    plat::SpriteId sprite = 0;   // the loaded picture (0 = missing)
    std::int8_t ready = 0;       // 1 when sprite3D exists
};

// One entry of the sound table: a sound name (file name without folder and extension).
struct SoundEntry {
    std::string name;
};
constexpr int kSoundTableSize = 257; // indices 0..256

// The configuration values of CORE/ini.crc, under their key names, with their defaults; and the three
// extensions of the codec file. One member per row of the configuration key table (ConfigKeys), which
// says what each key does; a test holds these defaults to the table's.
struct Config {
    std::string SYSTEMTEXT;      // path of the system text file
    std::string ATOMSYSTEM;      // stored only
    std::int32_t GRIDSIZE = 0;   // cell size (sets gridCellWidth and gridCellHeight)
    std::int32_t MATRIXSIZE = 0; // matrixSize (capped at 256)
    std::int32_t MATRIX_OFFSET_X = 0;
    std::int32_t MATRIX_OFFSET_Y = 0;
    std::int32_t APPMODE = 0;     // debugMode at start
    std::int8_t USEDEBUGLOG = 0;  // stored only
    std::int32_t SCRSWITCHMS = 0; // screen-switch time of the title screens
    std::int8_t BLOOM = 0;
    std::string CODECS;          // path of the codec file
    std::string GFX;             // graphics folder (tiles, DNA, loading pictures)
    std::string EFFECT_GFX;      // folder of effect and shadow images
    std::int32_t MAXOBJECTS = 0; // capacity of the object table (tables get MAXOBJECTS + 1)
    std::string COREBRAIN;       // stored only
    std::string DEBUGLOG;        // stored only
    std::string SIMCORE;         // maps folder
    std::int8_t GLOBAL_GFX_FX = 0;
    std::string FONTFUNDAMENT; // stored only
    float SOURCEWIDTH = 1.0f;  // srcScrW
    std::string ANIMSYSTEM;    // animation containers folder
    std::int32_t MAXANIMFRAMES = 0;
    float SOURCEHEIGHT = 1.0f; // srcScrH
    std::string SOUNDPATH;     // sounds folder
    std::string FILELOADMUSIC; // music played while a large map loads
    std::int8_t LOADPIC = 0;
    std::int8_t IOPREFETCH = 0;
    std::string ERRORPATH;     // error report file (default engineBasePath: not a file)
    std::string WARNINGS;      // warnings log file (default engineBasePath: not a file)
    std::int8_t USRSCROLL = 0; // 1 = arrows and joystick scroll the world
    std::string VERSION = "VERSION INFO MISSING";
    std::int8_t DYNAMICSCROLL = 0;
    std::int8_t PIP = 0;
    std::int32_t APPENTRY = 0; // first map id
    std::int8_t APPSMOOTH = 0;
    std::int8_t MULTITASK = 0;    // configured per-frame sleep (never below 0); the map switch restores it
    std::string SERVER = "LOCAL"; // asset server base address; "LOCAL" = none
    std::string SERVERNODE;
    std::string PATH;  // start-up report file (empty: none written)
    std::string HELLO; // greeting file fetched from the server
    std::string TEMP;  // local folder for server files

    // Codec file.
    std::string GFXCODEC;   // graphics extension, e.g. ".png"
    std::string SOUNDCODEC; // sound extension, e.g. ".ogg"
    std::string MUSICCODEC; // stored only
};

// What the loaded map put into the world: counts and positions of the object tables, the scroll
// offset, the highest layer. Cleared in one step (`e.level = LevelState{}`) by the world reset that
// starts every map load; nothing of an earlier map survives in it.
struct LevelState {
    std::int32_t objectCount = 0;    // highest object index in use
    std::int32_t collisionCount = 0; // last used position of collisionList
    std::int32_t maxLayer = 0;       // highest Layer of any loaded object
    float scrollX = 0, scrollY = 0;  // world scroll offset in pixels
    // Next spawnTemplates entry the loader fills. Templates belong to the map being loaded: a
    // projectile is reset only from this map's placement states, never from a kind of an earlier map.
    std::int32_t spawnTemplatePos = 0;
    // Objects created by the last load. objectCount is 0 both for no object and for one, so the
    // frame asks this count whether there is a world at all: an empty map runs no object update.
    std::int32_t liveObjects = 0;
    // Entries the last load put on the collision list; positions at or beyond it hold stale
    // indices of an earlier map and are never tested.
    std::int32_t collisionEntries = 0;
    bool capacityWarned = false; // the capacity warning is raised once per load
};

// The tile kind tables, indexed by tile id 0..tileCount. Refilled kind by kind by every map load
// (a tile id keeps its slot across maps); setTileCount resizes the tables together.
struct TileKindTable {
    std::int32_t tileCount = 0;     // highest tile id
    std::int32_t lastTileId = 0;    // highest tile id whose sprite loaded; kept across maps
    std::int32_t tileNameCount = 0; // names found for the current map (restarts per map)
    std::vector<std::string> tileNames = std::vector<std::string>(1); // grows, one spare, never shrinks
    std::vector<plat::SpriteId> tileSprites = std::vector<plat::SpriteId>(1);
    std::vector<float> tileWidths = std::vector<float>(1);
    std::vector<float> tileHeights = std::vector<float>(1);
    std::vector<world::TileDna> dnaTable = std::vector<world::TileDna>(1);
};

// Program options of scripted runs. Defaults give the plain program: full screen, real clock, no
// frame limit.
struct PlayOptions {
    bool headless = false;    // offscreen screen, boxes on standard error, virtual clock
    bool windowed = false;    // a window instead of full screen
    std::int64_t frames = -1; // leave the main loop after this many passes; -1 = no limit
    std::string screenshot;   // PNG of the last frame
    std::string dump;         // JSON of the engine state after the run
    std::string input;        // scripted input file
    bool seedSet = false;
    std::uint64_t seed = 0; // random seed
    int tickMs = 16;        // virtual clock step per pass (headless)
    bool noVsync = false;   // flip without waiting for the display's refresh (for measuring)
    std::int32_t playtestMap = world::kNoMap; // a map sent to the title map restarts this one instead
};

struct Biosim {
    explicit Biosim(plat::Platform& p);

    plat::Platform* platform; // the services; owned by the program's main
    plat::Graphics& gfx() { return platform->graphics(); }
    plat::Input& input() { return platform->input(); }
    plat::Sound& sound() { return platform->sound(); }
    plat::Dialogs& dialogs() { return platform->dialogs(); }
    plat::Clock& clock() { return platform->clock(); }
    plat::Random& random() { return platform->random(); }
    plat::Network& network() { return platform->network(); }

    // The working folder (ends with '/'); relative configured paths are taken from here.
    std::string workingFolder = "./";

    // ---- engine globals (cleared at process start, defaults set by start-up) --------------------
    std::string engineBasePath;                // working folder + "CORE/"
    std::int32_t actualMapId = world::kNoMap;  // loaded map; -1000 = none yet
    std::int32_t nextMapId = 0;                // map that should be loaded ("APPENTRY", hotkeys, actions)
    float desktopWidth = 0, desktopHeight = 0; // desktop 0 size
    std::int8_t desktopDepth = 0;              // desktop 0 colour depth
    float scrW = 1.0f, scrH = 1.0f;            // opened screen size
    float srcScrW = 1.0f, srcScrH = 1.0f;      // design screen size
    float scalerX = 1.0f, scalerY = 1.0f;      // sprite scale factors
    float screenAspect = 1.0f, sourceAspect = 1.0f;
    float gridCellWidth = 0, gridCellHeight = 0;
    std::int32_t matrixSize = 0; // highest grid index in use, capped at matrixSizeLimit
    std::int32_t matrixSizeLimit = kMatrixSizeLimit;
    // Most object records start-up allocates (a record and its spawn template take about 900 bytes,
    // so a mistyped "MAXOBJECTS" would otherwise ask for gigabytes before the first frame).
    std::int32_t maxObjectsLimit = 300000;
    std::int32_t debugMode = 0;                  // 1 = debug overlay
    std::int32_t pauseFlag = 0;                  // 1 = objects stand still, drawing goes on
    std::int8_t mapOverview = 0;                 // 1 = all sprites zoomed to one tenth
    std::int8_t musicOn = 1;                     // level music toggle
    std::int32_t levelMusicSound = -1;           // sound id of the level music, -1 = none
    std::int8_t multitaskDelayMs = 0;            // ms slept after each frame; never below 0
    std::int8_t joystickPresent = 0;             // 1 when a joystick was found
    std::int8_t mirrorsHidden = 0;               // 1 = no mirror images drawn
    float mouseWorldX = 0, mouseWorldY = 0;      // mouse position plus scroll offset
    std::int32_t mouseCellX = 0, mouseCellY = 0; // grid cell under the mouse
    std::int32_t screenOpened = 0;               // non-zero once the screen is open
    std::int8_t clearScreenNeeded = 1;           // 1 = the world frame clears the screen first

    // Further fixed defaults of start-up.
    int flipMode = 1;          // flip mode of the frame step
    std::int32_t mapMode = 13; // 13 "REGION", 14 "MAP"; no configuration key changes it
    float overviewScaleX = 1.0f, overviewScaleY = 1.0f; // 0.1 while mapOverview is on
    std::int8_t joyAxisX = 0, joyAxisY = 0;             // joystick axes read by the input step (-1, 0, +1)
    // Joystick buttons 9 and 10 as held at the previous pass: as toggles they act on the press only.
    std::array<bool, 2> joyToggleHeld{};

    // ---- configuration (CORE/ini.crc, codec file, system texts) ---------------------------------
    Config cfg;
    std::array<std::string, 8> errorTexts; // system texts by error index 0..7
    // Server locations ("SERVER" + "SERVERNODE" + the local folder), only when "SERVER" is not "LOCAL".
    std::string serverGfx, serverAnims, serverSounds, serverMaps;
    std::int8_t serverReachable = 0; // 1 when the greeting file was fetched; cleared by a failed download
    ServerState server;              // server tile numbering and fetch progress

    // ---- status layer, loading screen (defaults of start-up) ------------------------------------
    std::int8_t mapMissing = 0;              // 1 = the map folder does not exist
    std::int32_t statusLineY = 0;            // banner position of the status screen
    float aspectOffsetY = 1.0f;              // letterbox offset; height of the bottom bar
    std::array<LoadPicture, 2> loadPictures; // 0 "LOAD", 1 "LOADCIRCLE"
    float loadProgress = 1.0f;               // pixels of the progress bar filled
    float loadStep = 0;                      // added per loading step
    float loadBarHeight = 0;                 // thickness of the bar
    std::int8_t loadStepCounter = 0;         // steps since the last redraw
    std::int8_t loadFlipPending = 0;

    // ---- map loader state (set per load) --------------------------------------------------------
    std::int32_t currentTileId = 0;   // tile id of the last graphics lookup
    std::int32_t mapLineCounter = 0;  // record lines read in the current load
    std::string lastObjectName;       // tile name of the last record read
    std::int32_t mapTileCount = 0;    // number from the map's "_" file; 1 when missing
    std::int32_t mapSegment = 0;      // segment number being read
    std::int32_t mapLoading = 0;      // 1 while a switch is in progress
    plat::SoundId loadMusicSound = 0; // loading music, 0 = none
    std::int32_t mapStartTick = 0;    // tick when the last switch finished
    std::int8_t serverTileStart = 0;
    float aspectUnit = 0, aspectHeight = 0; // letterbox values of the screen scaling
    // The screen area the design is drawn in: the whole screen, or a centred area with bars when the
    // design scaled to the screen's width would not fit its height. Drawing, grabs and the mouse are
    // relative to its top-left corner.
    float viewX = 0, viewY = 0, viewW = 0, viewH = 0;
    float viewWidth() const { return viewW > 0 ? viewW : desktopWidth; }
    float viewHeight() const { return viewH > 0 ? viewH : desktopHeight; }

    // ---- tile kinds ------------------------------------------------------------------------------
    TileKindTable kinds;

    // ---- sounds ---------------------------------------------------------------------------------
    std::vector<std::string> soundFiles; // sound file list of SOUNDPATH, by index
    std::int32_t soundCount = 0;         // highest index of the list
    std::vector<SoundEntry> soundTable = std::vector<SoundEntry>(kSoundTableSize);

    // ---- grid matrix: kGridCells x kGridCells cells, cell (i, j) at i * kGridCells + j ----------
    std::vector<GridCell> gridMatrix = std::vector<GridCell>(kGridCells * kGridCells);
    GridCell& gridCell(int i, int j) { return gridMatrix[static_cast<std::size_t>(i) * kGridCells + j]; }

    // ---- object tables (capacity MAXOBJECTS + 1 after start-up; 3 records before) ---------------
    GrowingTable<WorldObject> objectTable = GrowingTable<WorldObject>(3);
    std::vector<std::int32_t> collisionList = std::vector<std::int32_t>(3); // objects with collision 1
    GrowingTable<SpawnTemplate> spawnTemplates = GrowingTable<SpawnTemplate>(3);
    std::int32_t mapExtentX = 0, mapExtentY = 0; // size of the world; never reset

    // ---- the current level (cleared by every map load) ------------------------------------------
    LevelState level;

    // ---- world frame state ----------------------------------------------------------------------
    SimState sim;

    // ---- run control (set by the program's main; kept for the whole run) --------------------------
    struct RunState {
        PlayOptions options;
        std::int64_t framesRun = 0; // main loop passes completed
        bool leaveLoop = false;     // set to end the main loop at the start of the next pass
    } run;
    // Ends the process (exit code 0 unless a scripted run says otherwise) after the services were
    // shut down. Tests replace it with one that throws, so a fatal path can be observed in-process.
    std::function<void(int)> exitProcess;
    // Shuts down the platform services (closes the screen and more). Set by the program's main.
    std::function<void()> shutdownServices;
    // Scripted runs: called with the pass number (1, 2, ...) at the start of every main loop pass,
    // and with 0 before the keyboard examination that precedes the loop; and after every pass.
    std::function<void(std::int64_t)> beforePass;
    std::function<void()> afterPass;
    // The world frame (clear, update, draw and post passes of every object), handed to the engine
    // by the program: the frame step calls it inside the 3D batch. Without one a frame shows only
    // the status layer. Kept across setDefaults.
    void (*worldFrame)(Biosim& e) = nullptr;
};

// A configured or stored path made usable: backslashes read as separators, and a relative path taken
// from the working folder. "" stays "" (no file).
std::string resolvePath(const Biosim& e, const std::string& path);

// Sets IsInScreen and mirrorVisible: on screen when the rectangle, shifted by the scroll offset,
// reaches or touches the desktop.
void visibilityTest(const Biosim& e, WorldObject& o);

} // namespace engine
