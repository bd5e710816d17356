// Configuration: the configuration, codec and system text files, the server greeting and the
// start-up report.
#include "engine/Configuration.h"

#include <filesystem>

#include "engine/Biosim.h"
#include "engine/ConfigKeys.h"
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
    const ConfigKey* k = findConfigKey(ConfigFile::Ini, key);
    if (k == nullptr) return false;
    applyConfigValue(e, *k, v);
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
        if (const ConfigKey* k = findConfigKey(ConfigFile::Codecs, name)) applyConfigValue(e, *k, value);
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
    const plat::Fetch r = e.network().fetch(url, resolvePath(e, e.cfg.TEMP + e.cfg.HELLO), false);
    if (r == plat::Fetch::Fetched) {
        e.serverReachable = 1;
    } else {
        // Maps then come from the cache or the local maps folder until the retry time has passed.
        serverUnreachable(e, "COULD NOT FETCH THE GREETING: " + url);
    }
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
