// Collision: predicted rectangles, strict overlap, the reactions in order, pushes;
// and the collision grid that lets the engine find the same hits without comparing every tester
// with every listed object.
//
// The grid holds each listed object (by collisionList position) in the cells its predicted
// rectangle covers, together with that rectangle. It is only a filter: entries whose stored
// rectangle misses the tester are dropped, every other candidate is tested again with the live
// fields, exactly as the reference loop tests it, and the candidates are answered in list order.
// It stays exact as long as every change of a listed object's predicted rectangle during the
// update pass is followed by collisionGridSync (or collisionGridInvalidate): the object's own
// update, pushes, projectiles placed by weapons, and dynamic scroll (which invalidates). The update
// pass starts every frame with a rebuild, so changes made outside it (post pass, hotkeys, loader)
// need nothing.
#include <algorithm>
#include <cmath>

#include "engine/Biosim.h"
#include "platform/Rounding.h"
#include "sim/Actions.h"
#include "sim/Collision.h"
#include "world/KindNames.h"

namespace sim {

using namespace engine;

namespace {

using IRect = CollisionGrid::Rect;

WorldObject& obj(Biosim& e, std::int32_t i) {
    return e.objectTable[static_cast<std::size_t>(i)];
}

// Tester rectangle: the predicted point (without the movement flags) and the collision box.
IRect testerRect(const WorldObject& o) {
    IRect r;
    r.x = plat::roundHalfEvenPixel(o.MapX + o.worldFTileMoveH * o.VelocityX);
    r.y = plat::roundHalfEvenPixel(o.MapY + o.worldFTileMoveV * o.VelocityY);
    r.w = plat::roundHalfEvenPixel(o.ScaledWidth);
    r.h = plat::roundHalfEvenPixel(o.ScaledHeight);
    return r;
}

// Target rectangle: like the tester's, except that AI objects predict only the axis they may move on.
IRect targetRect(const WorldObject& o) {
    if (o.AI == 0) return testerRect(o);
    IRect r;
    r.w = plat::roundHalfEvenPixel(o.ScaledWidth);
    r.h = plat::roundHalfEvenPixel(o.ScaledHeight);
    if (o.canMoveH != 0) {
        r.x = plat::roundHalfEvenPixel(o.MapX + o.worldFTileMoveH * o.VelocityX * o.canMoveH);
        r.y = plat::roundHalfEvenPixel(o.MapY);
    } else if (o.canMoveV != 0) {
        r.x = plat::roundHalfEvenPixel(o.MapX);
        r.y = plat::roundHalfEvenPixel(o.MapY + o.worldFTileMoveV * o.VelocityY * o.canMoveV);
    } else {
        r.x = plat::roundHalfEvenPixel(o.MapX);
        r.y = plat::roundHalfEvenPixel(o.MapY);
    }
    return r;
}

bool overlaps(const IRect& a, const IRect& b) {
    return a.x < b.x + b.w && a.x + a.w > b.x && a.y < b.y + b.h && a.y + a.h > b.y;
}

// Positions of collisionList that hold an entry of the loaded map.
std::int32_t listEntries(const Biosim& e) {
    if (e.level.liveObjects <= 0) return 0;
    const std::int64_t n = std::min<std::int64_t>(static_cast<std::int64_t>(e.level.collisionCount) + 1,
                                                  e.level.collisionEntries);
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(n, 0, static_cast<std::int64_t>(e.collisionList.size())));
}

// Tests the entry at list position k against tester a (rectangle ra) and answers a hit.
void testEntry(Biosim& e, std::int32_t a, const IRect& ra, std::int32_t k) {
    const std::int32_t b = e.collisionList[static_cast<std::size_t>(k)];
    if (b < 0 || b > e.level.objectCount || static_cast<std::size_t>(b) >= e.objectTable.size()) return;
    const WorldObject& B = obj(e, b);
    if (B.IsInScreen != 1 || b == a || B.Visible != 1 || B.worldFTileCollision == 0) return;
    if (!overlaps(ra, targetRect(B))) return;
    WorldObject& A = obj(e, a);
    if (A.worldFTileMoveH != 0) A.canMoveH = 0;
    if (A.worldFTileMoveV != 0) A.canMoveV = 0;
    ++e.sim.hits;
    collisionReaction(e, a, b);
}

// ---- grid ---------------------------------------------------------------------------------------

constexpr std::int64_t kMaxCellsPerEntry = 64; // larger rectangles go to the odd list
constexpr std::size_t kMinBuckets = 64;

std::uint32_t hashCell(std::int64_t cx, std::int64_t cy, std::uint32_t mask) {
    const std::uint64_t h = static_cast<std::uint64_t>(cx) * 0x9E3779B97F4A7C15ull ^
                            (static_cast<std::uint64_t>(cy) + 0x632BE59BD9B4E019ull) * 0xC2B2AE3D27D4EB4Full;
    return static_cast<std::uint32_t>(h >> 32) & mask;
}

bool fits32(std::int64_t v) {
    return v >= -(std::int64_t{1} << 31) && v < (std::int64_t{1} << 31);
}

// The cells a rectangle covers, or `where` 2 (odd list) for empty, inverted or huge rectangles and
// for those whose corners do not fit the cells' 32-bit entries.
CollisionGrid::Range rangeOf(const CollisionGrid& g, const IRect& r) {
    CollisionGrid::Range out;
    if (r.w <= 0 || r.h <= 0 || !fits32(r.x) || !fits32(r.y) || !fits32(r.x + r.w) || !fits32(r.y + r.h)) {
        out.where = 2;
        return out;
    }
    const std::int64_t cx0 = r.x >> g.cellShift, cx1 = (r.x + r.w - 1) >> g.cellShift;
    const std::int64_t cy0 = r.y >> g.cellShift, cy1 = (r.y + r.h - 1) >> g.cellShift;
    if (cx1 - cx0 >= kMaxCellsPerEntry || cy1 - cy0 >= kMaxCellsPerEntry ||
        (cx1 - cx0 + 1) * (cy1 - cy0 + 1) > kMaxCellsPerEntry) {
        out.where = 2;
        return out;
    }
    out.cx0 = cx0;
    out.cx1 = cx1;
    out.cy0 = cy0;
    out.cy1 = cy1;
    out.where = 1;
    return out;
}

CollisionGrid::Entry entryOf(std::int32_t k, const IRect& r) {
    return {k, static_cast<std::int32_t>(r.x), static_cast<std::int32_t>(r.y), static_cast<std::int32_t>(r.w),
            static_cast<std::int32_t>(r.h)};
}

bool overlaps(const IRect& a, const CollisionGrid::Entry& b) {
    return a.x < std::int64_t{b.x} + b.w && a.x + a.w > b.x && a.y < std::int64_t{b.y} + b.h &&
           a.y + a.h > b.y;
}

// Files entry k (rectangle `rect`) under range r.
void insertEntry(CollisionGrid& g, std::int32_t k, const CollisionGrid::Range& r, const IRect& rect) {
    g.ranges[static_cast<std::size_t>(k)] = r;
    if (r.where == 2) {
        g.oddSlot[static_cast<std::size_t>(k)] = static_cast<std::int32_t>(g.odd.size());
        g.odd.push_back(k);
        return;
    }
    const CollisionGrid::Entry entry = entryOf(k, rect);
    for (std::int64_t cy = r.cy0; cy <= r.cy1; ++cy)
        for (std::int64_t cx = r.cx0; cx <= r.cx1; ++cx)
            g.buckets[hashCell(cx, cy, g.bucketMask)].push_back(entry);
}

// Entry k stays in the same cells with a new rectangle.
void updateEntry(CollisionGrid& g, std::int32_t k, const CollisionGrid::Range& r, const IRect& rect) {
    const CollisionGrid::Entry entry = entryOf(k, rect);
    for (std::int64_t cy = r.cy0; cy <= r.cy1; ++cy)
        for (std::int64_t cx = r.cx0; cx <= r.cx1; ++cx)
            for (CollisionGrid::Entry& e : g.buckets[hashCell(cx, cy, g.bucketMask)])
                if (e.k == k) e = entry;
}

void removeEntry(CollisionGrid& g, std::int32_t k) {
    CollisionGrid::Range& r = g.ranges[static_cast<std::size_t>(k)];
    if (r.where == 2) {
        const std::int32_t slot = g.oddSlot[static_cast<std::size_t>(k)];
        const std::int32_t last = g.odd.back();
        g.odd[static_cast<std::size_t>(slot)] = last;
        g.oddSlot[static_cast<std::size_t>(last)] = slot;
        g.odd.pop_back();
        g.oddSlot[static_cast<std::size_t>(k)] = -1;
    } else if (r.where == 1) {
        for (std::int64_t cy = r.cy0; cy <= r.cy1; ++cy) {
            for (std::int64_t cx = r.cx0; cx <= r.cx1; ++cx) {
                std::vector<CollisionGrid::Entry>& b = g.buckets[hashCell(cx, cy, g.bucketMask)];
                auto it =
                    std::find_if(b.begin(), b.end(), [k](const CollisionGrid::Entry& e) { return e.k == k; });
                if (it != b.end()) {
                    *it = b.back();
                    b.pop_back();
                }
            }
        }
    }
    r.where = 0;
}

constexpr std::int32_t kRebuildAhead = 16;

// Asks for the cache line of an object that the rectangles, the entry test and the reactions read
// first (the object's first 64 bytes).
void prefetchObject(const WorldObject& o) {
    __builtin_prefetch(&o);
}

// Rebuilds the grid from the live fields. Returns false when the list cannot be indexed (an object
// listed twice); the step then uses the reference loop for this pass.
bool rebuildGrid(Biosim& e) {
    CollisionGrid& g = e.sim.grid;
    const std::int32_t n = listEntries(e);
    g.entries = n;
    g.ranges.assign(static_cast<std::size_t>(n), {});
    g.oddSlot.assign(static_cast<std::size_t>(n), -1);
    g.odd.clear();
    if (g.stamp.size() < static_cast<std::size_t>(n)) g.stamp.resize(static_cast<std::size_t>(n), 0);
    g.listPosOf.assign(e.objectTable.size(), -1);
    std::size_t nb = kMinBuckets;
    // Half as many buckets as entries: the bucket table stays in the caches, and the few cells that
    // share a bucket cost only rectangle tests on memory read in order.
    while (nb < static_cast<std::size_t>(n) / 2) nb <<= 1;
    if (g.buckets.size() != nb) {
        g.buckets.assign(nb, {});
    } else {
        for (auto& b : g.buckets) b.clear();
    }
    g.bucketMask = static_cast<std::uint32_t>(nb - 1);

    // Cell size: about twice the mean size of the listed rectangles, a power of two in 16..4096.
    std::vector<IRect>& rects = g.rects;
    rects.assign(static_cast<std::size_t>(n), {});
    double sum = 0;
    std::int64_t counted = 0;
    for (std::int32_t k = 0; k < n; ++k) {
        // The listed objects lie scattered over a table far larger than the caches: ask for those a
        // few positions ahead now, so that their misses overlap with this one's work.
        if (k + kRebuildAhead < n) {
            const std::int32_t ahead = e.collisionList[static_cast<std::size_t>(k + kRebuildAhead)];
            if (ahead >= 0 && static_cast<std::size_t>(ahead) < e.objectTable.size())
                prefetchObject(e.objectTable[static_cast<std::size_t>(ahead)]);
        }
        const std::int32_t b = e.collisionList[static_cast<std::size_t>(k)];
        if (b < 0 || static_cast<std::size_t>(b) >= e.objectTable.size()) continue;
        if (g.listPosOf[static_cast<std::size_t>(b)] != -1) return false;
        g.listPosOf[static_cast<std::size_t>(b)] = k;
        const IRect r = targetRect(obj(e, b));
        rects[static_cast<std::size_t>(k)] = r;
        if (r.w > 0 && r.h > 0 && r.w < 4096 && r.h < 4096) {
            sum += static_cast<double>(r.w + r.h) / 2.0;
            ++counted;
        }
    }
    const double mean = counted > 0 ? sum / static_cast<double>(counted) : 32.0;
    int shift = 4;
    while (shift < 12 && static_cast<double>(std::int64_t{1} << shift) < mean * 2.0) ++shift;
    g.cellShift = shift;
    for (std::int32_t k = 0; k < n; ++k) {
        const std::int32_t b = e.collisionList[static_cast<std::size_t>(k)];
        if (b < 0 || static_cast<std::size_t>(b) >= e.objectTable.size()) continue;
        insertEntry(g, k, rangeOf(g, rects[static_cast<std::size_t>(k)]), rects[static_cast<std::size_t>(k)]);
    }
    g.valid = true;
    return true;
}

} // namespace

