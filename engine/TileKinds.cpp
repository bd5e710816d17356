// TileKinds: the tile kind table of the loaded map and the sound file list.
#include "engine/TileKinds.h"

#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>

#include "engine/Biosim.h"
#include "engine/Logs.h"
#include "platform/TextIo.h"

namespace engine {

std::vector<std::string> listNamesWithExtension(const std::string& folder, const std::string& extension) {
    std::vector<std::string> names;
    DIR* d = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!d) return names;
    const std::string base = textio::asFolder(folder);
    while (const dirent* ent = ::readdir(d)) {
        const std::string entry = ent->d_name;
        if (entry == "." || entry == "..") continue;
        struct stat st {};
        if (::stat((base + entry).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) continue;
        if (extension.empty()) {
            // No codec configured: names have no extension to cut.
            names.push_back(entry);
            continue;
        }
        const std::size_t at = entry.find(extension);
        if (at == std::string::npos) continue;
        names.push_back(entry.substr(0, at));
    }
    ::closedir(d);
    // Directory order differs between file systems; byte order keeps tile ids the same everywhere.
    std::sort(names.begin(), names.end());
    return names;
}

void setTileCount(Biosim& e, int n) {
    if (n < 0) n = 0;
    const auto size = static_cast<std::size_t>(n) + 1;
    // Sprites of ids that drop out of the table would otherwise stay loaded for the rest of the run.
    plat::Graphics& g = e.gfx();
    for (std::size_t t = size; t < e.kinds.tileSprites.size(); ++t) {
        if (g.isSprite(e.kinds.tileSprites[t])) g.freeSprite(e.kinds.tileSprites[t]);
    }
    e.kinds.tileCount = n;
    e.kinds.tileSprites.resize(size, 0);
    e.kinds.tileWidths.resize(size, 0.0f);
    e.kinds.tileHeights.resize(size, 0.0f);
    e.kinds.dnaTable.resize(size);
    if (e.kinds.tileNames.size() < size + 1) e.kinds.tileNames.resize(size + 1);
}

void loadMapTiles(Biosim& e) {
    const std::string folder =
        resolvePath(e, e.cfg.SIMCORE + std::to_string(e.actualMapId) + "/" + e.cfg.GFX);
    const std::vector<std::string> found = listNamesWithExtension(folder, e.cfg.GFXCODEC);
    // The name counter restarts for every map; entries beyond it keep the names of earlier maps.
    e.kinds.tileNameCount = static_cast<std::int32_t>(found.size());
    if (e.kinds.tileNames.size() < found.size() + 1) e.kinds.tileNames.resize(found.size() + 1);
    std::copy(found.begin(), found.end(), e.kinds.tileNames.begin());
    const int n = found.empty() ? 0 : static_cast<int>(found.size()) - 1;
    setTileCount(e, n);

    plat::Graphics& g = e.gfx();
    for (int t = 0; t <= n; ++t) {
        const auto ti = static_cast<std::size_t>(t);
        if (g.isSprite(e.kinds.tileSprites[ti])) g.freeSprite(e.kinds.tileSprites[ti]);
        e.kinds.tileSprites[ti] = 0;
        const std::string& name = e.kinds.tileNames[ti];
        const std::string base = resolvePath(e, e.cfg.GFX + name);
        const plat::SpriteId s = g.loadSprite(base + e.cfg.GFXCODEC);
        if (s == 0) {
            // The kind keeps its name (records still match it) but must not take over the DNA that
            // an earlier map left at this tile id: its objects would collide and act unseen.
            e.kinds.dnaTable[ti] = world::TileDna{};
            e.kinds.tileWidths[ti] = 0.0f;
            e.kinds.tileHeights[ti] = 0.0f;
            warn(e, "COULD NOT LOAD TILE IMAGE: " + e.cfg.GFX + name + e.cfg.GFXCODEC + "\rTILE " + name +
                        " HAS NO IMAGE AND NO DNA");
            continue;
        }
        g.setTransparentColour(s, plat::rgb(0, 255, 0));
        e.kinds.tileSprites[ti] = s;
        e.kinds.tileWidths[ti] = static_cast<float>(g.spriteWidth(s));
        e.kinds.tileHeights[ti] = static_cast<float>(g.spriteHeight(s));
        if (!world::readTileDna(e.kinds.dnaTable[ti], base, name, s))
            clearTileDna(e, ti, name, s, e.cfg.GFX + name + ".dll");
        e.kinds.lastTileId = t;
    }
}

void clearTileDna(Biosim& e, std::size_t t, const std::string& name, std::int32_t image,
                  const std::string& dnaFile) {
    world::TileDna& d = e.kinds.dnaTable[t];
    d = world::TileDna{};
    d.name = name;
    d.imageHandle = image;
    warn(e, "COULD NOT OPEN TILE DNA: " + dnaFile + "\rTILE " + name + " HAS NO DNA VALUES");
}

void buildSoundFileList(Biosim& e) {
    e.soundFiles = listNamesWithExtension(resolvePath(e, e.cfg.SOUNDPATH), e.cfg.SOUNDCODEC);
    // The sound table holds 257 names (indices 0..256); further files cannot be used by objects.
    if (e.soundFiles.size() > e.soundTable.size()) {
        warn(e, "TOO MANY SOUND FILES IN " + e.cfg.SOUNDPATH + ", ONLY THE FIRST " +
                    std::to_string(e.soundTable.size()) + " ARE USED");
        e.soundFiles.resize(e.soundTable.size());
    }
    e.soundCount = e.soundFiles.empty() ? 0 : static_cast<std::int32_t>(e.soundFiles.size()) - 1;
    const std::size_t n = e.soundFiles.size();
    for (std::size_t i = 0; i < n; ++i) e.soundTable[i].name = e.soundFiles[i];
}

int findTileId(const Biosim& e, const std::string& name) {
    // lastTileId may still name an id of an earlier, larger map: stay inside this map's tables.
    const std::int32_t last = std::min<std::int32_t>(e.kinds.lastTileId, e.kinds.tileCount);
    for (std::int32_t t = 0; t <= last && t < static_cast<std::int32_t>(e.kinds.tileNames.size()); ++t) {
        if (e.kinds.tileNames[static_cast<std::size_t>(t)] == name) return t;
    }
    return -1;
}

} // namespace engine
