// systemcore: configuration, codec and system text files, the start-up report, the warnings log,
// the fatal start-up error and the fatal error handler.
#include "engine/systemcore.h"

#include <cmath>
#include <cstdio>
#include <ctime>

#include "engine/Biosim.h"
#include "engine/GFXCORE.h"
#include "engine/basevars.h"
#include "platform/textio.h"

namespace {

// Appends lines (each ended with CR LF) to a file, creating it when missing. A name that cannot be
// opened as a file (empty, a folder, a missing folder) writes nothing.
bool appendLines(const std::string& path, const std::string& text) {
    if (path.empty()) return false;
    std::FILE* f = std::fopen(path.c_str(), "ab");
    if (!f) return false;
    const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}

std::string num(long long v) {
    return std::to_string(v);
}

const char* const kSystemTextCodes[8] = {
    "#ERROR_UNKNOWN", "#ERROR_INIT_IO",   "#ERROR_INIT_2D_GFX",           "#ERROR_INIT_3D_GFX",
    "#ERROR_INIT_UI", "#ERROR_INIT_INIT", "#ERROR_OPEN_DEVELOPER_WINDOW", "#ERROR_OPEN_WORLD_SCREEN",
};

// Whom to tell about a crash (printed at the end of the error report).
constexpr const char* kSupportContact = "the biosim maintainers (see README.md)";

} // namespace

// ---------------------------------------------------------------------------------------------
// Configuration file
// ---------------------------------------------------------------------------------------------

bool applyConfigPair(Biosim& e, const std::string& key, const std::string& v) {
    Config& c = e.cfg;
    using textio::toByte;
    using textio::toInt;
    using textio::toReal;
    // The table's order; keys are distinct, so the first match is the only one.
    if (key == "SYSTEMTEXT") {
        c.SYSTEMTEXT = v;
    } else if (key == "ATOMSYSTEM") {
        c.ATOMSYSTEM = v;
    } else if (key == "GRIDSIZE") {
        c.GRIDSIZE = toInt(v);
        e.gridCellWidth = static_cast<float>(c.GRIDSIZE);
        e.gridCellHeight = static_cast<float>(c.GRIDSIZE);
    } else if (key == "MATRIXSIZE") {
        c.MATRIXSIZE = toInt(v);
        e.matrixSize = c.MATRIXSIZE > e.matrixSizeLimit ? e.matrixSizeLimit : c.MATRIXSIZE;
    } else if (key == "MATRIX_OFFSET_X") {
        c.MATRIX_OFFSET_X = toInt(v);
        e.scrollX = static_cast<float>(c.MATRIX_OFFSET_X);
    } else if (key == "MATRIX_OFFSET_Y") {
        c.MATRIX_OFFSET_Y = toInt(v);
        e.scrollY = static_cast<float>(c.MATRIX_OFFSET_Y);
    } else if (key == "APPMODE") {
        c.APPMODE = toInt(v);
        e.debugMode = c.APPMODE;
    } else if (key == "USEDEBUGLOG") {
        c.USEDEBUGLOG = toByte(v);
    } else if (key == "SCRSWITCHMS") {
        c.SCRSWITCHMS = toInt(v);
    } else if (key == "BLOOM") {
        c.BLOOM = toByte(v);
    } else if (key == "CODECS") {
        c.CODECS = v;
    } else if (key == "GFX") {
        c.GFX = v;
    } else if (key == "EFFECT_GFX") {
        c.EFFECT_GFX = v;
    } else if (key == "MAXOBJECTS") {
        c.MAXOBJECTS = toInt(v);
    } else if (key == "COREBRAIN") {
        c.COREBRAIN = v;
    } else if (key == "DEBUGLOG") {
        c.DEBUGLOG = v;
    } else if (key == "SIMCORE") {
        c.SIMCORE = v;
    } else if (key == "GLOBAL_GFX_FX") {
        c.GLOBAL_GFX_FX = toByte(v);
    } else if (key == "FONTFUNDAMENT") {
        c.FONTFUNDAMENT = v;
    } else if (key == "SOURCEWIDTH") {
        c.SOURCEWIDTH = toReal(v);
        e.srcScrW = c.SOURCEWIDTH;
    } else if (key == "ANIMSYSTEM") {
        c.ANIMSYSTEM = v;
    } else if (key == "MAXANIMFRAMES") {
        c.MAXANIMFRAMES = toInt(v);
    } else if (key == "SOURCEHEIGHT") {
        c.SOURCEHEIGHT = toReal(v);
        e.srcScrH = c.SOURCEHEIGHT;
    } else if (key == "SOUNDPATH") {
        c.SOUNDPATH = v;
    } else if (key == "FILELOADMUSIC") {
        c.FILELOADMUSIC = v;
    } else if (key == "LOADPIC") {
        c.LOADPIC = toByte(v);
    } else if (key == "IOPREFETCH") {
        c.IOPREFETCH = toByte(v);
    } else if (key == "ERRORPATH") {
        c.ERRORPATH = v;
    } else if (key == "WARNINGS") {
        c.WARNINGS = v;
    } else if (key == "USRSCROLL") {
        c.USRSCROLL = toByte(v);
    } else if (key == "VERSION") {
        c.VERSION = v;
    } else if (key == "DYNAMICSCROLL") {
        c.DYNAMICSCROLL = toByte(v);
    } else if (key == "PIP") {
        c.PIP = toByte(v);
    } else if (key == "APPENTRY") {
        c.APPENTRY = toInt(v);
        e.nextMapId = c.APPENTRY;
    } else if (key == "APPSMOOTH") {
        c.APPSMOOTH = toByte(v);
    } else if (key == "MULTITASK") {
        // The value is a signed byte: 200 wraps to -56, and a negative sleep becomes 0.
        std::int8_t ms = toByte(v);
        if (ms < 0) ms = 0;
        c.MULTITASK = ms;
        e.multitaskDelayMs = ms;
    } else if (key == "SERVER") {
        c.SERVER = v;
    } else if (key == "SERVERNODE") {
        c.SERVERNODE = v;
    } else if (key == "PATH") {
        c.PATH = v;
    } else if (key == "HELLO") {
        c.HELLO = v;
    } else if (key == "TEMP") {
        c.TEMP = v;
    } else {
        return false;
    }
    return true;
}

