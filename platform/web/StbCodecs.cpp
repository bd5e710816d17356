// Images, screenshots and text of the browser build: the SDL2_image and SDL2_ttf calls of the SDL
// backend, answered with Debian's stb single-file decoders and encoder. Building the SDL satellite
// libraries and their codecs (libpng, zlib, libjpeg, freetype, harfbuzz) for WebAssembly would cost
// far more build time and download size than these few thousand lines.
#include <SDL2/SDL_image.h>
#include <SDL2/SDL_ttf.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Weverything"
#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#define STBI_FAILURE_USERMSG
#include <stb/stb_image.h>
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb/stb_image_write.h>
#define STB_TRUETYPE_IMPLEMENTATION
#include <stb/stb_truetype.h>
#pragma clang diagnostic pop

namespace {

// Every byte of `src` from its current position on.
std::vector<unsigned char> readAll(SDL_RWops* src) {
    std::vector<unsigned char> bytes;
    unsigned char buf[16384];
    for (;;) {
        const size_t n = SDL_RWread(src, buf, 1, sizeof buf);
        if (n == 0) break;
        bytes.insert(bytes.end(), buf, buf + n);
    }
    return bytes;
}

std::vector<unsigned char> readFile(const char* file) {
    std::vector<unsigned char> bytes;
    SDL_RWops* rw = SDL_RWFromFile(file, "rb");
    if (!rw) return bytes;
    bytes = readAll(rw);
    SDL_RWclose(rw);
    return bytes;
}

SDL_Surface* decode(const std::vector<unsigned char>& bytes) {
    if (bytes.empty() || bytes.size() > 0x7fffffffu) {
        SDL_SetError("empty or too large image");
        return nullptr;
    }
    int w = 0, h = 0, n = 0;
    unsigned char* px = stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &w, &h, &n, 4);
    if (!px) {
        SDL_SetError("%s", stbi_failure_reason());
        return nullptr;
    }
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_RGBA32);
    if (s) {
        for (int y = 0; y < h; ++y)
            std::memcpy(static_cast<unsigned char*>(s->pixels) + y * s->pitch,
                        px + static_cast<size_t>(y) * w * 4, static_cast<size_t>(w) * 4);
    }
    stbi_image_free(px);
    return s;
}

void appendToRw(void* context, void* data, int size) {
    SDL_RWops* dst = static_cast<SDL_RWops*>(context);
    if (SDL_RWwrite(dst, data, 1, static_cast<size_t>(size)) != static_cast<size_t>(size))
        SDL_SetError("PNG: write failed");
}

} // namespace