void collisionGridInvalidate(Biosim& e) {
    e.sim.grid.valid = false;
    e.sim.grid.unusable = false;
}

void collisionGridSync(Biosim& e, std::int32_t objectIndex) {
    CollisionGrid& g = e.sim.grid;
    if (!g.valid || objectIndex < 0 || static_cast<std::size_t>(objectIndex) >= g.listPosOf.size()) return;
    const std::int32_t k = g.listPosOf[static_cast<std::size_t>(objectIndex)];
    if (k < 0) return;
    const IRect rect = targetRect(obj(e, objectIndex));
    IRect& stored = g.rects[static_cast<std::size_t>(k)];
    if (rect.x == stored.x && rect.y == stored.y && rect.w == stored.w && rect.h == stored.h) return;
    stored = rect;
    const CollisionGrid::Range r = rangeOf(g, rect);
    const CollisionGrid::Range& old = g.ranges[static_cast<std::size_t>(k)];
    if (r.where == old.where && r.where == 2) return;
    if (r.where == old.where && r.cx0 == old.cx0 && r.cx1 == old.cx1 && r.cy0 == old.cy0 &&
        r.cy1 == old.cy1) {
        updateEntry(g, k, r, rect);
        return;
    }
    removeEntry(g, k);
    insertEntry(g, k, r, rect);
}

