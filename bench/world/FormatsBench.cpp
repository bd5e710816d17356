// Parsing a generated map folder (100,000 records over 10 layers) and a DNA set (1,000 kinds),
// each next to the raw cost of reading the same files from the page cache in the same run.
// Prints records/s and MB/s per benchmark, then the parse / raw-read ratios.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

#include "world/TileDna.h"
#include "world/DnaFile.h"
#include "world/MapFormat.h"

namespace {

constexpr int kRecords = 100000;
constexpr int kLayers = 10;
constexpr int kKinds = 1000;

struct Fixture {
    std::string root;
    std::string mapFolder;
    std::string dnaFolder;
    std::vector<std::string> segmentFiles;
    std::vector<std::string> dnaFiles; // full names, with ".dll"
    std::size_t mapBytes = 0;
    std::size_t dnaBytes = 0;

    Fixture() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "worldbench.XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) std::abort();
        root = tmpl + "/";
        mapFolder = root + "map/";
        dnaFolder = root + "dna/";
        std::filesystem::create_directories(mapFolder);
        std::filesystem::create_directories(dnaFolder);

        std::vector<world::PlacedTile> tiles(kRecords);
        for (int i = 0; i < kRecords; ++i) {
            world::PlacedTile& t = tiles[static_cast<std::size_t>(i)];
            t.name = "tilekind_" + std::to_string(i % kKinds);
            t.kind = i % kKinds;
            t.x = static_cast<float>((i * 37) % 4096);
            t.y = static_cast<float>((i * 53) % 3072);
            t.width = 32 + static_cast<float>(i % 64);
            t.height = 16 + static_cast<float>(i % 48);
            t.layer = i % kLayers;
        }
        world::MapFolderSave save;
        save.maxUsedLayer = kLayers - 1;
        save.highestTileIndex = kRecords - 1;
        if (!world::writeMapFolder(mapFolder, tiles, save).ok) std::abort();
        for (int s = 0; s < kLayers; ++s) {
            segmentFiles.push_back(mapFolder + std::to_string(s));
            mapBytes += std::filesystem::file_size(segmentFiles.back());
        }

        // Each kind's file holds every key of biosim's table, as a full DNA file would.
        for (int k = 0; k < kKinds; ++k) {
            std::vector<world::DnaEntry> entries;
            int n = k;
            for (const auto& row : world::tileDnaKeys()) {
                std::string value = row.kind == world::DnaValueKind::Text    ? "NOPE"
                                    : row.kind == world::DnaValueKind::Float ? std::to_string(n % 100) + ".25"
                                                                             : std::to_string(n % 200);
                entries.push_back({std::string(row.name), value});
                ++n;
            }
            const std::string file = dnaFolder + "tilekind_" + std::to_string(k) + ".dll";
            if (!world::writeDnaFile(file, entries).ok) std::abort();
            dnaFiles.push_back(file);
            dnaBytes += std::filesystem::file_size(file);
        }
    }
    ~Fixture() {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

// The raw cost: open, read the whole file into a reused buffer, close.
std::size_t rawRead(const std::vector<std::string>& files, std::vector<char>& buf) {
    std::size_t total = 0;
    for (const std::string& f : files) {
        const int fd = ::open(f.c_str(), O_RDONLY);
        if (fd < 0) std::abort();
        for (;;) {
            const ssize_t n = ::read(fd, buf.data(), buf.size());
            if (n <= 0) break;
            total += static_cast<std::size_t>(n);
        }
        ::close(fd);
    }
    return total;
}

void BM_MapFolderRawRead(benchmark::State& state) {
    Fixture& f = fixture();
    std::vector<char> buf(1 << 20);
    for (auto _ : state) benchmark::DoNotOptimize(rawRead(f.segmentFiles, buf));
    state.SetItemsProcessed(state.iterations() * kRecords);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * f.mapBytes));
}

// What reading the same files through textio costs, before any line is looked at.
void BM_MapFolderTextioRead(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        std::size_t total = 0;
        for (const std::string& file : f.segmentFiles) {
            std::string content;
            if (!textio::readFile(file, content)) std::abort();
            total += content.size();
        }
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * f.mapBytes));
}

