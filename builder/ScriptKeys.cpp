// ScriptKeys: the one table of tarn's script keys.
#include "builder/ScriptKeys.h"

#include "platform/TextIo.h"

namespace tarn {

namespace {

// ---------------------------------------------------------------------------------------------
// Extra rules: what a key does beyond storing its value. Each is named in its key's row.
// ---------------------------------------------------------------------------------------------

// The GUI height as first read, kept apart from the value later changes may make.
void guiHeightBase(Builder& b) {
    b.cfg.GUIHBase = b.cfg.GUIH;
}

// The picture detail is the drawing quality at once (without a platform there is nothing to set).
void drawingQualityFromDetail(Builder& b) {
    if (b.services.platform != nullptr) b.gfx().setQuality(b.cfg.GFXDETAIL == 0 ? 0 : 1);
}

void defaultDnaFileFromKey(Builder& b) {
    b.paths.dnaFile = textio::nativePath(b.cfg.DNA);
}

using F = ScriptFile;
using K = ScriptKind;
using S = Settings;

// clang-format off
constexpr ScriptKey kKeys[] = {
    {"DEFAULTINISCRIPT", F::Start, K::Text, &S::DEFAULTINISCRIPT, "", "screen script file, read as written (the `GFXSCRIPTS` put before it is still empty then)"},

    {"RESBASEW", F::Screen, K::Float, &S::RESBASEW, "0",
     "design width when the world's CORE/ini.crc gives no SOURCEWIDTH/SOURCEHEIGHT"},
    {"RESBASEH", F::Screen, K::Float, &S::RESBASEH, "0",
     "design height when the world's CORE/ini.crc gives no SOURCEWIDTH/SOURCEHEIGHT"},
    {"WINDOWMODE", F::Screen, K::Int, &S::WINDOWMODE, "0", "0 opens the windows at the desktop's size; any other value opens none and ends the start with message 100"},
    {"WINDOWFLAGS", F::Screen, K::Int, &S::WINDOWFLAGS, "0", "accepted and kept, not used"},
    {"DEPTH", F::Screen, K::Int, &S::DEPTH, "8", "accepted and kept, not used"},
    {"WIDTH", F::Screen, K::Float, &S::WIDTH, "0", "width the raster spans; the desktop's width replaces it when the windows open"},
    {"HEIGHT", F::Screen, K::Float, &S::HEIGHT, "0", "height the raster spans; the desktop's height replaces it when the windows open"},
    {"TOP", F::Screen, K::Int, &S::TOP, "0", "accepted and kept, not used"},
    {"LEFT", F::Screen, K::Int, &S::LEFT, "0", "accepted and kept, not used"},
    {"NAME", F::Screen, K::Text, &S::NAME, "", "accepted and kept, not used"},
    {"R", F::Screen, K::Int, &S::R, "0", "red of the transparent colour of tile pictures"},
    {"G", F::Screen, K::Int, &S::G, "0", "green of the transparent colour of tile pictures"},
    {"B", F::Screen, K::Int, &S::B, "0", "blue of the transparent colour of tile pictures"},
    {"GFXDETAIL", F::Screen, K::Int, &S::GFXDETAIL, "0", "0: pictures are drawn with point sampling, else with bilinear filtering", drawingQualityFromDetail},
    {"APPINIFILE", F::Screen, K::Text, &S::APPINIFILE, "", "application paths file"},
    {"DNA", F::Screen, K::Text, &S::DNA, "", "default DNA file of new tile kinds, as written (unset: `_DATA/DNA.dll` in the working folder)", defaultDnaFileFromKey},
    {"MAXTILES", F::Screen, K::Int, &S::MAXTILES, "0", "highest index of the map's tile table: a map holds MAXTILES + 1 tiles"},
    {"MATRIXRASTER", F::Screen, K::Int, &S::MATRIXRASTER, "0", "cell size in pixels of the matrix raster"},

    {"GFXPATH", F::AppPaths, K::Path, &S::GFXPATH, "", "tile folder: tile pictures and their DNA files"},
    {"SNDPATH", F::AppPaths, K::Path, &S::SNDPATH, "", "accepted and kept, not used"},
    {"SAVEPATH", F::AppPaths, K::Path, &S::SAVEPATH, "", "folder swept of interrupted saves' temporary files at start"},
    {"LOADPATH", F::AppPaths, K::Path, &S::LOADPATH, "", "folder swept of interrupted saves' temporary files at start"},
    {"GFXSCRIPTS", F::AppPaths, K::Path, &S::GFXSCRIPTS, "", "accepted and kept (the screen script it would prefix is read before it)"},
    {"MAPENV", F::AppPaths, K::Path, &S::MAPENV, "", "accepted and kept, not used"},
    {"LOGFILE", F::AppPaths, K::Path, &S::LOGFILE, "", "folder of the undo snapshots (`UNDO_RUNS/` + one folder per run)"},
    {"UNIVERSE", F::AppPaths, K::Path, &S::UNIVERSE, "", "accepted and kept, not used"},
    {"DEVELOPEPATH", F::AppPaths, K::Path, &S::DEVELOPEPATH, "", "accepted and kept, not used"},
    {"DESCRIPTOR", F::AppPaths, K::Path, &S::DESCRIPTOR, "", "accepted and kept, not used"},
    {"GUIINI", F::AppPaths, K::Path, &S::GUIINI, "", "GUI settings file"},
    {"CODECS", F::AppPaths, K::Path, &S::CODECS, "", "codec list file"},
    {"PROMO", F::AppPaths, K::Int, &S::PROMO, "0", "accepted and kept, not used"},
    {"PLAYTESTMAP", F::AppPaths, K::Path, &S::PLAYTESTMAP, "", "map folder the play-test saves to (unset: `MAPS/9999/` in the working folder)"},
    {"PLAYTESTRUN", F::AppPaths, K::Text, &S::PLAYTESTRUN, "", "biosim program of the play-test, relative to the working folder unless absolute (unset: the `biosim` beside tarn, else on the PATH)"},

    {"GFXCODEC", F::Codecs, K::Text, &S::GFXCODEC, "", "extension of tile pictures, e.g. `.png`"},
    {"SOUNDCODEC", F::Codecs, K::Text, &S::SOUNDCODEC, "", "accepted and kept, not used"},
    {"MUSICCODEC", F::Codecs, K::Text, &S::MUSICCODEC, "", "accepted and kept, not used"},

    {"MAXGUIITEMS", F::Gui, K::Int, &S::MAXGUIITEMS, "0", "accepted and kept, not used"},
    {"USEBGBOX", F::Gui, K::Int, &S::USEBGBOX, "0", "accepted and kept, not used"},
    {"GUITOP", F::Gui, K::Int, &S::GUITOP, "0", "accepted and kept, not used"},
    {"GUIH", F::Gui, K::Int, &S::GUIH, "0", "accepted and kept (and copied to GUIHBase), not used", guiHeightBase},
    {"GUIOBJECTSIZE", F::Gui, K::Int, &S::GUIOBJECTSIZE, "0", "accepted and kept, not used"},
};
// clang-format on

// Each row's kind reads into a member of its type.
constexpr bool kindsMatchMembers() {
    for (const ScriptKey& k : kKeys) {
        const std::size_t want = k.kind == K::Int ? 0 : k.kind == K::Float ? 1 : 2;
        if (k.member.index() != want) return false;
    }
    return true;
}
static_assert(kindsMatchMembers(), "a script key's kind and member type differ");

} // namespace

std::span<const ScriptKey> scriptKeys() {
    return kKeys;
}

const ScriptKey* findScriptKey(ScriptFile file, std::string_view name) {
    for (const ScriptKey& k : kKeys)
        if (k.file == file && k.name == name) return &k;
    return nullptr;
}

void applyScriptValue(Builder& b, const ScriptKey& k, const std::string& value) {
    switch (k.kind) {
    case K::Int:
        b.cfg.*std::get<int S::*>(k.member) = textio::toInt(value);
        break;
    case K::Float:
        b.cfg.*std::get<float S::*>(k.member) = textio::toReal(value);
        break;
    case K::Text:
        b.cfg.*std::get<std::string S::*>(k.member) = value;
        break;
    case K::Path:
        b.cfg.*std::get<std::string S::*>(k.member) = b.paths.workingFolder + textio::nativePath(value);
        break;
    }
    if (k.extraRule != nullptr) k.extraRule(b);
}

} // namespace tarn