void collisionStepReference(Biosim& e, std::int32_t a) {
    const IRect ra = testerRect(obj(e, a));
    const std::int32_t n = listEntries(e);
    for (std::int32_t k = 0; k < n; ++k) testEntry(e, a, ra, k);
}

void collisionStep(Biosim& e, std::int32_t a) {
    if (e.sim.collisionMode == CollisionMode::Reference) {
        collisionStepReference(e, a);
        return;
    }
    CollisionGrid& g = e.sim.grid;
    if (!g.valid && (g.unusable || !rebuildGrid(e))) {
        g.unusable = true;
        collisionStepReference(e, a);
        return;
    }
    const IRect ra = testerRect(obj(e, a));
    const CollisionGrid::Range qr = rangeOf(g, ra);
    if (qr.where != 1) {
        // An empty, inverted or huge tester rectangle: the plain loop is exact and cheap enough.
        collisionStepReference(e, a);
        return;
    }
    if (++g.queryId == 0) {
        std::fill(g.stamp.begin(), g.stamp.end(), 0u);
        g.queryId = 1;
    }
    // The cells hold the live rectangles (every change is synced), so entries that miss the tester
    // are dropped while the cells are read in order, without touching their objects or any table
    // indexed by list position: at 50,000 objects those scattered reads, over a table far larger
    // than the caches, were most of the step's time. Only overlapping entries are deduplicated.
    std::vector<std::int32_t>& c = g.candidates;
    c.clear();
    std::uint32_t* stamp = g.stamp.data();
    const std::uint32_t id = g.queryId;
    auto take = [&](std::int32_t k) {
        const std::size_t ks = static_cast<std::size_t>(k);
        if (stamp[ks] == id) return;
        stamp[ks] = id;
        c.push_back(k);
    };
    for (std::int64_t cy = qr.cy0; cy <= qr.cy1; ++cy)
        for (std::int64_t cx = qr.cx0; cx <= qr.cx1; ++cx)
            for (const CollisionGrid::Entry& en : g.buckets[hashCell(cx, cy, g.bucketMask)])
                if (overlaps(ra, en)) take(en.k);
    for (std::int32_t k : g.odd)
        if (overlaps(ra, g.rects[static_cast<std::size_t>(k)])) take(k);
    // The candidates' objects are read next, each most likely a cache miss: ask for them all now so
    // that the misses overlap instead of following one another.
    for (std::int32_t k : c) {
        const std::int32_t b = e.collisionList[static_cast<std::size_t>(k)];
        if (b < 0 || static_cast<std::size_t>(b) >= e.objectTable.size()) continue;
        prefetchObject(e.objectTable[static_cast<std::size_t>(b)]);
    }
    // List order is answer order (reactions draw random numbers and move objects).
    if (c.size() > 1) std::sort(c.begin(), c.end());
    // Reactions may push the entries and so edit the buckets, never this copy.
    for (std::size_t j = 0; j < c.size(); ++j) testEntry(e, a, ra, c[j]);
}

