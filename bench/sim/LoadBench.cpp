// Loading a 100,000-record map of 50 tile kinds through the map switch, on the real (headless SDL)
// backend with real image decoding. Prints the load time and the process's peak memory. With
// `sounds`, every kind plays one of the demo's object sounds (each object holds its own sound handle),
// to compare with the same map without sounds.
//
//   sim_load_bench [records] [sounds]
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/Biosim.h"
#include "engine/EngineSetup.h"
#include "engine/MapLoader.h"
#include "engine/TileKinds.h"
#include "platform/TextIo.h"
#include "platform/sdl/SdlPlatform.h"

using namespace engine;

namespace fs = std::filesystem;

namespace {

long peakKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

} // namespace

int main(int argc, char** argv) {
    const int records = argc > 1 ? std::atoi(argv[1]) : 100000;
    const bool sounds = argc > 2 && std::string(argv[2]) == "sounds";
    const int kinds = 50;
    std::string tmpl = (fs::temp_directory_path() / "simload-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) return 1;
    const std::string root = tmpl + "/";
    fs::create_directories(root + "_DATA/2DGFX");
    fs::create_directories(root + "MAPS/0/_DATA/2DGFX");
    fs::create_directories(root + "SOUNDS");
    const char* soundFiles[] = {"chime1", "chime2", "chime3", "chime4", "tick", "zap"};
    if (sounds)
        for (const char* f : soundFiles)
            fs::copy_file(std::string(BT_SOURCE_DIR) + "/demo/SOUNDS/" + f + ".ogg",
                          root + "SOUNDS/" + f + ".ogg");
    const char* images[] = {"wall.png",     "player.png", "chaser.png",  "walker.png",  "gear.png",
                            "walkleft.png", "walkup.png", "shooter.png", "firefly.png", "mirror.png"};
    for (int k = 0; k < kinds; ++k) {
        const std::string name = "kind" + std::to_string(k);
        fs::copy_file(std::string(BT_SOURCE_DIR) + "/demo/_DATA/2DGFX/" + images[k % 10],
                      root + "_DATA/2DGFX/" + name + ".png");
        textio::LineWriter d;
        for (const char* line :
             {"worldFTileTransparency", "255", "worldFTileCollision", k % 2 ? "1" : "0", "worldFTileVELO",
              "1", "worldFTileMoveH", "1", "worldFTileIDString", "THING"})
            d.line(line);
        if (sounds) {
            d.line("worldFTileSoundFile");
            d.line(soundFiles[k % 6]);
        }
        textio::writeFileAtomic(root + "_DATA/2DGFX/" + name + ".dll", d.content());
        std::ofstream(root + "MAPS/0/_DATA/2DGFX/" + name + ".png") << "listing";
    }
    {
        // The map text is freed before the load is measured.
        textio::LineWriter m;
        m.line("0");
        m.line("0");
        for (int r = 0; r < records; ++r) {
            m.line("TILE");
            m.line("kind" + std::to_string((r / 7) % kinds)); // runs of the same kind, as maps are built
            m.line("0");
            m.line(std::to_string((r * 37) % 1900));
            m.line(std::to_string((r * 53) % 1000));
            m.line("16");
            m.line("16");
            m.line("0");
        }
        m.line("ENGINETILEINFOEND");
        textio::writeFileAtomic(root + "MAPS/0/0", m.content());
    }
    textio::writeFileAtomic(root + "MAPS/0/_", std::to_string(records - 1) + "\r\n");

    plat::sdl::Options so;
    so.headless = true;
    so.seed = 1;
    auto platform = plat::sdl::createPlatform(std::move(so));
    auto e = std::make_unique<Biosim>(*platform);
    e->workingFolder = root;
    e->cfg.GFX = "_DATA/2DGFX/";
    e->cfg.SIMCORE = "MAPS/";
    e->cfg.EFFECT_GFX = "_DATA/FX/";
    e->cfg.SOUNDPATH = "SOUNDS/";
    e->cfg.GFXCODEC = ".png";
    e->cfg.SOUNDCODEC = ".ogg";
    e->cfg.MAXOBJECTS = records;
    e->cfg.IOPREFETCH = 1;
    const plat::DesktopInfo d = platform->graphics().desktop();
    platform->graphics().openScreen(d.width, d.height, d.depth, "load bench", plat::ScreenMode::Offscreen);
    e->desktopWidth = e->scrW = e->srcScrW = static_cast<float>(d.width);
    e->desktopHeight = e->scrH = e->srcScrH = static_cast<float>(d.height);
    const long platformKb = peakKb();
    sizeWorldTables(*e);
    buildSoundFileList(*e);
    const long before = peakKb();
    const auto t0 = std::chrono::steady_clock::now();
    e->nextMapId = 0;
    switchMap(*e);
    const auto t1 = std::chrono::steady_clock::now();
    const double ms = std::chrono::duration<double, std::milli>(t1 - t0).count();
    std::printf("records %d, kinds %d, objects %d, listed %d, %s\n", records, kinds, e->level.liveObjects,
                e->level.collisionEntries, sounds ? "every object with a sound" : "no sounds");
    std::printf("load time %.1f ms\n", ms);
    std::printf(
        "peak memory %.1f MB: headless platform %.1f MB, object tables for %d records %.1f MB, the load "
        "itself %.1f MB\n",
        peakKb() / 1024.0, platformKb / 1024.0, records + 1, (before - platformKb) / 1024.0,
        (peakKb() - before) / 1024.0);
    e.reset();
    platform.reset();
    fs::remove_all(root);
    return 0;
}
