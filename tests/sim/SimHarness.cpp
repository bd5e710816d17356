#include "SimHarness.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>

#include "engine/EngineSetup.h"
#include "engine/MapLoader.h"
#include "platform/TextIo.h"
#include "sim/WorldFrame.h"

using namespace engine;
using namespace sim;

namespace fs = std::filesystem;

namespace simtest {

namespace {
void writeFile(const std::string& p, const std::string& content) {
    support::writeFile(p, content);
}
} // namespace

World::World(std::uint64_t seed, int maxObjects) : h_(seed) {
    Biosim& e = *h_.e;
    e.workingFolder = dir_.path;
    e.cfg.GFX = "_DATA/2DGFX/";
    e.cfg.SIMCORE = "MAPS/";
    e.cfg.EFFECT_GFX = "_DATA/FX/";
    e.cfg.SOUNDPATH = "SOUNDS/";
    e.cfg.ANIMSYSTEM = "ANIMS/";
    e.cfg.GFXCODEC = ".png";
    e.cfg.SOUNDCODEC = ".ogg";
    e.cfg.WARNINGS = "warnings.txt";
    e.cfg.MAXOBJECTS = maxObjects;
    e.cfg.SCRSWITCHMS = 4000;
    e.cfg.MAXANIMFRAMES = 8;
    e.desktopWidth = 1024;
    e.desktopHeight = 768;
    e.scrW = 1024;
    e.scrH = 768;
    e.srcScrW = 1024;
    e.srcScrH = 768;
    h_.tp.graphics().openScreen(1024, 768, 32, "world test", plat::ScreenMode::Offscreen);
    fs::create_directories(dir_.path + "_DATA/2DGFX");
    fs::create_directories(dir_.path + "MAPS");
    sizeWorldTables(e);
}

void World::kind(const std::string& name, Dna dna, const std::string& image) {
    fs::copy_file(std::string(BT_SOURCE_DIR) + "/demo/_DATA/2DGFX/" + image,
                  dir_.path + "_DATA/2DGFX/" + name + ".png", fs::copy_options::overwrite_existing);
    bool hasTransparency = false;
    for (auto& p : dna) hasTransparency = hasTransparency || p.first == "worldFTileTransparency";
    if (!hasTransparency) dna.insert(dna.begin(), {"worldFTileTransparency", "255"});
    textio::LineWriter w;
    for (auto& [k, v] : dna) {
        w.line(k);
        w.line(v);
    }
    writeFile(dir_.path + "_DATA/2DGFX/" + name + ".dll", w.content());
}

void World::listKinds(int id, const std::vector<std::string>& kinds) {
    const std::string folder = dir_.path + "MAPS/" + std::to_string(id) + "/_DATA/2DGFX/";
    fs::create_directories(folder);
    for (const auto& k : kinds) writeFile(folder + k + ".png", "listing");
}

void World::segmentText(int id, int segment, const std::string& text) {
    writeFile(dir_.path + "MAPS/" + std::to_string(id) + "/" + std::to_string(segment), text);
}

void World::segment(int id, int seg, const std::vector<Tile>& tiles) {
    textio::LineWriter w;
    w.line("0");
    w.line("0");
    std::set<std::string> kinds;
    for (const Tile& t : tiles) {
        w.line("TILE");
        w.line(t.name);
        w.line("0");
        w.line(textio::formatReal(t.x));
        w.line(textio::formatReal(t.y));
        w.line(textio::formatReal(t.w));
        w.line(textio::formatReal(t.h));
        w.line(std::to_string(t.layer));
        // Only kinds that exist are listed: a listed name is a tile kind even without its image.
        if (fs::exists(dir_.path + "_DATA/2DGFX/" + t.name + ".png")) kinds.insert(t.name);
    }
    w.line("ENGINETILEINFOEND");
    segmentText(id, seg, w.content());
    listKinds(id, std::vector<std::string>(kinds.begin(), kinds.end()));
}

void World::tileCountFile(int id, const std::string& text) {
    writeFile(dir_.path + "MAPS/" + std::to_string(id) + "/_", text);
}

void World::load(int id) {
    h_.e->nextMapId = id;
    switchMap(*h_.e);
}

void World::step(int n, int tickMs) {
    for (int k = 0; k < n; ++k) {
        h_.tp.input().examineKeyboard();
        worldFrame(*h_.e);
        h_.tp.clock().advance(tickMs);
    }
}

std::string World::warnings() const {
    std::string s;
    textio::readFile(dir_.path + "warnings.txt", s);
    return s;
}

std::vector<int> World::find(const std::string& kind) {
    std::vector<int> out;
    if (h_.e->level.liveObjects <= 0) return out;
    for (int i = 0; i <= h_.e->level.objectCount; ++i)
        if (obj(i).worldFTileIDString == kind) out.push_back(i);
    return out;
}

std::string dumpWorld(Biosim& e) {
    std::ostringstream out;
    out << "scroll " << e.level.scrollX << " " << e.level.scrollY << " next " << e.nextMapId << " count "
        << e.level.objectCount << "\n";
    for (int i = 0; e.level.liveObjects > 0 && i <= e.level.objectCount; ++i) {
        out << "#" << i;
        forEachObjectField(e.objectTable[static_cast<std::size_t>(i)], [&](const char* name, const auto& v) {
            using V = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<V, std::string>) {
                out << " " << name << "=" << v;
            } else if constexpr (std::is_floating_point_v<V>) {
                out << " " << name << "=" << textio::formatReal(v);
            } else {
                out << " " << name << "=" << static_cast<long long>(v);
            }
        });
        out << "\n";
    }
    return out.str();
}

} // namespace simtest
