// tarn's Tiled map import (--import-tiled IN.tmj MAPFOLDER) on any bytes as the .tmj file: no crash,
// and a map folder is written only when the import reports success.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "world/TiledMaps.h"

namespace {

struct Scratch {
    std::string path;
    Scratch() {
        std::string pattern = (std::filesystem::temp_directory_path() / "bt_fuzz_tiledXXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        path = pattern + "/";
    }
    ~Scratch() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const Scratch scratch;
    const std::string tmj = scratch.path + "in.tmj", folder = scratch.path + "map/";
    std::ofstream(tmj, std::ios::binary)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    const world::TiledResult r = world::importTiledMap(tmj, folder);
    std::error_code ec;
    if (!r.ok && r.message.empty()) std::abort();
    if (r.ok && !std::filesystem::exists(folder + "0", ec)) std::abort();
    std::filesystem::remove_all(folder, ec);
    return 0;
}