extern "C" {

int IMG_Init(int flags) {
    return flags & (IMG_INIT_JPG | IMG_INIT_PNG);
}

SDL_Surface* IMG_LoadTyped_RW(SDL_RWops* src, int freesrc, const char*) {
    if (!src) return nullptr;
    const std::vector<unsigned char> bytes = readAll(src);
    if (freesrc) SDL_RWclose(src);
    return decode(bytes);
}

SDL_Surface* IMG_Load(const char* file) {
    const std::vector<unsigned char> bytes = readFile(file);
    if (bytes.empty()) {
        SDL_SetError("cannot read %s", file);
        return nullptr;
    }
    return decode(bytes);
}

int IMG_SavePNG_RW(SDL_Surface* surface, SDL_RWops* dst, int freedst) {
    int rc = -1;
    if (surface && dst) {
        SDL_Surface* rgba = SDL_ConvertSurfaceFormat(surface, SDL_PIXELFORMAT_RGBA32, 0);
        if (rgba) {
            SDL_ClearError();
            const int ok =
                stbi_write_png_to_func(&appendToRw, dst, rgba->w, rgba->h, 4, rgba->pixels, rgba->pitch);
            rc = ok ? 0 : -1;
            SDL_FreeSurface(rgba);
        }
    }
    if (dst && freedst) SDL_RWclose(dst);
    return rc;
}

// ------------------------------------------------------------------------------------ text

struct TTF_Font {
    std::vector<unsigned char> data; // the font file; stb_truetype reads it in place
    stbtt_fontinfo info{};
    float scale = 1;
    int ascent = 0;   // pixels above the baseline
    int lineSkip = 0; // pixels from one baseline to the next
};

int TTF_Init(void) {
    return 0;
}
void TTF_Quit(void) {}

TTF_Font* TTF_OpenFont(const char* file, int ptsize) {
    auto* f = new TTF_Font;
    f->data = readFile(file);
    if (f->data.empty() ||
        stbtt_InitFont(&f->info, f->data.data(), stbtt_GetFontOffsetForIndex(f->data.data(), 0)) == 0) {
        delete f;
        SDL_SetError("cannot read the font %s", file);
        return nullptr;
    }
    f->scale = stbtt_ScaleForMappingEmToPixels(&f->info, static_cast<float>(ptsize));
    int ascent = 0, descent = 0, gap = 0;
    stbtt_GetFontVMetrics(&f->info, &ascent, &descent, &gap);
    f->ascent = static_cast<int>(std::ceil(ascent * f->scale));
    f->lineSkip = static_cast<int>(std::lround((ascent - descent + gap) * f->scale));
    return f;
}

void TTF_CloseFont(TTF_Font* font) {
    delete font;
}

int TTF_FontLineSkip(const TTF_Font* font) {
    return font ? font->lineSkip : 0;
}

SDL_Surface* TTF_RenderText_Blended(TTF_Font* font, const char* text, SDL_Color fg) {
    if (!font || !text || !*text) return nullptr;
    const size_t len = std::strlen(text);
    // Pen positions first, for the width.
    std::vector<float> pen(len + 1, 0.0f);
    for (size_t i = 0; i < len; ++i) {
        const int cp = static_cast<unsigned char>(text[i]);
        int advance = 0, bearing = 0;
        stbtt_GetCodepointHMetrics(&font->info, cp, &advance, &bearing);
        float x = pen[i] + advance * font->scale;
        if (i + 1 < len)
            x += font->scale *
                 stbtt_GetCodepointKernAdvance(&font->info, cp, static_cast<unsigned char>(text[i + 1]));
        pen[i + 1] = x;
    }
    const int w = std::max(1, static_cast<int>(std::ceil(pen[len])));
    const int h = std::max(1, font->lineSkip);
    std::vector<unsigned char> cover(static_cast<size_t>(w) * h, 0);
    for (size_t i = 0; i < len; ++i) {
        const int cp = static_cast<unsigned char>(text[i]);
        int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        const float shift = pen[i] - std::floor(pen[i]);
        stbtt_GetCodepointBitmapBoxSubpixel(&font->info, cp, font->scale, font->scale, shift, 0, &x0, &y0,
                                            &x1, &y1);
        const int gw = x1 - x0, gh = y1 - y0;
        if (gw <= 0 || gh <= 0) continue;
        std::vector<unsigned char> glyph(static_cast<size_t>(gw) * gh);
        stbtt_MakeCodepointBitmapSubpixel(&font->info, glyph.data(), gw, gh, gw, font->scale, font->scale,
                                          shift, 0, cp);
        const int ox = static_cast<int>(std::floor(pen[i])) + x0, oy = font->ascent + y0;
        for (int y = 0; y < gh; ++y) {
            const int ty = oy + y;
            if (ty < 0 || ty >= h) continue;
            for (int x = 0; x < gw; ++x) {
                const int tx = ox + x;
                if (tx < 0 || tx >= w) continue;
                unsigned char& c = cover[static_cast<size_t>(ty) * w + tx];
                c = std::max(c, glyph[static_cast<size_t>(y) * gw + x]);
            }
        }
    }
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
    if (!s) return nullptr;
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<Uint32*>(static_cast<unsigned char*>(s->pixels) + y * s->pitch);
        for (int x = 0; x < w; ++x) {
            const Uint32 a = cover[static_cast<size_t>(y) * w + x] * fg.a / 255u;
            row[x] = a << 24 | Uint32{fg.r} << 16 | Uint32{fg.g} << 8 | fg.b;
        }
    }
    return s;
}

} // extern "C"