void readConfiguration(Biosim& e) {
    textio::LineReader r;
    if (!r.open(textio::nativePath(e.engineBasePath + "ini.crc"))) fatalStartupError(e, 5);
    while (!r.eof()) {
        const std::string key = r.readLine();
        const std::string value = r.readLine(); // "" for an odd last line
        applyConfigPair(e, key, value);
    }
    loadCodecs(e, e.cfg.CODECS);
    if (e.cfg.SERVER != "LOCAL") {
        const std::string base = e.cfg.SERVER + e.cfg.SERVERNODE;
        e.serverGfx = base + e.cfg.GFX;
        e.serverAnims = base + e.cfg.ANIMSYSTEM;
        e.serverSounds = base + e.cfg.SOUNDPATH;
        e.serverMaps = base + e.cfg.SIMCORE;
        greetServer(e);
    }
    writeStartupReport(e);
}

void loadCodecs(Biosim& e, const std::string& path) {
    textio::LineReader r;
    if (path.empty() || !r.open(resolvePath(e, path))) return;
    while (!r.eof()) {
        const std::string name = r.readLine();
        r.readLine();
        const std::string value = r.readLine();
        r.readLine();
        if (name == "GFXCODEC") {
            e.cfg.GFXCODEC = value;
        } else if (name == "SOUNDCODEC") {
            e.cfg.SOUNDCODEC = value;
        } else if (name == "MUSICCODEC") {
            e.cfg.MUSICCODEC = value;
        }
    }
}

void loadSystemTexts(Biosim& e) {
    textio::LineReader r;
    if (e.cfg.SYSTEMTEXT.empty() || !r.open(resolvePath(e, e.cfg.SYSTEMTEXT))) fatalStartupError(e, 5);
    while (!r.eof()) {
        const std::string code = r.readLine();
        const std::string text = r.readLine();
        for (int i = 0; i < 8; ++i) {
            if (code == kSystemTextCodes[i]) {
                e.errorTexts[static_cast<std::size_t>(i)] = text;
                break;
            }
        }
    }
}

