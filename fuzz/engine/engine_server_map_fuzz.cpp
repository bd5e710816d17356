// A server map on any bytes: the input is segment 0 of map 5 on a file:// server; the real map
// loader fetches it into "TEMP", reads its records and fetches the tile each record names. Whatever
// the names hold, every file the fetch writes must be inside "TEMP" (checked after each input: the
// scratch folder holds nothing else), and the loader must stay inside its tables.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "engine/Biosim.h"
#include "engine/EngineSetup.h"
#include "engine/MapLoader.h"
#include "engine/ServerFetch.h"
#include "fuzz/engine/FuzzFile.h"
#include "platform/test/TestPlatform.h"

using namespace engine;

namespace fs = std::filesystem;

namespace {

// A 2 x 2 24-bit BMP, so that a record naming "a" loads a real tile image.
std::string tinyBmp() {
    std::string o = "BM";
    auto u32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) o += static_cast<char>((v >> (8 * i)) & 255);
    };
    auto u16 = [&](std::uint32_t v) {
        for (int i = 0; i < 2; ++i) o += static_cast<char>((v >> (8 * i)) & 255);
    };
    u32(54 + 16);
    u32(0);
    u32(54);
    u32(40);
    u32(2);
    u32(2);
    u16(1);
    u16(24);
    u32(0);
    u32(16);
    u32(2835);
    u32(2835);
    u32(0);
    u32(0);
    o += std::string(16, '\x40');
    return o;
}

// Everything under `folder` must be one of the server's files or inside TEMP/.
void checkNothingOutsideTemp(const std::string& folder) {
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string rel = fs::relative(entry.path(), folder).string();
        if (rel.rfind("TEMP", 0) == 0 || rel.rfind("site", 0) == 0) continue;
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fuzzfile::Folder scratch("bt_fuzz_server_map");
    const std::string& folder = scratch.path();
    static plat::test::TestPlatform tp;
    static Biosim e{tp};
    static const bool ready = [&] {
        e.exitProcess = [](int) { std::abort(); };
        setDefaults(e, folder);
        e.cfg.MAXOBJECTS = 50;
        sizeWorldTables(e);
        e.cfg.SERVER = "file://" + folder + "site/";
        e.cfg.SERVERNODE = "world/";
        e.cfg.GFX = "gfx/";
        e.cfg.SIMCORE = "maps/";
        e.cfg.TEMP = "TEMP/";
        e.cfg.GFXCODEC = ".bmp";
        e.serverGfx = e.cfg.SERVER + e.cfg.SERVERNODE + e.cfg.GFX;
        e.serverMaps = e.cfg.SERVER + e.cfg.SERVERNODE + e.cfg.SIMCORE;
        fs::create_directories(folder + "site/world/gfx");
        fs::create_directories(folder + "site/world/maps/5");
        const std::string dna = "AI\r\n1\r\n", bmp = tinyBmp();
        fuzzfile::write(folder + "site/world/gfx/a.dll", reinterpret_cast<const std::uint8_t*>(dna.data()),
                        dna.size());
        fuzzfile::write(folder + "site/world/gfx/a.bmp", reinterpret_cast<const std::uint8_t*>(bmp.data()),
                        bmp.size());
        return true;
    }();
    (void)ready;
    fuzzfile::write(folder + "site/world/maps/5/0", data, size);
    e.serverReachable = 1;
    e.actualMapId = 5;
    loadMap(e, 1, 1);
    if (e.level.objectCount < 0 || e.level.objectCount > e.cfg.MAXOBJECTS) std::abort();
    if (e.kinds.tileCount < 0 ||
        static_cast<std::size_t>(e.kinds.tileCount) + 1 != e.kinds.tileSprites.size())
        std::abort();
    checkNothingOutsideTemp(folder);
    tp.graphics().clearCalls();
    tp.network().clearRequests();
    return 0;
}
