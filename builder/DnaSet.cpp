// DnaSet: the DNA set and the DNA window's operations.
#include "builder/DnaSet.h"

#include <algorithm>
#include <dirent.h>
#include <vector>

#include "builder/TileMenu.h"
#include "builder/Windows.h"
#include "platform/TextIo.h"

namespace tarn {

namespace {

// Names of the tile folder's entries that contain the picture extension, in name order (the order
// the folder listing gives is the file system's own; sorting keeps kind numbers stable).
std::vector<std::string> listPictures(const std::string& folder, const std::string& extension) {
    std::vector<std::string> names;
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr) return names;
    while (dirent* e = readdir(dir)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        if (name.find(extension) == std::string::npos) continue;
        names.push_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

bool fileOpens(const std::string& path) {
    // A FIFO or device in the tile folder is no DNA file (and is never waited on).
    return textio::isRegularFile(path);
}

} // namespace

void freeDnaSet(Builder& b) {
    for (TileKind& k : b.tiles.kinds) {
        if (k.sprite != 0) b.gfx().freeSprite(k.sprite);
        if (k.picture != 0) b.gfx().freeSprite(k.picture);
        if (k.menuPicture != 0 && b.services.windows != nullptr)
            b.services.windows->freeMenuPicture(k.menuPicture);
    }
    b.tiles = TileKinds{};
}

void loadDnaSet(Builder& b) {
    freeDnaSet(b);
    const std::string& folder = b.cfg.GFXPATH;
    const std::string& ext = b.cfg.GFXCODEC;
    std::vector<std::string> names(kTileNameSlots); // tile file names 0..1024
    int kept = 0;
    if (!ext.empty()) {
        for (const std::string& entry : listPictures(folder, ext)) {
            if (kept >= kTileNameSlots) break;
            const std::string name = entry.substr(0, entry.find(ext));
            if (name.empty()) continue;
            // "a.png" and "a.png.bak" name the same kind; it is kept once.
            if (std::find(names.begin(), names.begin() + kept, name) != names.begin() + kept) continue;
            names[static_cast<std::size_t>(kept)] = name;
            if (fileOpens(folder + name + ".dll")) ++kept;
        }
    }
    b.tiles.kinds.assign(static_cast<std::size_t>(kept), TileKind{});
    const plat::Rgb transparent = plat::rgb(b.cfg.R, b.cfg.G, b.cfg.B);
    for (int k = 0; k < kept; ++k) {
        TileKind& kind = b.tiles.kinds[static_cast<std::size_t>(k)];
        kind.fileName = names[static_cast<std::size_t>(k)];
        auto dna = std::make_shared<KindDna>();
        const std::string picturePath = folder + kind.fileName + ext;
        kind.picture = b.gfx().loadSprite(picturePath);
        if (kind.picture != 0) {
            b.gfx().setTransparentColour(kind.picture, transparent);
            kind.sprite = b.gfx().createDrawable(kind.picture);
            if (kind.sprite != 0) {
                kind.width = static_cast<float>(b.gfx().spriteWidth(kind.picture));
                kind.height = static_cast<float>(b.gfx().spriteHeight(kind.picture));
                readKindDna(*dna, folder + kind.fileName);
                b.tiles.currentKind = k;
            }
        }
        kind.dna = std::move(dna);
        if (b.services.windows != nullptr)
            kind.menuPicture = b.services.windows->loadMenuPicture(picturePath, transparent);
    }
    if (b.tiles.currentKind < 0 && kept > 0) b.tiles.currentKind = kept - 1;
    mapChanged(b);
    // The tile window shows the new pictures at once, so its grid never points at freed ones.
    if (b.services.windows != nullptr && b.services.windows->isOpen(kTileWindow)) drawTileMenu(b);
}

} // namespace tarn
