// Sprite throughput: N drawable sprites of 20 textures per frame through the platform layer, and the
// same quads with raw SDL calls, both on the software renderer offscreen at 1024 x 768.
//
//   build/bench/platform/platform_sprite_bench
//
// The "fps" counter of each run is frames per second of CPU time (the renderer runs on the calling
// thread, so this holds on a busy machine too); raw fps / layer fps is the layer's cost.
#include "platform/sdl/SdlAccess.h"
#include "platform/sdl/SdlPlatform.h"

#include <SDL2/SDL_image.h>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int kTextures = 20;
constexpr int kW = 1024, kH = 768;

struct Quad {
    int texture;
    float x, y, w, h;
    int alpha;
};

// Fixed positions and sizes, the same for both paths.
std::vector<Quad> makeQuads(int n) {
    std::vector<Quad> q;
    std::uint32_t s = 12345;
    auto next = [&s](int m) {
        s = s * 1103515245u + 12345u;
        return static_cast<int>((s >> 8) % static_cast<std::uint32_t>(m));
    };
    for (int i = 0; i < n; ++i)
        q.push_back({i % kTextures, static_cast<float>(next(kW - 32)), static_cast<float>(next(kH - 32)),
                     static_cast<float>(16 + next(32)), static_cast<float>(16 + next(32)), 128 + next(128)});
    return q;
}

// 20 real PNG tiles of 32 x 32 with a pure green border that becomes transparent.
std::vector<std::string> writeTiles(const std::string& dir) {
    std::vector<std::string> files;
    for (int t = 0; t < kTextures; ++t) {
        SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 32, 32, 32, SDL_PIXELFORMAT_ARGB8888);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                const bool border = x < 3 || y < 3 || x > 28 || y > 28;
                static_cast<Uint32*>(s->pixels)[y * (s->pitch / 4) + x] =
                    border ? 0xff00ff00u
                           : 0xff000000u | static_cast<Uint32>(t * 12) << 16 |
                                 static_cast<Uint32>(x * 8) << 8 | static_cast<Uint32>(y * 8);
            }
        files.push_back(dir + "/tile" + std::to_string(t) + ".png");
        IMG_SavePNG(s, files.back().c_str());
        SDL_FreeSurface(s);
    }
    return files;
}

struct Fixture {
    std::string dir;
    std::unique_ptr<plat::Platform> p;
    std::vector<std::string> files;
    Fixture() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "bt_bench_XXXXXX").string();
        dir = ::mkdtemp(tmpl.data()) ? tmpl : "/tmp";
        plat::sdl::Options o;
        o.headless = true;
        o.seed = 1;
        p = plat::sdl::createPlatform(std::move(o));
        p->graphics().openScreen(kW, kH, 32, "bench", plat::ScreenMode::Offscreen);
        files = writeTiles(dir);
    }
    ~Fixture() {
        p.reset();
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

void BM_LayerSprites(benchmark::State& state) {
    Fixture f;
    plat::Graphics& g = f.p->graphics();
    std::vector<plat::SpriteId> images;
    for (const std::string& file : f.files) {
        const plat::SpriteId id = g.loadSprite(file);
        g.setTransparentColour(id, plat::rgb(0, 255, 0));
        images.push_back(id);
    }
    const std::vector<Quad> quads = makeQuads(static_cast<int>(state.range(0)));
    std::vector<plat::SpriteId> sprites;
    for (const Quad& q : quads) {
        const plat::SpriteId s = g.createDrawable(images[static_cast<std::size_t>(q.texture)]);
        g.zoomSprite(s, q.w, q.h);
        sprites.push_back(s);
    }
    g.setBlend(plat::BlendSrcAlpha, plat::BlendInvSrcAlpha);
    for (auto _ : state) {
        g.clear(plat::rgb(20, 20, 40));
        g.begin3D();
        for (std::size_t i = 0; i < quads.size(); ++i)
            g.drawSprite(sprites[i], quads[i].x, quads[i].y, quads[i].alpha);
        g.end3D();
        g.flip(1);
    }
    state.counters["fps"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// Raw SDL quads. toTarget = false: straight into the window, as a plain SDL program draws.
// toTarget = true: into an opaque target texture copied to the window at the end of each frame,
// the same pipeline the layer uses, so the difference is the layer's own bookkeeping.
void rawQuads(benchmark::State& state, bool toTarget) {
    Fixture f;
    SDL_Renderer* r = plat::sdl::renderer(*f.p);
    SDL_SetRenderTarget(r, nullptr);
    SDL_Texture* target =
        toTarget ? SDL_CreateTexture(r, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_TARGET, kW, kH) : nullptr;
    std::vector<SDL_Texture*> textures;
    for (const std::string& file : f.files) {
        SDL_Surface* s = IMG_Load(file.c_str());
        SDL_SetColorKey(s, SDL_TRUE, SDL_MapRGB(s->format, 0, 255, 0));
        SDL_Texture* t = SDL_CreateTextureFromSurface(r, s);
        SDL_FreeSurface(s);
        SDL_SetTextureBlendMode(t, SDL_BLENDMODE_BLEND);
        textures.push_back(t);
    }
    const std::vector<Quad> quads = makeQuads(static_cast<int>(state.range(0)));
    static constexpr int indices[6] = {0, 1, 2, 0, 2, 3};
    for (auto _ : state) {
        SDL_SetRenderTarget(r, target);
        SDL_SetRenderDrawColor(r, 20, 20, 40, 255);
        SDL_RenderClear(r);
        for (const Quad& q : quads) {
            const SDL_Color c{255, 255, 255, static_cast<Uint8>(q.alpha)};
            const SDL_Vertex v[4] = {{{q.x, q.y}, c, {0, 0}},
                                     {{q.x + q.w, q.y}, c, {1, 0}},
                                     {{q.x + q.w, q.y + q.h}, c, {1, 1}},
                                     {{q.x, q.y + q.h}, c, {0, 1}}};
            SDL_RenderGeometry(r, textures[static_cast<std::size_t>(q.texture)], v, 4, indices, 6);
        }
        if (target) {
            SDL_SetRenderTarget(r, nullptr);
            SDL_RenderCopy(r, target, nullptr, nullptr);
        }
        SDL_RenderPresent(r);
    }
    for (SDL_Texture* t : textures) SDL_DestroyTexture(t);
    if (target) SDL_DestroyTexture(target);
    state.counters["fps"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_RawSdlQuads(benchmark::State& state) {
    rawQuads(state, false);
}
void BM_RawSdlQuadsViaTarget(benchmark::State& state) {
    rawQuads(state, true);
}

} // namespace

BENCHMARK(BM_LayerSprites)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_RawSdlQuads)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_RawSdlQuadsViaTarget)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK_MAIN();