void BM_MapFolderParse(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        std::int32_t lineCounter = 0;
        std::int64_t records = 0;
        double sum = 0;
        for (int s = 0; s < kLayers; ++s) {
            world::MapRecordReader reader;
            if (!reader.open(f.segmentFiles[static_cast<std::size_t>(s)])) std::abort();
            world::MapRecord rec;
            while (reader.next(rec, &lineCounter)) {
                if (rec.layer != s) continue;
                sum += rec.x + rec.y + rec.width + rec.height + static_cast<double>(rec.name.size());
                ++records;
            }
        }
        if (records != kRecords) std::abort();
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * f.mapBytes));
}

void BM_MapFolderTarnRead(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        world::LoadedMap map;
        if (!world::readMapFolder(f.mapFolder, map)) std::abort();
        benchmark::DoNotOptimize(map.tiles.data());
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * f.mapBytes));
}

void BM_DnaSetRawRead(benchmark::State& state) {
    Fixture& f = fixture();
    std::vector<char> buf(1 << 16);
    for (auto _ : state) benchmark::DoNotOptimize(rawRead(f.dnaFiles, buf));
    state.SetItemsProcessed(state.iterations() * kKinds);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * f.dnaBytes));
}

void BM_DnaSetParse(benchmark::State& state) {
    Fixture& f = fixture();
    std::vector<world::TileDna> table(kKinds);
    std::vector<std::string> paths;
    for (const std::string& file : f.dnaFiles) paths.push_back(file.substr(0, file.size() - 4));
    for (auto _ : state) {
        for (int k = 0; k < kKinds; ++k)
            if (!world::readTileDna(table[static_cast<std::size_t>(k)], paths[static_cast<std::size_t>(k)]))
                std::abort();
        benchmark::DoNotOptimize(table.data());
    }
    state.SetItemsProcessed(state.iterations() * kKinds);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * f.dnaBytes));
}

void BM_DnaSetTarnParse(benchmark::State& state) {
    Fixture& f = fixture();
    std::vector<world::TarnTileDna> table(kKinds);
    std::vector<std::string> paths;
    for (const std::string& file : f.dnaFiles) paths.push_back(file.substr(0, file.size() - 4));
    for (auto _ : state) {
        for (int k = 0; k < kKinds; ++k)
            if (!world::readTarnTileDna(table[static_cast<std::size_t>(k)],
                                        paths[static_cast<std::size_t>(k)]))
                std::abort();
        benchmark::DoNotOptimize(table.data());
    }
    state.SetItemsProcessed(state.iterations() * kKinds);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * f.dnaBytes));
}

BENCHMARK(BM_MapFolderRawRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MapFolderTextioRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MapFolderParse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MapFolderTarnRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DnaSetRawRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DnaSetParse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DnaSetTarnParse)->Unit(benchmark::kMillisecond);

// Keeps the CPU time (user and kernel, steadier than wall time on a shared machine) per iteration of each
// benchmark so the ratios can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration) times_[r.benchmark_name()] = r.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
    void printRatios() const {
        auto ratio = [&](const char* parse, const char* raw) {
            const auto p = times_.find(parse), r = times_.find(raw);
            if (p == times_.end() || r == times_.end() || r->second <= 0) return;
            std::printf("%-22s / %-20s = %.2f x\n", parse, raw, p->second / r->second);
        };
        const Fixture& f = fixture();
        std::printf("\nmap folder: %d records, %d segments, %.2f MB; DNA set: %d files, %.2f MB\n", kRecords,
                    kLayers, static_cast<double>(f.mapBytes) / 1e6, kKinds,
                    static_cast<double>(f.dnaBytes) / 1e6);
        ratio("BM_MapFolderTextioRead", "BM_MapFolderRawRead");
        ratio("BM_MapFolderParse", "BM_MapFolderRawRead");
        ratio("BM_MapFolderTarnRead", "BM_MapFolderRawRead");
        ratio("BM_DnaSetParse", "BM_DnaSetRawRead");
        ratio("BM_DnaSetTarnParse", "BM_DnaSetRawRead");
    }

private:
    std::map<std::string, double> times_;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    fixture(); // build the files before any timing
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