void greetServer(Biosim& e) {
    e.serverReachable = 0;
    const std::string url = e.cfg.SERVER + e.cfg.SERVERNODE + e.cfg.HELLO;
    if (e.network().download(url, resolvePath(e, e.cfg.TEMP + e.cfg.HELLO))) e.serverReachable = 1;
}

// ---------------------------------------------------------------------------------------------
// Start-up report and warnings
// ---------------------------------------------------------------------------------------------

void writeStartupReport(Biosim& e) {
    const Config& c = e.cfg;
    textio::LineWriter w;
    w.line("ENGINE LOCAL BASE: " + e.engineBasePath);
    auto block = [&](const std::string& sounds, const std::string& gfx, const std::string& anims,
                     const std::string& maps) {
        w.line("SOUNDS LOCATED: " + sounds);
        w.line("SOUND CODEC: " + c.SOUNDCODEC);
        w.line("2DGFX LOCATED: " + gfx);
        w.line("GFX CODEC: " + c.GFXCODEC);
        w.line("ANIMS LOCATED: " + anims);
        w.line("MAPS LOCATED: " + maps);
        w.line("ENGINE BASE: " + e.engineBasePath);
    };
    if (c.SERVER != "LOCAL" && e.serverReachable) {
        w.line("ENGINE SERVER BASE: " + c.SERVER + c.SERVERNODE);
        w.line("SERVER HELLO: " + c.SERVER + c.SERVERNODE + c.HELLO);
        w.line("KORVEX SETTINGS FOR ACTUAL SESSION:");
        block(e.serverSounds, e.serverGfx, e.serverAnims, e.serverMaps);
    } else {
        if (c.SERVER != "LOCAL") {
            w.line("CONNECTION TO " + c.SERVER + " FAILED");
        } else {
            e.serverReachable = 0;
            w.line("CONNECTION TO " + c.SERVER);
        }
        w.line(" ");
        w.line("KORVEX SETTINGS FOR ACTUAL SESSION:");
        block(c.SOUNDPATH, c.GFX, c.ANIMSYSTEM, c.SIMCORE);
    }
    // The report replaces the old file entirely: a shorter report must not leave the tail of an
    // earlier run's report behind it.
    if (!c.PATH.empty()) textio::writeFileAtomic(resolvePath(e, c.PATH), w.content());
}

std::string dateText() {
    std::time_t now = std::time(nullptr);
    std::tm t{};
    localtime_r(&now, &t);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d,%02d,%02d  TIME:%02d:%02d:%02d", t.tm_year + 1900, t.tm_mon + 1,
                  t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
    return buf;
}

void warn(Biosim& e, const std::string& text) {
    if (e.cfg.WARNINGS.empty()) return;
    textio::LineWriter w;
    w.line("Warning:");
    w.line("Following Situation Caused This Warning:");
    w.line("");
    w.line("KORVEX WARNING:DATE:" + dateText());
    w.line(text);
    w.line("Program/Engine Is Continued");
    w.line("To Awoid Warnings Add Needed File(s) Or Use Correct Path/Data");
    w.line(
        "This Situation Is NOT Critical, Engine / Application Will Work Fine, But Without The Missing Data");
    w.line("");
    appendLines(resolvePath(e, e.cfg.WARNINGS), w.content());
}

// ---------------------------------------------------------------------------------------------
// Fatal errors
// ---------------------------------------------------------------------------------------------

void endProcess(Biosim& e, int code) {
    if (e.shutdownServices) e.shutdownServices();
    if (e.exitProcess) e.exitProcess(code);
    std::exit(code);
}

void fatalStartupError(Biosim& e, int index) {
    const std::string text = (index >= 0 && index < 8) ? e.errorTexts[static_cast<std::size_t>(index)] : "";
    e.dialogs().messageBox("KORVEX_CORE ERROR:", text, plat::Buttons::Ok);
    e.dialogs().messageBox("KORVEX_CORE INFO", "Sorry,Dear User: KORVEX has to quit, because of the error",
                           plat::Buttons::Ok);
    endProcess(e, 0);
}

