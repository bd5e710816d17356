// SimState: the world frame's own state, held by the engine record as `Biosim::sim`.
//
// Cleared with the engine globals (a new record holds the start values). The sprite ids are the
// scratch grabs of mirrors, picture-in-picture and after-image: recreated on every use, freed before
// each re-creation, the last ones kept until the next use.
// The collision grid is the engine's acceleration structure for the collision step: it is rebuilt
// at the start of every update pass and kept in step with every move made during the pass, so the
// fast step finds exactly the hits of the all-pairs reference loop.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/Platform.h"

namespace engine {

// How the collision step finds hits. Reference compares every tester with every listed object;
// Grid asks the collision grid for the listed objects near the tester. Both give the same hits in
// the same collisionList order.
enum class CollisionMode : std::uint8_t { Grid, Reference };

// Spatial hash of the objects on the collision list (by list position), used by the Grid mode.
struct CollisionGrid {
    struct Rect {
        std::int64_t x = 0, y = 0, w = 0, h = 0; // integer pixels
    };
    // One entry of a cell: the list position and its rectangle, kept beside each other so that a
    // query reads the cells' memory in order and touches no object that misses the tester.
    struct Entry {
        std::int32_t k = 0, x = 0, y = 0, w = 0, h = 0;
    };
    struct Range {
        std::int64_t cx0 = 0, cy0 = 0, cx1 = -1, cy1 = -1; // covered cells
        std::int8_t where = 0;                             // 0 nowhere, 1 in buckets, 2 in the odd list
    };
    bool valid = false;           // false: rebuild before the next query
    bool unusable = false;        // the list cannot be indexed (an object listed twice): reference loop
    std::int32_t cellShift = 6;   // cell size = 1 << cellShift pixels
    std::uint32_t bucketMask = 0; // buckets.size() - 1 (a power of two)
    std::vector<std::vector<Entry>> buckets; // entries per hashed cell
    std::vector<Range> ranges;               // per list position
    std::vector<std::int32_t> odd;           // positions checked on every query (odd sizes, huge)
    std::vector<std::int32_t> oddSlot;       // per list position: its index in `odd`, -1 if none
    std::vector<std::int32_t> listPosOf;     // per object index: its list position, -1 if none
    std::vector<std::uint32_t> stamp;        // per list position: query id that saw it last
    std::uint32_t queryId = 0;
    std::vector<std::int32_t> candidates; // scratch of one query
    std::vector<Rect> rects;              // per list position: target rectangle at the last rebuild or sync
    std::int32_t entries = 0;             // list positions indexed (0..entries-1)
};

// The objects of each kind name (worldFTileIDString), in table order, so that a follower finds its
// target among the objects of its kind instead of scanning the table. Kind names change only when a
// map loads; the loader marks the index stale, and a different object count rebuilds it too.
struct KindIndex {
    bool valid = false;
    std::int32_t objects = -1; // objectCount when built
    std::unordered_map<std::string, std::vector<std::int32_t>> byKind;
};

struct SimState {
    // ---- world frame globals ------------------------------------------------------------------
    std::int32_t framesThisSecond = 0; // frames since the last rate sample
    std::int64_t nextFpsTick = 0;      // tick of the next rate sample
    plat::SpriteId mirrorGrabSprite = 0, mirrorSprite = 0;
    plat::SpriteId pipGrabSprite = 0, pipSprite = 0;
    float pipWidth = 0, pipHeight = 0; // a quarter of the picture-in-picture grab
    plat::SpriteId smoothGrabSprite = 0, smoothSprite = 0;

    // ---- collision step ------------------------------------------------------------------------
    CollisionMode collisionMode = CollisionMode::Grid;
    std::int64_t hits = 0; // hits answered since start-up (statistics for tests and benchmarks)
    CollisionGrid grid;

    // ---- following -----------------------------------------------------------------------------
    KindIndex kinds;
};

} // namespace engine
