// MapWatch: reloads the current map when its files change.
#include "makers/MapWatch.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "engine/Biosim.h"
#include "engine/MapLoader.h"
#include "engine/TileKinds.h"

namespace makers {

using namespace engine;

namespace fs = std::filesystem;

namespace {

// A file's size and time as text ("-" when either cannot be read).
std::string sizeAndTime(const fs::path& p) {
    std::error_code ec;
    const auto size = fs::file_size(p, ec);
    if (ec) return "-";
    // A 128-bit count in libc++ (the browser build's), which to_string does not take.
    const auto time = static_cast<long long>(fs::last_write_time(p, ec).time_since_epoch().count());
    return ec ? "-" : std::to_string(size) + ' ' + std::to_string(time);
}

} // namespace

std::string mapFolderState(const std::string& folder) {
    std::vector<std::string> entries;
    std::error_code ec;
    for (auto it = fs::directory_iterator(folder, ec); !ec && it != fs::directory_iterator();
         it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        entries.push_back(it->path().filename().string() + ' ' + sizeAndTime(it->path()));
    }
    std::sort(entries.begin(), entries.end());
    std::string out;
    for (const std::string& s : entries) out += s + '\n';
    return out;
}

std::string mapState(const Biosim& e, std::int32_t mapId) {
    const std::string folder = resolvePath(e, e.cfg.SIMCORE) + std::to_string(mapId) + "/";
    const std::string kindsFolder = folder + e.cfg.GFX;
    std::string out = mapFolderState(folder) + "--\n" + mapFolderState(kindsFolder);
    // The kinds' pictures and DNA files come from the shared graphics folder (tarn's DNA window
    // saves there).
    for (const std::string& name : listNamesWithExtension(kindsFolder, e.cfg.GFXCODEC))
        for (const std::string& ext : {e.cfg.GFXCODEC, std::string(".dll")})
            out += name + ext + ' ' + sizeAndTime(resolvePath(e, e.cfg.GFX + name + ext)) + '\n';
    return out;
}

bool MapWatch::poll(Biosim& e) {
    const std::int64_t now = e.clock().ticks();
    if (started_ && now < nextLook_) return false;
    started_ = true;
    nextLook_ = now + intervalMs;
    if (e.actualMapId == world::kNoMap || e.mapLoading != 0) return false;
    const std::string state = mapState(e, e.actualMapId);
    if (mapId_ != e.actualMapId) { // a new map: remember its files, nothing to reload
        mapId_ = e.actualMapId;
        seen_ = state;
        return false;
    }
    if (state == seen_) return false;
    seen_ = state;
    e.nextMapId = e.actualMapId;
    switchMap(e);
    return true;
}

} // namespace makers
