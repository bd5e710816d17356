// ConfigKeys: the one table of biosim's configuration keys and codec names.
#include "engine/ConfigKeys.h"

#include "engine/Biosim.h"
#include "platform/TextIo.h"

namespace engine {

namespace {

// ---------------------------------------------------------------------------------------------
// Extra rules: what a key does beyond storing its value. Each is named in its key's row.
// ---------------------------------------------------------------------------------------------

void gridCellsFromGridSize(Biosim& e) {
    e.gridCellWidth = static_cast<float>(e.cfg.GRIDSIZE);
    e.gridCellHeight = static_cast<float>(e.cfg.GRIDSIZE);
}

// The grid has cells 0..256: a larger MATRIXSIZE is kept as written but the grid uses the cap.
void matrixSizeCapped(Biosim& e) {
    e.matrixSize = e.cfg.MATRIXSIZE > e.matrixSizeLimit ? e.matrixSizeLimit : e.cfg.MATRIXSIZE;
}

void scrollXFromOffset(Biosim& e) {
    e.level.scrollX = static_cast<float>(e.cfg.MATRIX_OFFSET_X);
}

void scrollYFromOffset(Biosim& e) {
    e.level.scrollY = static_cast<float>(e.cfg.MATRIX_OFFSET_Y);
}

void debugModeFromAppMode(Biosim& e) {
    e.debugMode = e.cfg.APPMODE;
}

void sourceWidthFromKey(Biosim& e) {
    e.srcScrW = e.cfg.SOURCEWIDTH;
}

void sourceHeightFromKey(Biosim& e) {
    e.srcScrH = e.cfg.SOURCEHEIGHT;
}

void firstMapFromAppEntry(Biosim& e) {
    e.nextMapId = e.cfg.APPENTRY;
}

// The value is a signed byte: 200 wraps to -56, and a negative sleep becomes 0 (in the stored value
// too).
void multitaskNeverBelowZero(Biosim& e) {
    if (e.cfg.MULTITASK < 0) e.cfg.MULTITASK = 0;
    e.multitaskDelayMs = e.cfg.MULTITASK;
}

using F = ConfigFile;
using C = Config;

// clang-format off
const ConfigKey kKeys[] = {
    {"SYSTEMTEXT", F::Ini, &C::SYSTEMTEXT, "", "system text file (required: without it the start ends)"},
    {"ATOMSYSTEM", F::Ini, &C::ATOMSYSTEM, "", "accepted and kept, not used"},
    {"GRIDSIZE", F::Ini, &C::GRIDSIZE, "0", "grid cell size in pixels (cells are square)", gridCellsFromGridSize},
    {"MATRIXSIZE", F::Ini, &C::MATRIXSIZE, "0", "highest grid index; the grid uses at most 256", matrixSizeCapped},
    {"MATRIX_OFFSET_X", F::Ini, &C::MATRIX_OFFSET_X, "0", "first horizontal scroll offset", scrollXFromOffset},
    {"MATRIX_OFFSET_Y", F::Ini, &C::MATRIX_OFFSET_Y, "0", "first vertical scroll offset", scrollYFromOffset},
    {"APPMODE", F::Ini, &C::APPMODE, "0", "1 starts with the debug overlay", debugModeFromAppMode},
    {"USEDEBUGLOG", F::Ini, &C::USEDEBUGLOG, "0", "accepted and kept, not used"},
    {"SCRSWITCHMS", F::Ini, &C::SCRSWITCHMS, "0", "milliseconds before the intro map 1001 switches to 1000"},
    {"BLOOM", F::Ini, &C::BLOOM, "0", "with `APPSMOOTH`, on maps below 1000: 1 blends the smoothing overlay additively, values other than 0 and 1 drop it"},
    {"CODECS", F::Ini, &C::CODECS, "", "codec file"},
    {"GFX", F::Ini, &C::GFX, "", "graphics folder: tile images, DNA files (`.dll`), `LOAD`/`LOADCIRCLE` pictures; appended to a map folder it names the listing of the map's tile kinds"},
    {"EFFECT_GFX", F::Ini, &C::EFFECT_GFX, "", "folder of effect and shadow images"},
    {"MAXOBJECTS", F::Ini, &C::MAXOBJECTS, "0", "capacity of the object table (records 0..MAXOBJECTS); at most 300,000 (larger values are cut with a warning)"},
    {"COREBRAIN", F::Ini, &C::COREBRAIN, "", "accepted and kept, not used"},
    {"DEBUGLOG", F::Ini, &C::DEBUGLOG, "", "accepted and kept, not used"},
    {"SIMCORE", F::Ini, &C::SIMCORE, "", "maps folder (`SIMCORE` + map id + `/`)"},
    {"GLOBAL_GFX_FX", F::Ini, &C::GLOBAL_GFX_FX, "0", "not 0: objects draw their shadow and effect images"},
    {"FONTFUNDAMENT", F::Ini, &C::FONTFUNDAMENT, "", "accepted and kept, not used"},
    {"SOURCEWIDTH", F::Ini, &C::SOURCEWIDTH, "1", "width of the screen the maps were made for", sourceWidthFromKey},
    {"ANIMSYSTEM", F::Ini, &C::ANIMSYSTEM, "", "folder of animation containers"},
    {"MAXANIMFRAMES", F::Ini, &C::MAXANIMFRAMES, "0", "most animation frames per object"},
    {"SOURCEHEIGHT", F::Ini, &C::SOURCEHEIGHT, "1", "height of the screen the maps were made for", sourceHeightFromKey},
    {"SOUNDPATH", F::Ini, &C::SOUNDPATH, "", "sounds folder"},
    {"FILELOADMUSIC", F::Ini, &C::FILELOADMUSIC, "", "music while a map of more than 500 tiles loads"},
    {"LOADPIC", F::Ini, &C::LOADPIC, "0", "1: loading screen for maps of more than 500 tiles"},
    {"IOPREFETCH", F::Ini, &C::IOPREFETCH, "0", "1: consecutive records of one tile reuse the lookup"},
    {"ERRORPATH", F::Ini, &C::ERRORPATH, kEngineFolderDefault, "error report file (the default, the world's `CORE/` folder, is no file)"},
    {"WARNINGS", F::Ini, &C::WARNINGS, kEngineFolderDefault, "warnings log file (the default, the world's `CORE/` folder, is no file)"},
    {"USRSCROLL", F::Ini, &C::USRSCROLL, "0", "not 0: arrows and joystick scroll the world"},
    {"VERSION", F::Ini, &C::VERSION, "VERSION INFO MISSING", "shown on the status screen"},
    {"DYNAMICSCROLL", F::Ini, &C::DYNAMICSCROLL, "0", "not 0: a player object near the screen's edges scrolls the world"},
    {"PIP", F::Ini, &C::PIP, "0", "not 0: a small copy of the frame (a quarter of its top-left 90 %) is drawn at its top left"},
    {"APPENTRY", F::Ini, &C::APPENTRY, "0", "first map id", firstMapFromAppEntry},
    {"APPSMOOTH", F::Ini, &C::APPSMOOTH, "0", "1 or more: the finished frame is drawn back over itself at alpha 150 (the smoothing overlay)"},
    {"MULTITASK", F::Ini, &C::MULTITASK, "0", "milliseconds slept per frame (a signed byte: negative and above 127 give 0)", multitaskNeverBelowZero},
    {"SERVER", F::Ini, &C::SERVER, "LOCAL", "asset server base address; LOCAL: none (maps then come from the server, see [server.md](server.md))"},
    {"SERVERNODE", F::Ini, &C::SERVERNODE, "", "server node path"},
    {"PATH", F::Ini, &C::PATH, "", "start-up report file (empty: none written)"},
    {"HELLO", F::Ini, &C::HELLO, "", "greeting file fetched from the server"},
    {"TEMP", F::Ini, &C::TEMP, "", "local folder for fetched files and their cache"},
    {"GFXCODEC", F::Codecs, &C::GFXCODEC, "", "graphics extension, e.g. `.png`"},
    {"SOUNDCODEC", F::Codecs, &C::SOUNDCODEC, "", "sound extension, e.g. `.ogg`"},
    {"MUSICCODEC", F::Codecs, &C::MUSICCODEC, "", "accepted and kept, not used"},
};
// clang-format on

} // namespace

std::span<const ConfigKey> configKeys() {
    return kKeys;
}

const ConfigKey* findConfigKey(ConfigFile file, std::string_view name) {
    for (const ConfigKey& k : kKeys)
        if (k.file == file && k.name == name) return &k;
    return nullptr;
}

std::string_view configKindName(const ConfigKey& key) {
    constexpr std::string_view names[] = {"text", "int", "byte", "float"};
    return names[key.member.index()];
}

void applyConfigValue(Biosim& e, const ConfigKey& key, const std::string& value) {
    Config& c = e.cfg;
    std::visit(
        [&](auto member) {
            using T = std::remove_reference_t<decltype(c.*member)>;
            if constexpr (std::is_same_v<T, std::string>) {
                c.*member = value;
            } else if constexpr (std::is_same_v<T, std::int32_t>) {
                c.*member = textio::toInt(value);
            } else if constexpr (std::is_same_v<T, std::int8_t>) {
                c.*member = textio::toByte(value);
            } else {
                c.*member = textio::toReal(value);
            }
        },
        key.member);
    if (key.extraRule != nullptr) key.extraRule(e);
}

} // namespace engine
