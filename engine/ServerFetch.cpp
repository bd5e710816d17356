// ServerFetch: maps, tiles and DNA files fetched from the asset server into "TEMP", and the cache
// that keeps them there.
#include "engine/ServerFetch.h"

#include <cctype>
#include <chrono>
#include <cmath>
#include <filesystem>

#include "engine/Biosim.h"
#include "engine/Logs.h"
#include "engine/TileKinds.h"
#include "world/MapFormat.h"
#include "world/TileDna.h"

namespace engine {

namespace fs = std::filesystem;

namespace {

// Server tiles are keyed on pure white, like the loading pictures.
constexpr plat::Rgb kServerTransparent = plat::rgb(255, 255, 255);

// A name as a warning may show it: control characters and bytes above 126 as "?".
std::string printable(const std::string& name) {
    std::string out = name;
    for (char& c : out) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 32 || u > 126) c = '?';
    }
    return out;
}

// What the screen shows while a map is fetched: where from, which file, how many are done. It is
// drawn only on an open screen and takes nothing from the random generator, so a fetched map plays
// exactly like the same map read locally.
void showProgress(Biosim& e, const std::string& url) {
    e.server.fetchingName = url;
    if (e.screenOpened == 0) return;
    // A flip may wait for the display: a map of many small files is shown ten times a second, not
    // once per file. The wall clock, not the engine's, so scripted runs stay the same.
    const auto now = std::chrono::steady_clock::now();
    if (e.server.filesDone != 0 && now - e.server.lastShown < std::chrono::milliseconds(100)) return;
    e.server.lastShown = now;
    plat::Graphics& g = e.gfx();
    const plat::Rgb green = plat::rgb(0, 255, 0);
    const plat::Rgb black = plat::rgb(0, 0, 0);
    g.clear(black);
    g.begin2D();
    g.setTextTransparent(true);
    const float x = std::nearbyint(e.scrW / 4);
    const float y = std::nearbyint(e.scrH / 2);
    g.text(x, y, "CONNECTING TO " + e.serverMaps + std::to_string(e.actualMapId), green, black);
    g.text(x, y + 28, "TRY TO GET: " + url, green, black);
    g.text(x, y + 56, "FILES DONE: " + std::to_string(e.server.filesDone), green, black);
    g.end2D();
    g.flip(e.flipMode);
}

// One file from the server into `localRel` (a configured path inside "TEMP"); an existing copy is
// revalidated instead of fetched again.
plat::Fetch fetchFile(Biosim& e, const std::string& url, const std::string& localRel) {
    e.server.fetching = true;
    showProgress(e, url);
    const plat::Fetch r = e.network().fetch(url, resolvePath(e, localRel), true);
    ++e.server.filesDone;
    e.server.fetching = false;
    if (r == plat::Fetch::Failed) {
        warn(e, "COULD NOT FETCH: " + url + "\rTHE SERVER COUNTS AS UNREACHABLE FROM HERE ON, FILES IN " +
                    e.cfg.TEMP + " ARE USED AS THEY ARE");
    }
    return r;
}

// A tile name as part of an address: every byte but letters, digits and "-._~" percent-encoded, so a
// name is always one file name on the server ("a b" is "a%20b"; "%2e%2e" stays those six characters,
// "#" and "?" cannot cut the address).
std::string urlName(const std::string& name) {
    static const char* const hex = "0123456789ABCDEF";
    std::string out;
    for (const char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (std::isalnum(u) || c == '-' || c == '.' || c == '_' || c == '~') {
            out += c;
        } else {
            out += '%';
            out += hex[u >> 4];
            out += hex[u & 15];
        }
    }
    return out;
}

bool ok(plat::Fetch r) {
    return r == plat::Fetch::Fetched || r == plat::Fetch::Unchanged;
}

// Removes the cached segments s .. last of a map folder: the server no longer has them, and the
// segment loop would otherwise read them after the segments it does have.
void dropSegmentsFrom(const Biosim& e, const std::string& folderRel, int s) {
    std::error_code ec;
    for (; s <= world::kMaxMapSegment; ++s) fs::remove(resolvePath(e, folderRel + std::to_string(s)), ec);
}

} // namespace

bool serverConfigured(const Biosim& e) {
    return e.cfg.SERVER != "LOCAL";
}

const std::string& mapsFolder(const Biosim& e) {
    return serverConfigured(e) ? e.cfg.TEMP : e.cfg.SIMCORE;
}

bool makeTempFolder(Biosim& e) {
    const std::string folder = resolvePath(e, e.cfg.TEMP);
    if (folder.empty()) return true; // the working folder itself
    std::error_code ec;
    fs::create_directories(folder, ec);
    return fs::is_directory(folder, ec);
}

bool safeServerName(std::string_view name) {
    if (name.empty()) return false;
    if (name.find("..") != std::string_view::npos) return false;
    for (const char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || u < 32 || u == 127) return false;
    }
    return true;
}

