// Configuration: the configuration, codec and system text files, the server greeting and the
// start-up report.
#include "engine/Configuration.h"

#include <cmath>
#include <filesystem>

#include "engine/Biosim.h"
#include "engine/FatalErrors.h"
#include "engine/ServerFetch.h"
#include "platform/TextIo.h"

namespace engine {

namespace {

const char* const kSystemTextCodes[8] = {
    "#ERROR_UNKNOWN", "#ERROR_INIT_IO",   "#ERROR_INIT_2D_GFX",           "#ERROR_INIT_3D_GFX",
    "#ERROR_INIT_UI", "#ERROR_INIT_INIT", "#ERROR_OPEN_DEVELOPER_WINDOW", "#ERROR_OPEN_WORLD_SCREEN",
};

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
    const std::string file = textio::nativePath(e.engineBasePath + "ini.crc");
    if (!r.open(file)) fatalStartupError(e, 5, "CONFIGURATION FILE MISSING: " + file);
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
    if (e.cfg.SYSTEMTEXT.empty() || !r.open(resolvePath(e, e.cfg.SYSTEMTEXT)))
        fatalStartupError(e, 5, "SYSTEM TEXT FILE MISSING: " + resolvePath(e, e.cfg.SYSTEMTEXT));
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
    // The greeting lands in "TEMP", like every later fetch: a missing folder would make a reachable
    // server look unreachable.
    makeTempFolder(e);
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
    if (!c.PATH.empty()) {
        const std::string path = resolvePath(e, c.PATH);
        // A report write killed mid-way in an earlier run left its temporary file beside the report.
        const std::filesystem::path folder = std::filesystem::path(path).parent_path();
        textio::removeStaleTemporaries(folder.empty() ? "." : folder.string());
        textio::writeFileAtomic(path, w.content());
    }
}

} // namespace engine
