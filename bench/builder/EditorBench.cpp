// tarn's editor with maps of 1k, 10k and 100k tiles on 10 layers, on the software renderer
// offscreen at 1024 x 768:
//
//   build/bench/builder/builder_editor_bench
//
// - BM_EditorRedraw / BM_RawSdlSameQuads: one editor frame (world, cursor tile, screen log) against
//   raw SDL drawing the same quads through the same target texture; "fps" is frames per second.
// - BM_PlaceDelete: one placement and one deletion of an old tile under the cursor (the model only),
//   BM_PlaceWithSnapshot: a placement with its undo snapshot, as a click in the editor does.
// - BM_Save*/BM_Load*: the single map file and the map folder.
#include "builder/Builder.h"
#include "builder/DnaSet.h"
#include "builder/EditorScreen.h"
#include "builder/MapEditing.h"
#include "builder/MapFiles.h"
#include "builder/UndoSnapshots.h"
#include "platform/sdl/SdlAccess.h"
#include "platform/sdl/SdlPlatform.h"

#include <SDL2/SDL_image.h>
#include <benchmark/benchmark.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kW = 1024, kH = 768;
constexpr int kKinds = 20;
constexpr int kLayers = 10;

// A working folder with 20 tile kinds (32 x 32 PNG with a green border, and a DNA file) and an
// editor on the headless SDL platform holding `tiles` tiles spread over layers 0..9.
struct Editor {
    std::string dir;
    std::unique_ptr<plat::Platform> p;
    tarn::Builder b;

