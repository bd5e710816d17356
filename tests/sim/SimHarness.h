// Test harness of the world: one engine on the test backend, with a scratch working folder where
// tests write tile kinds (image + DNA), map folders and read the warnings log.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/Biosim.h"
#include "platform/test/TestPlatform.h"
#include "tests/support/EngineHarness.h"
#include "tests/support/TempFolder.h"

using namespace engine;

namespace simtest {

using Dna = std::vector<std::pair<std::string, std::string>>;

// One placed tile of a test map.
struct Tile {
    std::string name;
    float x = 0, y = 0, w = 32, h = 32;
    int layer = 0;
};

// A fresh temporary folder, removed with the object.
struct TempDir {
    support::TempFolder folder{"simtest"};
    std::string path = folder.path(); // ends with '/'
};

class World {
public:
    explicit World(std::uint64_t seed = 1, int maxObjects = 200);

    Biosim& e() { return *h_.e; }
    plat::test::TestPlatform& tp() { return h_.tp; }
    WorldObject& obj(int i) { return h_.e->objectTable[static_cast<std::size_t>(i)]; }
    const std::string& root() const { return dir_.path; }

    // A tile kind in the shared graphics folder: an image (a 32 x 32 demo picture unless given)
    // and its DNA file. Transparency defaults to 255.
    void kind(const std::string& name, Dna dna, const std::string& image = "wall.png");
    // Writes segment `segment` of map `id` with these records (their own layer lines), lists
    // `kinds` (default: every kind used in the map) in the map's graphics folder.
    void segment(int id, int segment, const std::vector<Tile>& tiles);
    void segmentText(int id, int segment, const std::string& text);
    void tileCountFile(int id, const std::string& text);
    void listKinds(int id, const std::vector<std::string>& kinds);
    // Loads map `id` through the map switch.
    void load(int id);
    // Runs n world frames: examine input, world frame, clock + tickMs.
    void step(int n = 1, int tickMs = 16);
    std::string warnings() const;
    // Indices of objects whose kind name (worldFTileIDString) is `kind`.
    std::vector<int> find(const std::string& kind);

private:
    TempDir dir_;
    support::EngineHarness h_; // process ends throw support::ProcessEnded
    std::map<int, std::vector<std::string>> used_;
};

// A text dump of the engine globals the world frame changes and every scalar field of every live
// object, for comparing two runs.
std::string dumpWorld(Biosim& e);

} // namespace simtest