void fetchServerMapCount(Biosim& e, const std::string& m) {
    if (e.serverReachable != 1) return;
    const std::string folderRel = e.cfg.TEMP + m + "/";
    std::error_code ec;
    makeTempFolder(e);
    fs::create_directories(resolvePath(e, folderRel), ec);
    const plat::Fetch r = fetchFile(e, e.serverMaps + m + "/_", folderRel + "_");
    // A map without a tile count file is fine (the count is then 1), but an old copy must not stay.
    if (r == plat::Fetch::Missing) fs::remove(resolvePath(e, folderRel + "_"), ec);
    if (r == plat::Fetch::Failed) e.serverReachable = 0;
}

void fetchServerMap(Biosim& e, const std::string& m) {
    ServerState& st = e.server;
    st.tileIds.clear();
    st.nextTileId = 0;
    // Nothing of the previous map's kinds may be found by this map's records: its tile 0 goes, and
    // the tables shrink to one entry until this map's first server tile loads.
    setTileCount(e, 0);
    plat::Graphics& g = e.gfx();
    if (g.isSprite(e.kinds.tileSprites[0])) g.freeSprite(e.kinds.tileSprites[0]);
    e.kinds.tileSprites[0] = 0;
    e.kinds.tileNames[0].clear();
    e.kinds.tileNameCount = 0;

    const std::string folderRel = e.cfg.TEMP + m + "/";
    if (e.serverReachable == 1) {
        std::error_code ec;
        makeTempFolder(e);
        fs::create_directories(resolvePath(e, folderRel), ec);
        // The segment loop ends at the first segment number that does not open, so the fetch ends at
        // the first one the server does not have.
        for (int s = 0; s <= world::kMaxMapSegment; ++s) {
            const std::string name = std::to_string(s);
            const plat::Fetch r = fetchFile(e, e.serverMaps + m + "/" + name, folderRel + name);
            if (ok(r)) continue;
            if (r == plat::Fetch::Missing) dropSegmentsFrom(e, folderRel, s);
            // A map the server does not have at all counts as a failed download, like any other.
            if (r == plat::Fetch::Missing && s == 0) warn(e, "SERVER HAS NO MAP: " + e.serverMaps + m);
            if (r == plat::Fetch::Failed || s == 0) e.serverReachable = 0;
            break;
        }
    }
    std::error_code ec;
    if (e.serverReachable != 1 && fs::is_regular_file(resolvePath(e, folderRel + "0"), ec)) {
        warn(e,
             "SERVER " + e.cfg.SERVER + " NOT REACHABLE,\rMAP " + m + " PLAYS FROM THE CACHE: " + folderRel);
    }
}

bool loadServerTile(Biosim& e, const std::string& name, const std::string& where) {
    // The end marker of the original server protocol names no tile.
    if (name == "EXITIO") return true;
    if (!safeServerName(name)) {
        warn(e, "SERVER TILE NAME REFUSED: \"" + printable(name) + "\"\rMAP SEGMENT: " + where +
                    "\rAT LINE: " + std::to_string(e.mapLineCounter));
        return false;
    }
    ServerState& st = e.server;
    if (st.tileIds.count(name) != 0) return true;

    const std::string ext = e.cfg.GFXCODEC;
    if (e.serverReachable == 1) {
        const plat::Fetch image = fetchFile(e, e.serverGfx + urlName(name) + ext, e.cfg.TEMP + name + ext);
        if (image == plat::Fetch::Missing) {
            warn(e, "SERVER HAS NO TILE: " + e.serverGfx + name + ext + "\rMAP SEGMENT: " + where +
                        "\rAT LINE: " + std::to_string(e.mapLineCounter));
        }
        if (!ok(image)) {
            e.serverReachable = 0;
        } else {
            const plat::Fetch dna =
                fetchFile(e, e.serverGfx + urlName(name) + ".dll", e.cfg.TEMP + name + ".dll");
            std::error_code ec;
            // A kind without DNA on the server has none here either (as a local kind without a DNA
            // file); a transfer that failed is a failed download.
            if (dna == plat::Fetch::Missing) fs::remove(resolvePath(e, e.cfg.TEMP + name + ".dll"), ec);
            if (dna == plat::Fetch::Failed) e.serverReachable = 0;
        }
    }

    plat::Graphics& g = e.gfx();
    const std::string base = resolvePath(e, e.cfg.TEMP + name);
    const plat::SpriteId s = g.loadSprite(base + ext);
    if (s == 0) {
        st.tileIds[name] = -1;
        return true;
    }
    const std::int32_t id = st.nextTileId++;
    setTileCount(e, id);
    const auto ti = static_cast<std::size_t>(id);
    if (g.isSprite(e.kinds.tileSprites[ti])) g.freeSprite(e.kinds.tileSprites[ti]);
    g.setTransparentColour(s, kServerTransparent);
    e.kinds.tileSprites[ti] = s;
    e.kinds.tileNames[ti] = name;
    e.kinds.tileWidths[ti] = static_cast<float>(g.spriteWidth(s));
    e.kinds.tileHeights[ti] = static_cast<float>(g.spriteHeight(s));
    world::readTileDna(e.kinds.dnaTable[ti], base, name, s);
    e.kinds.lastTileId = id;
    e.kinds.tileNameCount = id + 1;
    st.tileIds[name] = id;
    return true;
}

void finishServerMap(Biosim& e) {
    e.serverTileStart = 1;
    e.server.filesDone = 0;
    e.server.fetchingName.clear();
}

} // namespace engine
