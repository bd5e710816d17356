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
    showTransferLines(e, e.scrW / 4,
                      {"CONNECTING TO " + e.serverMaps + std::to_string(e.actualMapId), "TRY TO GET: " + url,
                       "FILES DONE: " + std::to_string(e.server.filesDone)});
}

// Seconds of a duration, for warnings.
std::string seconds(std::chrono::milliseconds d) {
    return std::to_string((d.count() + 999) / 1000);
}

// One file from the server into `localRel` (a configured path inside "TEMP"); an existing copy is
// revalidated instead of fetched again. Nothing is asked once the map fetch's deadline has passed:
// that counts as a time-out. An answer that may not be stored is warned about here; a network
// failure makes the server unreachable for the retry time.
plat::Fetch fetchFile(Biosim& e, const std::string& url, const std::string& localRel) {
    ServerState& st = e.server;
    if (ServerState::Clock::now() >= st.mapDeadline) {
        serverUnreachable(e, "FETCHING MAP " + std::to_string(e.actualMapId) + " TOOK LONGER THAN " +
                                 seconds(st.mapFetchLimit) + " S, STOPPED BEFORE: " + url);
        return plat::Fetch::Unreachable;
    }
    st.fetching = true;
    showProgress(e, url);
    const plat::Fetch r = e.network().fetch(url, resolvePath(e, localRel), true);
    ++st.filesDone;
    st.fetching = false;
    if (r == plat::Fetch::Failed) {
        warn(e, "COULD NOT FETCH: " + url + "\rTHE ANSWER WAS REFUSED, " + e.cfg.TEMP +
                    " KEEPS ITS COPY IF IT HAS ONE");
    } else if (r == plat::Fetch::Unreachable) {
        serverUnreachable(e, "NO ANSWER FOR: " + url);
    }
    return r;
}

// Removes a cached file and the ETag kept beside it.
void dropCached(const Biosim& e, const std::string& localRel) {
    std::error_code ec;
    const std::string file = resolvePath(e, localRel);
    fs::remove(file, ec);
    fs::remove(plat::etagFile(file), ec);
}

bool ok(plat::Fetch r) {
    return r == plat::Fetch::Fetched || r == plat::Fetch::Unchanged;
}

// Removes the cached segments s .. last of a map folder: the server no longer has them, and the
// segment loop would otherwise read them after the segments it does have.
void dropSegmentsFrom(const Biosim& e, const std::string& folderRel, int s) {
    for (; s <= world::kMaxMapSegment; ++s) dropCached(e, folderRel + std::to_string(s));
}

// Fetches the files of map `m` from a reachable server into "TEMP" + m + "/". True when segment 0
// came from the server (fetched or confirmed unchanged).
bool fetchMapFiles(Biosim& e, const std::string& m) {
    const std::string folderRel = e.cfg.TEMP + m + "/";
    std::error_code ec;
    makeTempFolder(e);
    fs::create_directories(resolvePath(e, folderRel), ec);
    // The segment loop ends at the first segment number that does not open, so the fetch ends at
    // the first one the server does not have.
    const plat::Fetch first = fetchFile(e, e.serverMaps + m + "/0", folderRel + "0");
    if (first == plat::Fetch::Missing) {
        // The server has no such map: an old copy must not play, a local map may.
        warn(e, "SERVER HAS NO MAP: " + e.serverMaps + m);
        dropSegmentsFrom(e, folderRel, 0);
        dropCached(e, folderRel + "_");
        return false;
    }
    if (!ok(first)) return false;
    const plat::Fetch count = fetchFile(e, e.serverMaps + m + "/_", folderRel + "_");
    // A map without a tile count file is fine (the count is then 1), but an old copy must not stay.
    if (count == plat::Fetch::Missing) dropCached(e, folderRel + "_");
    for (int s = 1; s <= world::kMaxMapSegment && e.serverReachable == 1; ++s) {
        const std::string name = std::to_string(s);
        const plat::Fetch r = fetchFile(e, e.serverMaps + m + "/" + name, folderRel + name);
        if (ok(r)) continue;
        if (r == plat::Fetch::Missing) dropSegmentsFrom(e, folderRel, s);
        break;
    }
    return true;
}

} // namespace