    explicit Editor(int tiles) {
        std::string tmpl = (std::filesystem::temp_directory_path() / "tarn_bench_XXXXXX").string();
        dir = std::string(::mkdtemp(tmpl.data())) + "/";
        std::filesystem::create_directories(dir + "tiles");
        for (int t = 0; t < kKinds; ++t) {
            SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 32, 32, 32, SDL_PIXELFORMAT_ARGB8888);
            for (int y = 0; y < 32; ++y)
                for (int x = 0; x < 32; ++x)
                    static_cast<Uint32*>(s->pixels)[y * (s->pitch / 4) + x] =
                        x < 3 || y < 3 || x > 28 || y > 28 ? 0xff00ff00u
                                                           : 0xff000000u | static_cast<Uint32>(t * 12) << 16;
            const std::string name = dir + "tiles/k" + std::to_string(t);
            IMG_SavePNG(s, (name + ".png").c_str());
            SDL_FreeSurface(s);
            std::ofstream(name + ".dll") << "worldFTileTransparency\r\n255\r\n";
        }
        plat::sdl::Options o;
        o.headless = true;
        o.seed = 1;
        p = plat::sdl::createPlatform(std::move(o));
        p->graphics().openScreen(kW, kH, 32, "bench", plat::ScreenMode::Offscreen);
        b.services.platform = p.get();
        tarn::initBuilder(b, dir);
        b.cfg.GFXPATH = dir + "tiles/";
        b.cfg.GFXCODEC = ".png";
        b.cfg.G = 255;
        b.cfg.LOGFILE = dir + "USER/";
        b.cfg.MAXTILES = 200000;
        b.cfg.MATRIXRASTER = 0; // no grid: the frame is the world, the cursor tile and the log
        b.cfg.WIDTH = kW;
        b.cfg.HEIGHT = kH;
        b.screen.desktopWidth = kW;
        b.screen.desktopHeight = kH;
        b.edit.rasterMode = tarn::kRasterOff;
        tarn::loadDnaSet(b);
        std::uint32_t seed = 12345;
        auto next = [&seed](int m) {
            seed = seed * 1103515245u + 12345u;
            return static_cast<int>((seed >> 8) % static_cast<std::uint32_t>(m));
        };
        for (int i = 0; i < tiles; ++i) {
            b.tiles.currentKind = i % kKinds;
            b.edit.currentLayer = i % kLayers;
            b.edit.cursorX = next(kW - 32);
            b.edit.cursorY = next(kH - 32);
            tarn::placeTile(b);
        }
        b.edit.currentLayer = 1;
    }
    ~Editor() {
        b.tiles.kinds.clear();
        p.reset();
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

void fps(benchmark::State& state) {
    state.counters["fps"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_EditorRedraw(benchmark::State& state) {
    Editor e(static_cast<int>(state.range(0)));
    for (auto _ : state) tarn::redraw(e.b);
    fps(state);
}

// The same quads (the editor's objects in its drawing order, and the cursor tile) with raw SDL calls
// into a target texture that is copied to the window, as the platform layer does.
void BM_RawSdlSameQuads(benchmark::State& state) {
    Editor e(static_cast<int>(state.range(0)));
    SDL_Renderer* r = plat::sdl::renderer(*e.p);
    SDL_SetRenderTarget(r, nullptr);
    SDL_Texture* target = SDL_CreateTexture(r, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_TARGET, kW, kH);
    std::vector<SDL_Texture*> textures;
    for (int t = 0; t < kKinds; ++t) {
        SDL_Surface* s = IMG_Load((e.b.cfg.GFXPATH + "k" + std::to_string(t) + ".png").c_str());
        SDL_SetColorKey(s, SDL_TRUE, SDL_MapRGB(s->format, 0, 255, 0));
        textures.push_back(SDL_CreateTextureFromSurface(r, s));
        SDL_SetTextureBlendMode(textures.back(), SDL_BLENDMODE_BLEND);
        SDL_FreeSurface(s);
    }
    std::vector<const tarn::EditorObject*> order;
    for (int layer = 0; layer < kLayers; ++layer)
        for (int i = 0; i <= e.b.map.lastObject; ++i)
            if (e.b.map.objects[static_cast<std::size_t>(i)].layer == layer)
                order.push_back(&e.b.map.objects[static_cast<std::size_t>(i)]);
    static constexpr int indices[6] = {0, 1, 2, 0, 2, 3};
    for (auto _ : state) {
        SDL_SetRenderTarget(r, target);
        SDL_SetRenderDrawColor(r, 10, 10, 10, 255);
        SDL_RenderClear(r);
        for (const tarn::EditorObject* o : order) {
            const SDL_Color c{255, 255, 255, 255};
            const SDL_Vertex v[4] = {{{o->x, o->y}, c, {0, 0}},
                                     {{o->x + o->width, o->y}, c, {1, 0}},
                                     {{o->x + o->width, o->y + o->height}, c, {1, 1}},
                                     {{o->x, o->y + o->height}, c, {0, 1}}};
            SDL_RenderGeometry(r, textures[static_cast<std::size_t>(o->kind)], v, 4, indices, 6);
        }
        SDL_SetRenderTarget(r, nullptr);
        SDL_RenderCopy(r, target, nullptr, nullptr);
        SDL_RenderPresent(r);
    }
    for (SDL_Texture* t : textures) SDL_DestroyTexture(t);
    SDL_DestroyTexture(target);
    fps(state);
}

// A placement at a fresh spot and the deletion of an old tile of the current layer under the cursor.
void BM_PlaceDelete(benchmark::State& state) {
    Editor e(static_cast<int>(state.range(0)));
    int victim = 1; // walks through the old tiles of layer 1 (indices 1, 11, 21, ...)
    for (auto _ : state) {
        e.b.edit.cursorX = 500;
        e.b.edit.cursorY = 300;
        e.b.edit.currentLayer = 1;
        tarn::placeTile(e.b);
        const tarn::EditorObject& o = e.b.map.objects[static_cast<std::size_t>(victim)];
        e.b.edit.cursorX = static_cast<int>(o.x) + 1;
        e.b.edit.cursorY = static_cast<int>(o.y) + 1;
        tarn::deleteTile(e.b);
        victim += kLayers;
        if (victim > static_cast<int>(state.range(0)) - 1) victim = 1;
    }
}

void BM_PlaceWithSnapshot(benchmark::State& state) {
    Editor e(static_cast<int>(state.range(0)));
    tarn::startSnapshots(e.b);
    for (auto _ : state) {
        tarn::placeTile(e.b);
        tarn::recordChange(e.b);
    }
}

void BM_SaveMapFile(benchmark::State& state) {
    Editor e(static_cast<int>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(tarn::saveMapFile(e.b, e.dir + "map").ok);
}
void BM_LoadMapFile(benchmark::State& state) {
    Editor e(static_cast<int>(state.range(0)));
    tarn::saveMapFile(e.b, e.dir + "map");
    for (auto _ : state) benchmark::DoNotOptimize(tarn::loadMapFile(e.b, e.dir + "map").ok);
}
void BM_SaveMapFolder(benchmark::State& state) {
    Editor e(static_cast<int>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(tarn::saveMapFolder(e.b, e.dir + "MAPS/5/").ok);
}
void BM_LoadMapFolder(benchmark::State& state) {
    Editor e(static_cast<int>(state.range(0)));
    tarn::saveMapFolder(e.b, e.dir + "MAPS/5/");
    for (auto _ : state) benchmark::DoNotOptimize(tarn::loadMapFolder(e.b, e.dir + "MAPS/5/").ok);
}

} // namespace

BENCHMARK(BM_EditorRedraw)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawSdlSameQuads)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlaceDelete)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlaceWithSnapshot)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveMapFile)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadMapFile)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveMapFolder)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadMapFolder)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
