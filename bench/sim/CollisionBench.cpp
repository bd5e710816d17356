// The update pass at scale: worlds of 2,000, 10,000 and 50,000 on-screen objects (a quarter moving
// testers on the collision list, a quarter standing on it, half moving scenery), the same seed and
// the same world for both collision modes. Reports milliseconds per update pass and hits per pass,
// and at the end the speed-up of the grid over the all-pairs reference per size, measured in this
// run (CPU time, which other programs on the machine disturb less than wall time).
// Every case runs three times and reports the median; the grid runs for at least half a second per
// repetition, so that a shared machine gives figures that hold still. Hits per pass count the first
// three passes, the same for both modes.
// Following: a pass over 100,000 objects of which 20,000 follow a kind that is not on the map,
// against the same pass without followers.
//
//   sim_collision_bench [--benchmark_filter=...]
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "engine/Biosim.h"
#include "platform/test/TestPlatform.h"
#include "sim/ObjectUpdate.h"
#include "sim/WorldFrame.h"

using namespace engine;
using namespace sim;

namespace {

constexpr float kScreenW = 1920, kScreenH = 1080;

struct BenchWorld {
    plat::test::TestPlatform tp{42};
    std::unique_ptr<Biosim> e;

    BenchWorld(int n, CollisionMode mode, int followers = 0) {
        e = std::make_unique<Biosim>(tp);
        Biosim& b = *e;
        b.desktopWidth = b.scrW = kScreenW;
        b.desktopHeight = b.scrH = kScreenH;
        b.objectTable.resize(static_cast<std::size_t>(n));
        b.collisionList.resize(static_cast<std::size_t>(n));
        b.spawnTemplates.resize(static_cast<std::size_t>(n));
        b.sim.collisionMode = mode;
        plat::test::TestRandom place(7);
        std::int32_t listed = 0;
        for (int i = 0; i < n; ++i) {
            WorldObject& o = b.objectTable[static_cast<std::size_t>(i)];
            o.MapX = static_cast<float>(place.next(static_cast<int>(kScreenW) - 8));
            o.MapY = static_cast<float>(place.next(static_cast<int>(kScreenH) - 8));
            o.Width = o.Height = o.ScaledWidth = o.ScaledHeight = 8;
            o.Visible = 1;
            o.worldFTileTransparency = 255;
            o.canMoveH = o.canMoveV = 1;
            o.ownerIndex = -1;
            o.worldFTileIDString = "THING";
            const int role = i % 4; // 0 tester, 1 standing listed, 2 and 3 scenery
            if (role == 0 || role == 2 || role == 3) {
                o.worldFTileVELO = o.VelocityX = o.VelocityY = 1.5f;
                o.worldFTileMoveH = place.next(1) ? 1.f : -1.f;
                o.worldFTileMoveV = place.next(1) ? 1.f : -1.f;
            }
            if (role == 2 && followers > 0) {
                --followers;
                o.worldFTileFollowObject = 1;
                o.worldFTileFollow = "PREY";
            }
            if (role <= 1) {
                o.worldFTileCollision = 1;
                b.collisionList[static_cast<std::size_t>(listed++)] = i;
            }
        }
        b.level.objectCount = n - 1;
        b.level.collisionCount = listed - 1;
        b.level.liveObjects = n;
        b.level.collisionEntries = listed;
    }

    void resetFlags() {
        for (WorldObject& o : e->objectTable) o.canMoveH = o.canMoveV = 1;
    }
};

void updatePassBench(benchmark::State& state, CollisionMode mode) {
    const int n = static_cast<int>(state.range(0));
    const int followers = static_cast<int>(state.range(1));
    BenchWorld w(n, mode, followers);
    updatePass(*w.e); // warm-up: flags and grid settle
    w.resetFlags();
    const std::int64_t hits0 = w.e->sim.hits;
    std::int64_t passes = 0, hits3 = 0;
    for (auto _ : state) {
        updatePass(*w.e);
        if (++passes == 3) hits3 = w.e->sim.hits - hits0;
        state.PauseTiming();
        w.resetFlags();
        state.ResumeTiming();
    }
    state.counters["hits/pass"] = static_cast<double>(hits3) / 3.0;
    state.counters["objects"] = n;
    state.counters["followers"] = followers;
}

// Both modes run the same number of passes from the same world, so their hits per pass are equal.
void registerAll() {
    const std::pair<int, int> sizes[] = {{2000, 60}, {10000, 12}, {50000, 3}};
    for (auto [n, passes] : sizes) {
        benchmark::RegisterBenchmark("UpdatePass/Grid",
                                     [](benchmark::State& s) { updatePassBench(s, CollisionMode::Grid); })
            ->Args({n, 0})
            ->MinTime(0.5)
            ->Repetitions(3)
            ->ReportAggregatesOnly(true)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(
            "UpdatePass/Reference", [](benchmark::State& s) { updatePassBench(s, CollisionMode::Reference); })
            ->Args({n, 0})
            ->Iterations(std::max(passes, 3))
            ->Repetitions(3)
            ->ReportAggregatesOnly(true)
            ->Unit(benchmark::kMillisecond);
    }
    for (int followers : {0, 20000})
        benchmark::RegisterBenchmark("Following/Grid",
                                     [](benchmark::State& s) { updatePassBench(s, CollisionMode::Grid); })
            ->Args({100000, followers})
            ->MinTime(0.5)
            ->Repetitions(3)
            ->ReportAggregatesOnly(true)
            ->Unit(benchmark::kMillisecond);
}

// Prints as usual and keeps each run's CPU and wall time per pass for the ratio lines.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : benchmark::ConsoleReporter(OO_None) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            if (r.aggregate_name != "median") continue;
            const std::string name = r.benchmark_name();
            const double cpu = r.GetAdjustedCPUTime();
            if (name.rfind("Following/", 0) == 0) {
                const bool with = r.counters.count("followers") && r.counters.at("followers").value > 0;
                (with ? follow_.gridCpu : follow_.refCpu) = cpu;
                continue;
            }
            const bool grid = name.find("/Grid/") != std::string::npos;
            const int n = static_cast<int>(r.counters.count("objects") ? r.counters.at("objects").value : 0);
            Times& t = times_[n];
            (grid ? t.gridCpu : t.refCpu) = cpu;
            (grid ? t.gridWall : t.refWall) = r.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void printRatios() const {
        for (const auto& [n, t] : times_) {
            if (t.gridCpu <= 0 || t.refCpu <= 0) continue;
            std::printf("%6d objects: reference / grid = %.0fx CPU time (%.0fx wall time)\n", n,
                        t.refCpu / t.gridCpu, t.gridWall > 0 ? t.refWall / t.gridWall : 0.0);
        }
        if (follow_.gridCpu > 0 && follow_.refCpu > 0)
            std::printf("100000 objects: a pass with 20000 followers / without = %.2fx CPU time\n",
                        follow_.gridCpu / follow_.refCpu);
    }

private:
    struct Times {
        double gridCpu = 0, refCpu = 0, gridWall = 0, refWall = 0;
    };
    std::map<int, Times> times_;
    Times follow_; // gridCpu: with followers, refCpu: without
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    registerAll();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