std::string errorReportText(Biosim& e, const plat::ErrorInfo& info, const std::string& date) {
    // A tile name that is not one of the loaded kinds points at the map's content, not the engine.
    const bool contentError = findTileId(e, e.lastObjectName) < 0;

    static const WorldObject kNone{};
    const WorldObject& o =
        (e.objectCount >= 0 && e.objectCount < static_cast<std::int32_t>(e.objectTable.size()))
            ? e.objectTable[static_cast<std::size_t>(e.objectCount)]
            : kNone;
    int dw = 0, dh = 0, dd = 0;
    if (e.platform) {
        const plat::DesktopInfo d = e.gfx().desktop();
        dw = d.width;
        dh = d.height;
        dd = d.depth;
    }
    const std::string stars(66, '*');
    textio::LineWriter w;
    if (contentError) {
        w.line("THIS ERROR IS MAP/SEGMENT CONTENT ERROR  PLEASE CHECK CONTENT(FILES):");
        w.line("CHECK ******* SECTION FOR DETAILS, THANK YOU");
    }
    w.line(std::string(98, '-'));
    w.line("KORVEX ERROR HANDLER: ERROR DATE:" + date);
    w.line(info.message);
    w.line("Module:" + info.module + " AT LINE:" + num(info.line));
    w.line("FATAL ERROR,CAN NOT CONTINUE KORVEX_CORE, PLEASE CONTACT DEVELOPER");
    w.line("HOST-SYSTEMINFO: ");
    w.line("DESKTOPWIDTH: " + num(dw));
    w.line("DESKTOPHEIGHT: " + num(dh));
    w.line("DESKTOPDEPTH: " + num(dd));
    w.line("ACTUAL MAP ID# " + num(e.actualMapId));
    w.line("NEXT MAP ID#" + num(e.nextMapId));
    w.line("I/O STOPPED AT ID: " + num(e.objectCount));
    w.line("OBJECTS IN MAP: " + num(e.mapTileCount));
    w.line("LAST OBJECT LOAD: " + o.ObjectFile);
    w.line("OBJECT SPRITE3D ID  " + num(o.Sprite));
    w.line(stars);
    w.line("LAST MAP SEGMENT: " + e.cfg.SIMCORE + num(e.actualMapId) + "/" + num(e.mapSegment));
    w.line("TRYED TO LOAD:" + e.lastObjectName);
    w.line("AT MAP SEGMENT LINE: " + num(e.mapLineCounter));
    if (contentError) w.line(e.lastObjectName + " IS NOT PART OF THE GFXSYSTEM");
    w.line(stars);
    w.line("OBJECT USE ANIMCONTAINER: " + o.animContainer);
    w.line("OBJECT USE SOUNDFILE: " + o.worldFTileSoundFile);
    w.line("OBJECT SOUND ID: " + num(o.SoundHandle));
    w.line("I/O PREFETCH " + num(e.cfg.IOPREFETCH));
    w.line("USE LOAD SCREEN(ANIM) " + num(e.cfg.LOADPIC));
    w.line(std::string("PLEASE SEND THIS INFO: ") + kSupportContact + " OR POST INFO ON DEVELOPERs BOARD");
    w.line("");
    return w.content();
}

void fatalErrorHandler(Biosim& e, const plat::ErrorInfo& info) {
    const std::string report = errorReportText(e, info, dateText());
    appendLines(resolvePath(e, e.cfg.ERRORPATH), report);
    if (e.platform && e.gfx().screenOpen()) e.gfx().closeScreen();
    e.dialogs().messageBox("KORVEX ERRORHANDLER",
                           "Something went wrong, check " + e.cfg.ERRORPATH + " for details please",
                           plat::Buttons::Ok);
    endProcess(e, 0);
}

void registerFatalErrorHandler(Biosim& e) {
    Biosim* engine = &e;
    plat::setErrorHandler([engine](const plat::ErrorInfo& info) { fatalErrorHandler(*engine, info); });
}