void pushObject(Biosim& e, std::int32_t a, std::int32_t b, bool horizontal) {
    const WorldObject& A = obj(e, a);
    WorldObject& B = obj(e, b);
    if (B.worldFTileRandomMove != 0) {
        const int half = B.worldFTileRandomMove / 2;
        const int r = e.random().next(B.worldFTileRandomMove);
        if (!(r > half)) return;
    }
    if (horizontal) {
        B.MapX += A.worldFTileMoveH * A.VelocityX;
    } else {
        B.MapY += A.worldFTileMoveV * A.VelocityY;
    }
    collisionGridSync(e, b);
}

void collisionReaction(Biosim& e, std::int32_t a, std::int32_t b) {
    WorldObject& A = obj(e, a);
    WorldObject& B = obj(e, b);
    if (A.worldFTilePlayerID == 0) {
        if (B.worldFTileTouchMove != 0 && A.worldFTileUseMoveLogic != 0) {
            if (A.worldFTileUseMoveLogic == 23 || A.worldFTileMoveH != 0) pushObject(e, a, b, true);
            if (A.worldFTileUseMoveLogic == 24 || A.worldFTileMoveV != 0) pushObject(e, a, b, false);
        }
    } else if (B.worldFTileTouchMove != 0) {
        if (A.worldFTileMoveH != 0) pushObject(e, a, b, true);
        if (A.worldFTileMoveV != 0) pushObject(e, a, b, false);
    }
    if (B.worldFTileTransport != 0) transportAction(e, a, b);
    if (B.worldFTileTouchTransparency != 0 && A.worldFTileVELO != 0 && a != b) {
        if (A.worldFTileIDString != world::kind::LightBlue)
            B.worldFTileTransparency = static_cast<float>(B.worldFTileTouchTransparency);
    }
    if (B.worldFTileTouchRotate != 0 && A.worldFTileVELO != 0) {
        B.worldFTileRotate += (A.worldFTileMoveH + A.worldFTileMoveV) / 10.0f;
        B.worldFTileRotate = std::clamp(B.worldFTileRotate, -1.0f, 1.0f);
    }
    if (A.worldFTileIDString == world::kind::Skeleton) {
        // A skeleton's touch hook changes nothing yet (and a skeleton never turns at random).
    } else if (A.worldFTilePlayerID != 0) {
        playerHitAction(e, a, b);
    } else {
        if (e.random().next(10) == 5) A.worldFTileMoveH *= -1;
        if (e.random().next(10) == 1) A.worldFTileMoveV *= -1;
    }
}

} // namespace sim