void showTransferLines(Biosim& e, float x, const std::array<std::string, 3>& lines) {
    plat::Graphics& g = e.gfx();
    const plat::Rgb green = plat::rgb(0, 255, 0);
    const plat::Rgb black = plat::rgb(0, 0, 0);
    g.clear(black);
    g.begin2D();
    g.setTextTransparent(true);
    const float left = std::nearbyint(x);
    const float y = std::nearbyint(e.scrH / 2);
    for (std::size_t i = 0; i < lines.size(); ++i)
        g.text(left, y + 28.0f * static_cast<float>(i), lines[i], green, black);
    g.end2D();
    g.flip(e.flipMode);
}

bool serverConfigured(const Biosim& e) {
    return e.cfg.SERVER != "LOCAL";
}

const std::string& mapsFolder(const Biosim& e) {
    if (!serverConfigured(e)) return e.cfg.SIMCORE;
    return e.server.mapFolder.empty() ? e.cfg.TEMP : e.server.mapFolder;
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

std::string urlName(std::string_view name) {
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

void serverUnreachable(Biosim& e, const std::string& why) {
    e.serverReachable = 0;
    e.server.retryAt = ServerState::Clock::now() + e.server.retryAfter;
    warn(e, why + "\rSERVER " + e.cfg.SERVER + " COUNTS AS UNREACHABLE FOR " + seconds(e.server.retryAfter) +
                " S: MAPS PLAY FROM " + e.cfg.TEMP + " OR " + e.cfg.SIMCORE + " AS THEY ARE");
}

void prepareMap(Biosim& e, const std::string& m) {
    ServerState& st = e.server;
    st.prepared = true;
    st.serverTiles = false;
    st.mapFolder = e.cfg.SIMCORE;
    if (!serverConfigured(e)) return;
    std::error_code ec;
    const std::string cacheRel = e.cfg.TEMP + m + "/";
    // After the retry time an unreachable server gets another chance with this map.
    if (e.serverReachable != 1 && ServerState::Clock::now() >= st.retryAt) e.serverReachable = 1;
    bool served = false;
    if (e.serverReachable == 1) {
        // The deadline covers the whole load: segments here, tiles while the records are read.
        st.mapDeadline = ServerState::Clock::now() + st.mapFetchLimit;
        served = fetchMapFiles(e, m);
    }
    if (fs::is_regular_file(resolvePath(e, cacheRel + "0"), ec)) {
        st.mapFolder = e.cfg.TEMP;
        st.serverTiles = true;
        if (!served) {
            warn(e, "SERVER " + e.cfg.SERVER +
                        (e.serverReachable == 1 ? " COULD NOT GIVE" : " NOT REACHABLE,") + "\rMAP " + m +
                        " PLAYS FROM THE CACHE: " + cacheRel);
        }
        return;
    }
    // Nothing of the map in the cache: the empty folder the fetch made goes too (only when empty:
    // nothing but fetched files is ever removed).
    fs::remove(resolvePath(e, cacheRel), ec);
    if (fs::is_directory(resolvePath(e, e.cfg.SIMCORE + m), ec)) {
        warn(e, "SERVER " + e.cfg.SERVER +
                    (e.serverReachable == 1 ? " HAS NO MAP " : " NOT REACHABLE, MAP ") + m +
                    ",\rIT PLAYS FROM THE LOCAL MAPS FOLDER: " + e.cfg.SIMCORE + m + "/");
        return;
    }
    st.mapFolder = e.cfg.TEMP;
    st.serverTiles = true;
}

void beginServerTiles(Biosim& e) {
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
            // An old copy of a tile the server dropped must not come back.
            dropCached(e, e.cfg.TEMP + name + ext);
            dropCached(e, e.cfg.TEMP + name + ".dll");
        } else if (ok(image)) {
            const plat::Fetch dna =
                fetchFile(e, e.serverGfx + urlName(name) + ".dll", e.cfg.TEMP + name + ".dll");
            // A kind without DNA on the server has none here either (as a local kind without a DNA
            // file).
            if (dna == plat::Fetch::Missing) dropCached(e, e.cfg.TEMP + name + ".dll");
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
    if (!world::readTileDna(e.kinds.dnaTable[ti], base, name, s)) {
        clearTileDna(e, ti, name, s, e.cfg.TEMP + name + ".dll");
    }
    e.kinds.lastTileId = id;
    e.kinds.tileNameCount = id + 1;
    st.tileIds[name] = id;
    return true;
}

void finishMapLoad(Biosim& e) {
    e.server.prepared = false;
    e.server.mapDeadline = ServerState::Clock::time_point::max();
    if (!e.server.serverTiles) return;
    e.serverTileStart = 1;
    e.server.filesDone = 0;
    e.server.fetchingName.clear();
}

} // namespace engine
