// The SDL2 backend (see SdlPlatform.h).
//
// Frame: everything is drawn into one target texture the size of the screen. flip() copies it to
// the window (stretched when the window's output differs), lets the editor draw on top, presents,
// and pumps events. Grabs are copies out of that texture, screenshots read it back.
//
// Sprites: an Image is one decoded picture and its texture; a sprite handle points at an Image and
// carries its own zoom, angle and corners. Drawable sprites share their source's Image, so setting a
// transparent colour on either re-keys the one texture they both draw.
#include "platform/sdl/SdlPlatform.h"

#include "platform/ImageFiles.h"
#include "platform/Keys.h"
#include "platform/Services.h"
#include "platform/TextIo.h"
#include "platform/sdl/BlendMap.h"
#include "platform/sdl/SdlAccess.h"

#include <SDL2/SDL_image.h>
#include <SDL2/SDL_mixer.h>
#include <SDL2/SDL_ttf.h>
#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <unordered_map>
#include <vector>

#ifdef __EMSCRIPTEN__
#include <emscripten.h>

// Whether the page's WebGL draws on the processor (SwiftShader, llvmpipe: a machine without a
// graphics card). WebGL hides the renderer's name behind "WebKit WebGL"; the debug extension tells
// it where the browser allows.
// clang-format off
EM_JS(int, webglRasterizesInSoftware, (), {
    try {
        const gl = document.createElement('canvas').getContext('webgl');
        if (!gl) return 0;
        const info = gl.getExtension('WEBGL_debug_renderer_info');
        const name = String(gl.getParameter(info ? info.UNMASKED_RENDERER_WEBGL : gl.RENDERER));
        const lose = gl.getExtension('WEBGL_lose_context');
        if (lose) lose.loseContext();
        return /SwiftShader|llvmpipe|softpipe|Software/i.test(name) ? 1 : 0;
    } catch (e) {
        return 0;
    }
});
// clang-format on
#endif

extern char** environ;

namespace plat::sdl {
namespace {

// Whether an OpenGL renderer's rasterizer runs on the processor (Mesa's llvmpipe, softpipe or swrast).
bool rasterizesInSoftware(SDL_Renderer* r) {
    SDL_RendererInfo info{};
    if (SDL_GetRendererInfo(r, &info) != 0 || !info.name || std::strncmp(info.name, "opengl", 6) != 0)
        return false;
    using GetString = const unsigned char* (*)(unsigned int);
    auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    if (!getString) return false;
    const unsigned char* name = getString(0x1F01); // GL_RENDERER
    if (!name) return false;
    const std::string n(reinterpret_cast<const char*>(name));
    return n.find("llvmpipe") != std::string::npos || n.find("softpipe") != std::string::npos ||
           n.find("Software Rasterizer") != std::string::npos || n.find("swrast") != std::string::npos;
}

// Whether the page's WebGL draws on the processor (always false on the desktop). Asked before any
// renderer is made: a canvas keeps the first kind of context it gave out, so the software renderer's
// 2D canvas cannot follow a WebGL one.
bool browserDrawsInSoftware() {
#ifdef __EMSCRIPTEN__
    return webglRasterizesInSoftware() != 0;
#else
    return false;
#endif
}

SDL_Color toColor(Rgb c, Uint8 a = 255) {
    return SDL_Color{static_cast<Uint8>(c & 255), static_cast<Uint8>((c >> 8) & 255),
                     static_cast<Uint8>((c >> 16) & 255), a};
}

// ------------------------------------------------------------------------------------ events

// Event state shared by the input and the graphics (flip pumps too, so the window stays alive
// whatever the program examines).
struct Events {
    std::array<bool, 256> wentUp{};   // key-up events since the last keyboard examination
    std::array<bool, 256> wentDown{}; // key-down events since the last keyboard examination
    std::array<bool, 4> pressed{};    // mouse buttons 1..3 pressed since the last mouse examination
    std::array<bool, 4> notOurs{};    // the next press of the button went to a tool window of the hook
    int wheel = 0;                    // wheel notches since the last mouse examination
    bool quit = false;
    bool lastPumpHadEvents = false;
    bool eventsSinceAsked = false;
    std::function<void(const SDL_Event&)> hook;
    SDL_Joystick* joystick = nullptr;

    void pump() {
        lastPumpHadEvents = false;
        SDL_Event ev;
        while (SDL_PollEvent(&ev)) {
            lastPumpHadEvents = true;
            eventsSinceAsked = true;
            if (hook) hook(ev);
            switch (ev.type) {
            case SDL_QUIT:
                quit = true;
                break;
            case SDL_WINDOWEVENT:
                if (ev.window.event == SDL_WINDOWEVENT_CLOSE) quit = true;
                break;
            case SDL_KEYDOWN: {
                const int dik = scanCodeOf(ev.key.keysym.scancode);
                if (dik > 0 && dik < 256) wentDown[dik] = true;
                break;
            }
            case SDL_KEYUP: {
                const int dik = scanCodeOf(ev.key.keysym.scancode);
                if (dik > 0 && dik < 256) wentUp[dik] = true;
                break;
            }
            case SDL_MOUSEBUTTONDOWN: {
                const int b = ev.button.button == SDL_BUTTON_LEFT     ? 1
                              : ev.button.button == SDL_BUTTON_RIGHT  ? 2
                              : ev.button.button == SDL_BUTTON_MIDDLE ? 3
                                                                      : 0;
                if (b != 0) pressed[b] = !notOurs[b];
                if (b != 0) notOurs[b] = false;
                break;
            }
            case SDL_MOUSEWHEEL:
                wheel += ev.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -ev.wheel.y : ev.wheel.y;
                break;
            case SDL_JOYDEVICEADDED:
                if (!joystick) joystick = SDL_JoystickOpen(ev.jdevice.which);
                break;
            case SDL_JOYDEVICEREMOVED:
                if (joystick && SDL_JoystickInstanceID(joystick) == ev.jdevice.which) {
                    SDL_JoystickClose(joystick);
                    joystick = nullptr;
                }
                break;
            default:
                break;
            }
        }
    }
};

// ------------------------------------------------------------------------------------ graphics

struct Image {
    SDL_Texture* texture = nullptr;
    SDL_Surface* pixels = nullptr; // decoded pixels (ARGB8888) before keying; grabs read back lazily
    // The texture is made when the image is first drawn (loading needs no screen) and dropped when
    // the screen closes; it is made again, keyed, on the next screen.
    int w = 0, h = 0;
    bool keyed = false;
    Rgb key = 0;
    SDL_BlendMode blend = SDL_BLENDMODE_INVALID; // state last set on the texture
    int scale = -1;
    // Every pixel (after keying) has full alpha: a draw at full strength whose blend keeps the
    // source where it is opaque is a plain copy. Such draws use a second texture in the frame's own
    // format, so the renderer copies rows instead of blending and converting every pixel.
    bool opaque = false;
    SDL_Texture* copyTexture = nullptr; // made on the first copy draw; texture on the first other
    int copyScale = -1;
    // The copy texture stretched once to the size the image is last drawn at (software renderer,
    // nearest scaling): the renderer's per-draw stretch made with the same routine, kept.
    SDL_Texture* stretched = nullptr;
    int stretchW = 0, stretchH = 0;
    int askedW = 0, askedH = 0; // the size of the draw before: a size is kept once asked twice running
    void dropStretched() {
        if (stretched) SDL_DestroyTexture(stretched);
        stretched = nullptr;
        stretchW = stretchH = 0;
    }
    void dropTextures() {
        if (texture) SDL_DestroyTexture(texture);
        if (copyTexture) SDL_DestroyTexture(copyTexture);
        dropStretched();
        texture = copyTexture = nullptr;
        blend = SDL_BLENDMODE_INVALID;
        scale = copyScale = -1;
    }
    ~Image() {
        dropTextures();
        if (pixels) SDL_FreeSurface(pixels);
    }
};

struct Sprite {
    std::shared_ptr<Image> image;
    bool drawable = false;
    float zoomW = 0, zoomH = 0;
    float angle = 0; // degrees
    bool hasCorners = false;
    std::array<float, 8> corners{};
};

class SdlGraphics final : public Graphics {
public:
    SdlGraphics(const Options& o, Events& ev, bool videoOk) : opts_(o), events_(ev), videoOk_(videoOk) {}
    ~SdlGraphics() override { closeScreen(); }

    SDL_Window* window() const { return window_; }
    SDL_Renderer* renderer() const { return renderer_; }
    void setPresentHook(std::function<void()> h) { presentHook_ = std::move(h); }
    void setFont(TTF_Font* f) { font_ = f; }
    int outputWidth() const { return outW_; }
    int outputHeight() const { return outH_; }

    DesktopInfo desktop() override {
        if (!videoOk_) return {};
        SDL_DisplayMode dm{};
        if (SDL_GetDesktopDisplayMode(0, &dm) != 0) return {};
        int depth = SDL_BITSPERPIXEL(dm.format);
        if (SDL_BYTESPERPIXEL(dm.format) == 4) depth = 32;
        if (depth <= 0) depth = 32;
        return {dm.w, dm.h, depth};
    }

    bool openScreen(int width, int height, int /*depth*/, const std::string& title,
                    ScreenMode mode) override {
        closeScreen();
        if (!videoOk_ || width <= 0 || height <= 0 || width > 16384 || height > 16384) return false;
        if (opts_.headless)
            mode = ScreenMode::Offscreen;
        else if (mode == ScreenMode::Fullscreen)
            mode = opts_.screenMode;
        Uint32 flags = SDL_WINDOW_SHOWN;
        if (mode == ScreenMode::Fullscreen) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
        window_ = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width,
                                   height, flags);
        if (!window_) return false;
        const bool software = opts_.headless || opts_.softwareRenderer || mode == ScreenMode::Offscreen ||
                              browserDrawsInSoftware();
        if (!software) {
            Uint32 rflags = SDL_RENDERER_ACCELERATED | SDL_RENDERER_TARGETTEXTURE;
            if (opts_.vsync) rflags |= SDL_RENDERER_PRESENTVSYNC;
            renderer_ = SDL_CreateRenderer(window_, -1, rflags);
            if (renderer_ && rasterizesInSoftware(renderer_)) {
                // OpenGL drawn by the processor (llvmpipe on a display without a graphics card, such
                // as Xvfb) rasterizes every quad through the whole GL pipeline: SDL's own software
                // renderer copies opaque pictures row by row and costs a fraction of it. Its frames
                // go to the window directly, not through another GL texture.
                SDL_DestroyRenderer(renderer_);
                renderer_ = nullptr;
                SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
            }
        }
        if (!renderer_)
            renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE | SDL_RENDERER_TARGETTEXTURE);
        if (renderer_) {
            // No alpha channel, like the X8R8G8B8 back buffer the blend pairs were made for:
            // destination alpha reads as opaque, and the software blitters take their fast paths.
            frame_ =
                SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_TARGET, width, height);
        }
        if (!renderer_ || !frame_ || SDL_SetRenderTarget(renderer_, frame_) != 0) {
            closeScreen();
            return false;
        }
        SDL_SetTextureBlendMode(frame_, SDL_BLENDMODE_NONE);
        SDL_RendererInfo info{};
        hardwareVsync_ =
            SDL_GetRendererInfo(renderer_, &info) == 0 && (info.flags & SDL_RENDERER_PRESENTVSYNC) != 0;
        if (hardwareVsync_ && (info.flags & SDL_RENDERER_SOFTWARE) != 0) {
            // The software renderer can claim the wait (a renderer made before it asked for one) but
            // does not wait on every display: biosim waits out the refresh period itself.
            SDL_RenderSetVSync(renderer_, 0);
            hardwareVsync_ = false;
        }
        vsyncOn_ = hardwareVsync_;
        refreshPeriod_ = std::chrono::microseconds(0);
        probe_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, 1, 1);
        copyFormat_ = SDL_PIXELFORMAT_UNKNOWN;
        softwareRenderer_ = (info.flags & SDL_RENDERER_SOFTWARE) != 0;
        for (Uint32 i = 0; i < info.num_texture_formats; ++i)
            if (info.texture_formats[i] == SDL_PIXELFORMAT_RGB888) copyFormat_ = SDL_PIXELFORMAT_RGB888;
        width_ = width;
        height_ = height;
        vx_ = vy_ = vw_ = vh_ = 0;
        outW_ = width;
        outH_ = height;
        if (SDL_SetRenderTarget(renderer_, nullptr) == 0) {
            SDL_GetRendererOutputSize(renderer_, &outW_, &outH_);
            SDL_SetRenderTarget(renderer_, frame_);
        }
        blendCache_.clear();
        setBlend(src_, dst_);
        clear(0);
        return true;
    }

    bool screenOpen() const override { return renderer_ != nullptr; }

    void closeScreen() override {
        // Textures die with their renderer. Sprite handles stay valid: grabbed images keep their
        // pixels, and every image gets a new texture on the next screen.
        for (auto& [id, sprite] : sprites_) {
            Image& img = *sprite.image;
            if (img.texture && !img.pixels) readBack(img);
            img.dropTextures();
        }
        dropTextCache();
        if (probe_) SDL_DestroyTexture(probe_);
        if (frame_) SDL_DestroyTexture(frame_);
        if (renderer_) SDL_DestroyRenderer(renderer_);
        if (window_) SDL_DestroyWindow(window_);
        probe_ = frame_ = nullptr;
        renderer_ = nullptr;
        window_ = nullptr;
        width_ = height_ = 0;
    }

    int screenWidth() const override { return width_; }
    int screenHeight() const override { return height_; }

    void setViewport(int x, int y, int width, int height) override {
        if (width <= 0 || height <= 0 || (x <= 0 && y <= 0 && width >= width_ && height >= height_)) {
            vx_ = vy_ = vw_ = vh_ = 0;
        } else {
            vx_ = x;
            vy_ = y;
            vw_ = width;
            vh_ = height;
        }
        // The bars start black; afterwards nothing but clear() reaches them.
        clear(0);
        applyClip();
    }

    void clear(Rgb colour) override {
        if (!renderer_) return;
        const SDL_Color c = toColor(colour);
        SDL_SetRenderDrawBlendMode(renderer_, SDL_BLENDMODE_NONE);
        SDL_SetRenderDrawColor(renderer_, c.r, c.g, c.b, 255);
        SDL_RenderClear(renderer_);
    }

    void begin3D() override {}
    void end3D() override {}

    void flip(int mode) override {
        if (!renderer_) {
            events_.pump();
            return;
        }
        // The frame covers the whole output, so the window needs no clearing first.
        // Events first: a window that changed size updates the renderer's viewport while its
        // event is pumped, and this frame must already be copied with the new one.
        events_.pump();
        SDL_SetRenderTarget(renderer_, nullptr);
        // While a target is set, SDL reports the target's size as the output size: ask now.
        SDL_GetRendererOutputSize(renderer_, &outW_, &outH_);
        SDL_RenderCopy(renderer_, frame_, nullptr, nullptr);
        if (presentHook_) presentHook_();
        // Mode 1 waits for the vertical blank, mode 0 does not.
        if (hardwareVsync_ && (mode == 1) != vsyncOn_) {
            vsyncOn_ = mode == 1;
            SDL_RenderSetVSync(renderer_, vsyncOn_ ? 1 : 0);
        }
        SDL_RenderPresent(renderer_);
        if (mode == 1) waitForRefresh();
        SDL_SetRenderTarget(renderer_, frame_);
        applyClip();
    }

    void setQuality(int quality) override { quality_ = quality ? 1 : 0; }

    SpriteId loadSprite(const std::string& path) override {
        if (path.empty()) return 0;
        SDL_Surface* raw = loadImageSurface(path);
        if (!raw) return 0;
        SDL_Surface* px = SDL_ConvertSurfaceFormat(raw, SDL_PIXELFORMAT_ARGB8888, 0);
        SDL_FreeSurface(raw);
        if (!px) return 0;
        auto img = std::make_shared<Image>();
        img->pixels = px;
        img->w = px->w;
        img->h = px->h;
        img->opaque = allOpaque(px, false, 0);
        return addSprite(std::move(img), false);
    }

    bool isSprite(SpriteId id) const override { return sprites_.count(id) != 0; }
    void freeSprite(SpriteId id) override { sprites_.erase(id); }

    int spriteWidth(SpriteId id) const override {
        const Sprite* s = find(id);
        return s ? s->image->w : 0;
    }
    int spriteHeight(SpriteId id) const override {
        const Sprite* s = find(id);
        return s ? s->image->h : 0;
    }

    void setTransparentColour(SpriteId id, Rgb colour) override {
        Sprite* s = find(id);
        if (!s) return;
        Image& img = *s->image;
        if (img.keyed && img.key == colour) return;
        if (!img.pixels && !readBack(img)) return;
        img.keyed = true;
        img.key = colour;
        img.opaque = allOpaque(img.pixels, true, colour);
        if (img.texture) upload(img);
        if (img.copyTexture) {
            SDL_DestroyTexture(img.copyTexture);
            img.copyTexture = nullptr;
            img.copyScale = -1;
        }
        img.dropStretched();
    }

    SpriteId createDrawable(SpriteId source) override {
        const Sprite* s = find(source);
        if (!s) return 0;
        return addSprite(s->image, true);
    }

    void zoomSprite(SpriteId id, float width, float height) override {
        if (Sprite* s = find(id)) {
            s->zoomW = width;
            s->zoomH = height;
            s->hasCorners = false;
        }
    }

    void rotateSprite(SpriteId id, float degrees) override {
        if (Sprite* s = find(id)) s->angle = std::fmod(s->angle + degrees, 360.0f);
    }

    void setCorners(SpriteId id, float x0, float y0, float x1, float y1, float x2, float y2, float x3,
                    float y3) override {
        if (Sprite* s = find(id)) {
            s->hasCorners = true;
            s->corners = {x0, y0, x1, y1, x2, y2, x3, y3};
        }
    }

    void setBlend(int source, int dest) override {
        src_ = source;
        dst_ = dest;
        skip_ = blendDrawsNothing(source, dest);
        mode_ = resolveBlend(source, dest);
        copyBlend_ = blendCopiesOpaque(source, dest);
    }

    void drawSprite(SpriteId id, float x, float y, int alpha) override {
        Sprite* s = find(id);
        if (!s || !renderer_ || skip_) return;
        Image& img = *s->image;
        const Uint8 a = static_cast<Uint8>(std::clamp(alpha, 0, 255));
        SDL_Texture* texture = nullptr;
        if (a == 255 && img.opaque && copyBlend_ && copyFormat_ != SDL_PIXELFORMAT_UNKNOWN) {
            if (!img.copyTexture) makeCopyTexture(img);
            texture = img.copyTexture;
            if (texture && img.copyScale != quality_) {
                SDL_SetTextureScaleMode(texture, quality_ ? SDL_ScaleModeLinear : SDL_ScaleModeNearest);
                img.copyScale = quality_;
            }
        }
        if (!texture) {
            if (!img.texture && !makeTexture(img)) return;
            texture = img.texture;
            if (img.blend != mode_) {
                SDL_SetTextureBlendMode(img.texture, mode_);
                img.blend = mode_;
            }
            if (img.scale != quality_) {
                SDL_SetTextureScaleMode(img.texture, quality_ ? SDL_ScaleModeLinear : SDL_ScaleModeNearest);
                img.scale = quality_;
            }
        }
        x += static_cast<float>(vx_);
        y += static_cast<float>(vy_);
        SDL_Vertex v[4];
        if (s->hasCorners) {
            for (int i = 0; i < 4; ++i) v[i].position = {x + s->corners[2 * i], y + s->corners[2 * i + 1]};
        } else if (s->angle == 0.0f) {
            v[0].position = {x, y};
            v[1].position = {x + s->zoomW, y};
            v[2].position = {x + s->zoomW, y + s->zoomH};
            v[3].position = {x, y + s->zoomH};
        } else {
            const float cx = x + s->zoomW * 0.5f, cy = y + s->zoomH * 0.5f;
            const float rad = s->angle * 3.14159265358979f / 180.0f;
            const float c = std::cos(rad), sn = std::sin(rad);
            const float hx = s->zoomW * 0.5f, hy = s->zoomH * 0.5f;
            const float px[4] = {-hx, hx, hx, -hx}, py[4] = {-hy, -hy, hy, hy};
            for (int i = 0; i < 4; ++i)
                v[i].position = {cx + px[i] * c - py[i] * sn, cy + px[i] * sn + py[i] * c};
        }
        static constexpr SDL_FPoint uv[4] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
        for (int i = 0; i < 4; ++i) {
            v[i].color = SDL_Color{255, 255, 255, a};
            v[i].tex_coord = uv[i];
        }
        if (texture == img.copyTexture && softwareRenderer_ && quality_ == 0 && !s->hasCorners &&
            s->angle == 0.0f)
            texture = stretchedCopy(img, v[0].position, v[2].position, texture);
        static constexpr int indices[6] = {0, 1, 2, 0, 2, 3};
        SDL_RenderGeometry(renderer_, texture, v, 4, indices, 6);
    }

    SpriteId grabSprite(int x, int y, int width, int height, int /*mode*/) override {
        if (!renderer_ || width <= 0 || height <= 0) return 0;
        // Grabs see only the viewport, as drawing does.
        x += vx_;
        y += vy_;
        const int left = vw_ > 0 ? vx_ : 0, top = vw_ > 0 ? vy_ : 0;
        const int right = vw_ > 0 ? vx_ + vw_ : width_, bottom = vw_ > 0 ? vy_ + vh_ : height_;
        const int x0 = std::max(x, left), y0 = std::max(y, top);
        const int x1 = std::min({x + width, right, width_}), y1 = std::min({y + height, bottom, height_});
        if (x1 <= x0 || y1 <= y0) return 0;
        auto img = std::make_shared<Image>();
        img->w = x1 - x0;
        img->h = y1 - y0;
        img->texture =
            SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET, img->w, img->h);
        if (!img->texture) return 0;
        const SDL_Rect src{x0, y0, img->w, img->h};
        SDL_SetRenderTarget(renderer_, img->texture);
        SDL_RenderCopy(renderer_, frame_, &src, nullptr);
        SDL_SetRenderTarget(renderer_, frame_);
        applyClip();
        return addSprite(std::move(img), false);
    }

    void begin2D() override {}
    void end2D() override {}
    void setTextTransparent(bool transparent) override { textTransparent_ = transparent; }

    void fillBox(float x, float y, float width, float height, Rgb colour) override {
        if (!renderer_) return;
        setDrawColour(colour);
        const SDL_FRect r{x + vx_, y + vy_, width, height};
        SDL_RenderFillRectF(renderer_, &r);
    }

    void outlineBox(float x, float y, float width, float height, Rgb colour) override {
        if (!renderer_) return;
        setDrawColour(colour);
        const SDL_FRect r{x + vx_, y + vy_, width, height};
        SDL_RenderDrawRectF(renderer_, &r);
    }

    void point(float x, float y, Rgb colour) override {
        if (!renderer_) return;
        setDrawColour(colour);
        SDL_RenderDrawPointF(renderer_, x + vx_, y + vy_);
    }

    void text(float x, float y, const std::string& text, Rgb front, Rgb back) override {
        if (!renderer_ || !font_ || text.empty()) return;
        const TextTexture* t = textTexture(text, front);
        if (!t) return;
        if (!textTransparent_) fillBox(x, y, static_cast<float>(t->w), static_cast<float>(t->h), back);
        const SDL_FRect dst{x + vx_, y + vy_, static_cast<float>(t->w), static_cast<float>(t->h)};
        SDL_RenderCopyF(renderer_, t->texture, nullptr, &dst);
    }

    int textHeight() const override { return font_ ? TTF_FontLineSkip(font_) : 14; }

    bool saveScreenshot(const std::string& path) override {
        if (!renderer_ || path.empty()) return false;
        SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, width_, height_, 32, SDL_PIXELFORMAT_ARGB8888);
        if (!s) return false;
        bool ok =
            SDL_RenderReadPixels(renderer_, nullptr, SDL_PIXELFORMAT_ARGB8888, s->pixels, s->pitch) == 0;
        if (ok) {
            for (int y = 0; y < s->h; ++y) {
                auto* row = reinterpret_cast<Uint32*>(static_cast<Uint8*>(s->pixels) + y * s->pitch);
                for (int x = 0; x < s->w; ++x) row[x] |= 0xff000000u;
            }
            // Encoded in memory, then written like every data file: the old screenshot is replaced
            // only by a complete one, and a path naming a device or FIFO is refused.
            std::vector<unsigned char> png(static_cast<std::size_t>(s->pitch) * s->h * 101 / 100 + 65536);
            SDL_RWops* rw = SDL_RWFromMem(png.data(), static_cast<int>(png.size()));
            ok = rw != nullptr && IMG_SavePNG_RW(s, rw, 0) == 0;
            const Sint64 size = rw ? SDL_RWtell(rw) : -1;
            if (rw) SDL_RWclose(rw);
            ok = ok && size > 0 &&
                 textio::writeFileAtomic(path, std::string_view(reinterpret_cast<const char*>(png.data()),
                                                                static_cast<std::size_t>(size)));
        }
        SDL_FreeSurface(s);
        return ok;
    }

private:
    struct TextTexture {
        SDL_Texture* texture = nullptr;
        int w = 0, h = 0;
    };

    SpriteId addSprite(std::shared_ptr<Image> img, bool drawable) {
        Sprite s;
        s.zoomW = static_cast<float>(img->w);
        s.zoomH = static_cast<float>(img->h);
        s.image = std::move(img);
        s.drawable = drawable;
        const SpriteId id = nextId_++;
        sprites_.emplace(id, std::move(s));
        return id;
    }

    Sprite* find(SpriteId id) {
        auto it = sprites_.find(id);
        return it == sprites_.end() ? nullptr : &it->second;
    }
    const Sprite* find(SpriteId id) const {
        auto it = sprites_.find(id);
        return it == sprites_.end() ? nullptr : &it->second;
    }

    // A static texture for an image that has pixels, with its key applied.
    bool makeTexture(Image& img) {
        if (!renderer_ || !img.pixels) return false;
        img.texture =
            SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, img.w, img.h);
        if (!img.texture) return false;
        img.blend = SDL_BLENDMODE_INVALID;
        img.scale = -1;
        if (!upload(img)) {
            SDL_DestroyTexture(img.texture);
            img.texture = nullptr;
            return false;
        }
        return true;
    }

    // The copy texture of an opaque image: its pixels (no key colour among them) in the frame's
    // format, drawn without blending.
    bool makeCopyTexture(Image& img) {
        if (!renderer_ || !img.pixels) return false;
        img.copyTexture = SDL_CreateTexture(renderer_, copyFormat_, SDL_TEXTUREACCESS_STATIC, img.w, img.h);
        if (!img.copyTexture) return false;
        img.copyScale = -1;
        if (SDL_SetTextureBlendMode(img.copyTexture, SDL_BLENDMODE_NONE) != 0 ||
            SDL_UpdateTexture(img.copyTexture, nullptr, img.pixels->pixels, img.pixels->pitch) != 0) {
            SDL_DestroyTexture(img.copyTexture);
            img.copyTexture = nullptr;
            return false;
        }
        return true;
    }

    // For a copy draw of an opaque image stretched from corner p0 to p2: a texture of the drawn size
    // holding the image stretched by the same nearest-pixel routine the software renderer uses, so
    // that the draw is a plain copy with the same pixels; `copy` itself when that cannot be exact
    // (a draw the viewport cuts, where the renderer stretches only the visible part) or not worth it.
    SDL_Texture* stretchedCopy(Image& img, SDL_FPoint p0, SDL_FPoint p2, SDL_Texture* copy) {
        const float fw = p2.x - p0.x, fh = p2.y - p0.y;
        if (!(fw >= 1.0f && fh >= 1.0f && fw <= 16384.0f && fh <= 16384.0f)) return copy;
        const int w = static_cast<int>(fw), h = static_cast<int>(fh);
        if (w == img.w && h == img.h) return copy;
        if (static_cast<long long>(w) * h > 2LL * width_ * height_) return copy;
        if (vw_ > 0 && (p0.x < static_cast<float>(vx_) || p0.y < static_cast<float>(vy_) ||
                        p2.x > static_cast<float>(vx_ + vw_) || p2.y > static_cast<float>(vy_ + vh_)))
            return copy;
        if (img.stretched && img.stretchW == w && img.stretchH == h) return img.stretched;
        // A size that changes from draw to draw (a zooming object) is stretched per draw as before.
        const bool again = img.askedW == w && img.askedH == h;
        img.askedW = w;
        img.askedH = h;
        if (!again) return copy;
        img.dropStretched();
        SDL_Surface* from = SDL_CreateRGBSurfaceWithFormatFrom(img.pixels->pixels, img.w, img.h, 32,
                                                               img.pixels->pitch, copyFormat_);
        SDL_Surface* to = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, copyFormat_);
        bool ok = from && to && SDL_SoftStretch(from, nullptr, to, nullptr) == 0;
        if (ok) {
            img.stretched = SDL_CreateTexture(renderer_, copyFormat_, SDL_TEXTUREACCESS_STATIC, w, h);
            ok = img.stretched && SDL_SetTextureBlendMode(img.stretched, SDL_BLENDMODE_NONE) == 0 &&
                 SDL_SetTextureScaleMode(img.stretched, SDL_ScaleModeNearest) == 0 &&
                 SDL_UpdateTexture(img.stretched, nullptr, to->pixels, to->pitch) == 0;
        }
        if (from) SDL_FreeSurface(from);
        if (to) SDL_FreeSurface(to);
        if (!ok) {
            img.dropStretched();
            return copy;
        }
        img.stretchW = w;
        img.stretchH = h;
        return img.stretched;
    }

    // Whether every pixel of an ARGB8888 surface has full alpha, counting pixels of the key colour
    // (when keyed) as transparent.
    static bool allOpaque(const SDL_Surface* s, bool keyed, Rgb key) {
        const Uint32 rgb = static_cast<Uint32>((key & 255) << 16 | (key & 0xff00) | ((key >> 16) & 255));
        for (int y = 0; y < s->h; ++y) {
            const auto* row =
                reinterpret_cast<const Uint32*>(static_cast<const Uint8*>(s->pixels) + y * s->pitch);
            for (int x = 0; x < s->w; ++x) {
                if ((row[x] >> 24) != 255) return false;
                if (keyed && (row[x] & 0x00ffffffu) == rgb) return false;
            }
        }
        return true;
    }

    // Copies the image's pixels into its texture; pixels of the key colour get alpha 0.
    bool upload(Image& img) {
        if (!img.keyed)
            return SDL_UpdateTexture(img.texture, nullptr, img.pixels->pixels, img.pixels->pitch) == 0;
        SDL_Surface* keyed = SDL_DuplicateSurface(img.pixels);
        if (!keyed) return false;
        const Uint32 rgb =
            static_cast<Uint32>((img.key & 255) << 16 | (img.key & 0xff00) | ((img.key >> 16) & 255));
        for (int y = 0; y < keyed->h; ++y) {
            auto* row = reinterpret_cast<Uint32*>(static_cast<Uint8*>(keyed->pixels) + y * keyed->pitch);
            for (int x = 0; x < keyed->w; ++x)
                if ((row[x] & 0x00ffffffu) == rgb) row[x] = rgb; // alpha 0
        }
        const bool ok = SDL_UpdateTexture(img.texture, nullptr, keyed->pixels, keyed->pitch) == 0;
        SDL_FreeSurface(keyed);
        return ok;
    }

    // Pixels of a grabbed image, read back once so a colour key can be applied (and re-applied).
    bool readBack(Image& img) {
        if (!renderer_ || !img.texture) return false;
        SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, img.w, img.h, 32, SDL_PIXELFORMAT_ARGB8888);
        if (!s) return false;
        SDL_SetRenderTarget(renderer_, img.texture);
        const bool ok =
            SDL_RenderReadPixels(renderer_, nullptr, SDL_PIXELFORMAT_ARGB8888, s->pixels, s->pitch) == 0;
        SDL_SetRenderTarget(renderer_, frame_);
        applyClip();
        if (!ok) {
            SDL_FreeSurface(s);
            return false;
        }
        img.pixels = s;
        return true;
    }

    SDL_BlendMode resolveBlend(int src, int dst) {
        const int key = src * 256 + dst;
        auto it = blendCache_.find(key);
        if (it != blendCache_.end()) return it->second;
        SDL_BlendMode m = customBlendMode(src, dst);
        // A renderer that refuses the custom mode refuses it on every texture: ask once.
        if (!probe_ || SDL_SetTextureBlendMode(probe_, m) != 0) m = nearestStandardBlendMode(src, dst);
        blendCache_[key] = m;
        return m;
    }

    void setDrawColour(Rgb colour) {
        const SDL_Color c = toColor(colour);
        SDL_SetRenderDrawBlendMode(renderer_, SDL_BLENDMODE_NONE);
        SDL_SetRenderDrawColor(renderer_, c.r, c.g, c.b, 255);
    }

    const TextTexture* textTexture(const std::string& text, Rgb front) {
        std::string key = text;
        key.push_back('\0');
        key.append(std::to_string(front));
        auto it = textCache_.find(key);
        if (it != textCache_.end()) return &it->second;
        if (textCache_.size() >= 2048) dropTextCache();
        // Data texts are 8-bit (Latin-1); SDL_ttf's Text functions take exactly that.
        SDL_Surface* s = TTF_RenderText_Blended(font_, text.c_str(), toColor(front));
        if (!s) return nullptr;
        TextTexture t;
        t.texture = SDL_CreateTextureFromSurface(renderer_, s);
        t.w = s->w;
        t.h = s->h;
        SDL_FreeSurface(s);
        if (!t.texture) return nullptr;
        SDL_SetTextureBlendMode(t.texture, SDL_BLENDMODE_BLEND);
        return &textCache_.emplace(std::move(key), t).first->second;
    }

    // Drawing into the frame stays inside the viewport. SDL forgets the clip rectangle whenever the
    // target changes, so this runs after every switch back to the frame.
    void applyClip() {
        if (!renderer_) return;
        if (vw_ > 0) {
            const SDL_Rect r{vx_, vy_, vw_, vh_};
            SDL_RenderSetClipRect(renderer_, &r);
        } else {
            SDL_RenderSetClipRect(renderer_, nullptr);
        }
    }

    // Frame pacing where the renderer cannot wait for the vertical blank itself (the software
    // renderer): the flip waits until one refresh period of the display has passed since the last.
    void waitForRefresh() {
        if (!opts_.vsync || hardwareVsync_ || opts_.headless || !window_) return;
        using clock = std::chrono::steady_clock;
        if (refreshPeriod_.count() == 0) {
            SDL_DisplayMode dm{};
            const int hz =
                SDL_GetWindowDisplayMode(window_, &dm) == 0 && dm.refresh_rate > 0 ? dm.refresh_rate : 60;
            refreshPeriod_ = std::chrono::microseconds(1000000 / hz);
            nextRefresh_ = clock::now();
        }
        nextRefresh_ += refreshPeriod_;
        const clock::time_point now = clock::now();
        if (nextRefresh_ > now) {
            std::this_thread::sleep_until(nextRefresh_);
        } else if (now - nextRefresh_ > refreshPeriod_) {
            nextRefresh_ = now; // a long frame (a map load) does not make the next ones rush
        }
    }

    void dropTextCache() {
        for (auto& [k, t] : textCache_) SDL_DestroyTexture(t.texture);
        textCache_.clear();
    }

    const Options& opts_;
    Events& events_;
    bool videoOk_;
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* frame_ = nullptr;
    SDL_Texture* probe_ = nullptr;
    int width_ = 0, height_ = 0;
    int vx_ = 0, vy_ = 0, vw_ = 0, vh_ = 0; // viewport; vw_ 0 = the whole frame
    bool hardwareVsync_ = false;            // the renderer waits for the vertical blank itself
    bool vsyncOn_ = true;                   // that wait is switched on
    std::chrono::microseconds refreshPeriod_{0};
    std::chrono::steady_clock::time_point nextRefresh_{};
    int outW_ = 0, outH_ = 0;
    std::unordered_map<SpriteId, Sprite> sprites_;
    SpriteId nextId_ = 1;
    int src_ = BlendSrcAlpha, dst_ = BlendInvSrcAlpha;
    SDL_BlendMode mode_ = SDL_BLENDMODE_BLEND;
    bool skip_ = false;
    bool copyBlend_ = true; // the blend pair copies an opaque source
    Uint32 copyFormat_ = SDL_PIXELFORMAT_UNKNOWN;
    bool softwareRenderer_ = false; // the frame's format, when textures take it
    std::map<int, SDL_BlendMode> blendCache_;
    int quality_ = 0;
    bool textTransparent_ = false;
    TTF_Font* font_ = nullptr;
    std::unordered_map<std::string, TextTexture> textCache_;
    std::function<void()> presentHook_;
};

// ------------------------------------------------------------------------------------ input

class SdlInput final : public Input {
public:
    SdlInput(Events& ev, SdlGraphics& g) : events_(ev), gfx_(g) {
        for (int sc = 0; sc < SDL_NUM_SCANCODES; ++sc) {
            const int dik = scanCodeOf(static_cast<SDL_Scancode>(sc));
            if (dik > 0 && dik < 256) map_.push_back({sc, dik});
        }
    }

    void examineKeyboard() override {
        events_.pump();
        int n = 0;
        const Uint8* state = SDL_GetKeyboardState(&n);
        // A key pressed and released between two examinations counts as held once: a tap shorter
        // than a pass is not lost.
        held_ = events_.wentDown;
        for (auto [sc, dik] : map_)
            if (sc < n && state[sc]) held_[dik] = true;
        released_ = events_.wentUp;
        events_.wentUp.fill(false);
        events_.wentDown.fill(false);
    }
    bool keyHeld(int sc) const override { return sc >= 0 && sc < 256 && held_[sc]; }
    bool keyReleased(int sc) const override { return sc >= 0 && sc < 256 && released_[sc]; }

    void examineMouse() override {
        events_.pump();
        int x = 0, y = 0;
        const Uint32 b = SDL_GetMouseState(&x, &y);
        // Window pixels to frame pixels (the frame is stretched over the window's output).
        const int ow = gfx_.outputWidth(), oh = gfx_.outputHeight();
        if (gfx_.screenOpen() && ow > 0 && oh > 0) {
            int ww = 0, wh = 0;
            SDL_GetWindowSize(gfx_.window(), &ww, &wh);
            if (ww > 0 && wh > 0) {
                x = static_cast<int>(static_cast<long long>(x) * gfx_.screenWidth() / ww);
                y = static_cast<int>(static_cast<long long>(y) * gfx_.screenHeight() / wh);
            }
        }
        dx_ = examined_ ? x - x_ : 0;
        dy_ = examined_ ? y - y_ : 0;
        x_ = x;
        y_ = y;
        examined_ = true;
        // Likewise a click that went down and up between two examinations counts as a press once.
        buttons_[1] = (b & SDL_BUTTON(SDL_BUTTON_LEFT)) != 0 || events_.pressed[1];
        buttons_[2] = (b & SDL_BUTTON(SDL_BUTTON_RIGHT)) != 0 || events_.pressed[2];
        buttons_[3] = (b & SDL_BUTTON(SDL_BUTTON_MIDDLE)) != 0 || events_.pressed[3];
        events_.pressed.fill(false);
        wheel_ = events_.wheel;
        events_.wheel = 0;
    }
    int mouseX() const override { return x_; }
    int mouseY() const override { return y_; }
    int mouseDeltaX() const override { return dx_; }
    int mouseDeltaY() const override { return dy_; }
    int mouseWheel() const override { return wheel_; }
    bool mouseButton(int b) const override { return b >= 1 && b <= 3 && buttons_[b]; }

    bool joystickPresent() const override { return events_.joystick != nullptr; }
    void examineJoystick() override {
        events_.pump();
        jx_ = jy_ = 0;
        jbuttons_.clear();
        SDL_Joystick* j = events_.joystick;
        if (!j) return;
        constexpr int dead = 8000;
        const int ax = SDL_JoystickGetAxis(j, 0), ay = SDL_JoystickGetAxis(j, 1);
        jx_ = ax < -dead ? -1 : (ax > dead ? 1 : 0);
        jy_ = ay < -dead ? 1 : (ay > dead ? -1 : 0); // SDL's axis grows downwards; +1 is up here
        const int n = SDL_JoystickNumButtons(j);
        for (int i = 0; i < n; ++i) jbuttons_.push_back(SDL_JoystickGetButton(j, i) != 0);
    }
    int joystickX() const override { return jx_; }
    int joystickY() const override { return jy_; }
    bool joystickButton(int b) const override {
        return b >= 1 && b <= static_cast<int>(jbuttons_.size()) &&
               jbuttons_[static_cast<std::size_t>(b - 1)];
    }

    bool quitRequested() const override { return events_.quit; }

private:
    Events& events_;
    SdlGraphics& gfx_;
    std::vector<std::pair<int, int>> map_;
    std::array<bool, 256> held_{}, released_{};
    int x_ = 0, y_ = 0, dx_ = 0, dy_ = 0, wheel_ = 0;
    bool examined_ = false;
    std::array<bool, 4> buttons_{};
    int jx_ = 0, jy_ = 0;
    std::vector<bool> jbuttons_;
};

// A scripted input in front of the SDL event queue: the queue is still pumped (the window must stay
// alive) and closing the window still asks to quit.
class ProxyInput final : public Input {
public:
    ProxyInput(Events& ev, std::unique_ptr<Input> in) : events_(ev), in_(std::move(in)) {}
    void examineKeyboard() override {
        events_.pump();
        in_->examineKeyboard();
    }
    bool keyHeld(int sc) const override { return in_->keyHeld(sc); }
    bool keyReleased(int sc) const override { return in_->keyReleased(sc); }
    void examineMouse() override {
        events_.pump();
        in_->examineMouse();
    }
    int mouseX() const override { return in_->mouseX(); }
    int mouseY() const override { return in_->mouseY(); }
    int mouseDeltaX() const override { return in_->mouseDeltaX(); }
    int mouseDeltaY() const override { return in_->mouseDeltaY(); }
    int mouseWheel() const override { return in_->mouseWheel(); }
    bool mouseButton(int b) const override { return in_->mouseButton(b); }
    bool joystickPresent() const override { return in_->joystickPresent(); }
    void examineJoystick() override { in_->examineJoystick(); }
    int joystickX() const override { return in_->joystickX(); }
    int joystickY() const override { return in_->joystickY(); }
    bool joystickButton(int b) const override { return in_->joystickButton(b); }
    bool quitRequested() const override { return events_.quit || in_->quitRequested(); }

private:
    Events& events_;
    std::unique_ptr<Input> in_;
};

// ------------------------------------------------------------------------------------ sound

class SdlSound final : public Sound {
public:
    explicit SdlSound(const Options& o) {
        // Headless runs never try a real device (no ALSA noise on machines without a sound card).
        if (!o.headless && open(nullptr)) {
        } else if (!open("dummy")) {
            std::fprintf(stderr, "sound: no audio device (%s); sounds stay silent\n", SDL_GetError());
            return;
        }
        Mix_Init(MIX_INIT_OGG);
        channels_ = Mix_AllocateChannels(std::max(o.soundChannels, 8));
    }
    ~SdlSound() override {
        if (!opened_) return;
        Mix_HaltChannel(-1);
        for (auto& [path, d] : decoded_) Mix_FreeChunk(d.chunk);
        decoded_.clear();
        sounds_.clear();
        Mix_CloseAudio();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }

    SoundId loadSound(const std::string& path) override {
        if (!opened_ || path.empty()) return 0;
        // A file is decoded once while any handle holds it: every object of a kind shares the
        // samples, and each handle keeps its own channel and volume.
        Decoded& d = decoded_[path];
        if (!d.chunk) {
            // Read through the guarded reader (a regular file within the size cap, never a FIFO),
            // decoded from memory.
            std::string bytes, problem;
            if (textio::readRegularFile(path, bytes, textio::kMaxTextFileBytes, &problem)) {
                SDL_RWops* rw = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
                d.chunk = rw ? Mix_LoadWAV_RW(rw, 1) : nullptr;
            } else if (!problem.empty()) {
                textio::notice(problem);
            }
        }
        if (!d.chunk) {
            decoded_.erase(path);
            return 0;
        }
        ++d.users;
        const SoundId id = nextId_++;
        Entry& e = sounds_[id];
        e.chunk = d.chunk;
        e.path = path;
        return id;
    }
    bool isSound(SoundId id) const override { return sounds_.count(id) != 0; }

    void playSound(SoundId id, bool looped) override {
        Entry* e = find(id);
        if (!e) return;
        if (playingOn(id, *e)) Mix_HaltChannel(e->channel);
        int ch = Mix_PlayChannel(-1, e->chunk, looped ? -1 : 0);
        if (ch < 0 && channels_ < 8192) {
            // Every channel busy: every object may sound at once, so grow.
            channels_ = Mix_AllocateChannels(channels_ * 2);
            ch = Mix_PlayChannel(-1, e->chunk, looped ? -1 : 0);
        }
        e->channel = ch;
        if (ch >= 0) {
            if (static_cast<std::size_t>(ch) >= owner_.size())
                owner_.resize(static_cast<std::size_t>(ch) + 1, 0);
            owner_[static_cast<std::size_t>(ch)] = id;
            Mix_Volume(ch, e->volume * MIX_MAX_VOLUME / 100);
        }
    }
    void stopSound(SoundId id) override {
        Entry* e = find(id);
        if (e && playingOn(id, *e)) Mix_HaltChannel(e->channel);
        if (e) e->channel = -1;
    }
    void setVolume(SoundId id, int volume) override {
        Entry* e = find(id);
        if (!e) return;
        e->volume = std::clamp(volume, 0, 100);
        if (playingOn(id, *e)) Mix_Volume(e->channel, e->volume * MIX_MAX_VOLUME / 100);
    }
    bool isPlaying(SoundId id) const override {
        auto it = sounds_.find(id);
        return it != sounds_.end() && playingOn(id, it->second);
    }
    void freeSound(SoundId id) override {
        Entry* e = find(id);
        if (!e) return;
        if (playingOn(id, *e)) Mix_HaltChannel(e->channel);
        auto d = decoded_.find(e->path);
        if (d != decoded_.end() && --d->second.users <= 0) {
            // The last holder: no channel may still play the samples when they are freed.
            for (std::size_t ch = 0; ch < owner_.size(); ++ch)
                if (Mix_Playing(static_cast<int>(ch)) &&
                    Mix_GetChunk(static_cast<int>(ch)) == d->second.chunk)
                    Mix_HaltChannel(static_cast<int>(ch));
            Mix_FreeChunk(d->second.chunk);
            decoded_.erase(d);
        }
        sounds_.erase(id);
    }

private:
    struct Entry {
        Mix_Chunk* chunk = nullptr; // shared with every handle of the same file
        std::string path;
        int channel = -1;
        int volume = 100;
    };
    struct Decoded {
        Mix_Chunk* chunk = nullptr;
        int users = 0;
    };
    bool open(const char* driver) {
        // SDL 2.26 reads the audio driver from the environment only; set it for this start and
        // put the caller's value back afterwards.
        const char* before = std::getenv("SDL_AUDIODRIVER");
        const std::string saved = before ? before : "";
        if (driver) ::setenv("SDL_AUDIODRIVER", driver, 1);
        bool ok = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
        if (ok && Mix_OpenAudio(44100, MIX_DEFAULT_FORMAT, 2, 1024) != 0) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            ok = false;
        }
        if (driver) {
            if (before)
                ::setenv("SDL_AUDIODRIVER", saved.c_str(), 1);
            else
                ::unsetenv("SDL_AUDIODRIVER");
        }
        opened_ = ok;
        return ok;
    }
    Entry* find(SoundId id) {
        auto it = sounds_.find(id);
        return it == sounds_.end() ? nullptr : &it->second;
    }
    // The handle's channel still plays this handle's sound (not another handle's, even of the
    // same file, that took the channel after this one ended).
    bool playingOn(SoundId id, const Entry& e) const {
        return e.channel >= 0 && static_cast<std::size_t>(e.channel) < owner_.size() &&
               owner_[static_cast<std::size_t>(e.channel)] == id && Mix_Playing(e.channel) &&
               Mix_GetChunk(e.channel) == e.chunk;
    }
    bool opened_ = false;
    int channels_ = 0;
    std::unordered_map<SoundId, Entry> sounds_;
    std::unordered_map<std::string, Decoded> decoded_; // by path
    std::vector<SoundId> owner_;                       // per channel: the handle that last played on it
    SoundId nextId_ = 1;
};

// ------------------------------------------------------------------------------------ dialogs

// Runs a program (no shell) and returns what it printed, or "" when it failed or was cancelled.
std::string runAndRead(const std::vector<std::string>& argv) {
    int fds[2];
    if (::pipe(fds) != 0) return {};
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, fds[1], 1);
    posix_spawn_file_actions_addclose(&fa, fds[0]);
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, args[0], &fa, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    ::close(fds[1]);
    std::string out;
    if (rc == 0) {
        char buf[4096];
        ssize_t n;
        while ((n = ::read(fds[0], buf, sizeof buf)) > 0 || (n < 0 && errno == EINTR))
            if (n > 0) out.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    if (rc != 0) return {};
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return {};
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out;
}

class SdlDialogs final : public Dialogs {
public:
    SdlDialogs(const Options& o, SdlGraphics& g, bool videoOk) : opts_(o), gfx_(g), videoOk_(videoOk) {}

    bool messageBox(const std::string& title, const std::string& text, Buttons buttons) override {
        if (!opts_.headless && videoOk_ && displayThere()) {
            const SDL_MessageBoxData data = messageBoxData(title, text, buttons, gfx_.window());
            int hit = -1;
            if (SDL_ShowMessageBox(&data, &hit) == 0) return buttons == Buttons::Ok || hit == 1;
        }
        const bool answer = buttons == Buttons::Ok || opts_.answerYes;
        std::fprintf(stderr, "[%s] %s%s\n", title.c_str(), text.c_str(),
                     buttons == Buttons::YesNo ? (answer ? " -> yes" : " -> no") : "");
        return answer;
    }

    std::string folderRequester(const std::string& title, const std::string& startFolder) override {
        if (opts_.headless || !videoOk_ || !plat::onPath("zenity")) return {};
        const std::string start = textio::asFolder(startFolder.empty() ? std::string("./") : startFolder);
        std::string folder = runAndRead(
            {"zenity", "--file-selection", "--directory", "--title=" + title, "--filename=" + start});
        return textio::asFolder(std::move(folder));
    }

private:
    // A box needs a display to appear on. Without one, SDL still tries its X11 box in a forked child,
    // which can hang for ever on a lock another thread (the sound mixer) held at the fork.
    static bool displayThere() {
#ifdef __EMSCRIPTEN__
        return true; // the page shows the box
#else
        return std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr;
#endif
    }

    const Options& opts_;
    SdlGraphics& gfx_;
    bool videoOk_;
};

// ------------------------------------------------------------------------------------ platform

TTF_Font* openFont(const Options& o) {
    std::vector<std::string> candidates;
    if (!o.fontPath.empty()) candidates.push_back(o.fontPath);
    candidates.push_back("/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf");
    candidates.push_back("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
    for (const std::string& c : candidates)
        if (TTF_Font* f = TTF_OpenFont(c.c_str(), o.fontSize > 0 ? o.fontSize : 12)) return f;
    std::fprintf(stderr, "text: no font found (install fonts-dejavu-core); text is not drawn\n");
    return nullptr;
}

bool startVideo(bool headless) {
    SDL_SetHint(SDL_HINT_RENDER_BATCHING, "1");
    if (headless) {
        // The software renderer draws into plain memory; without this hint the offscreen driver
        // backs the window surface with EGL and loads a whole GL stack (about 75 MB) for nothing.
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) return true;
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "dummy");
        return SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    }
    SDL_ResetHint(SDL_HINT_VIDEODRIVER);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "video: %s\n", SDL_GetError());
        return false;
    }
    // Without a display SDL falls back to drivers that show nothing; a run that asked for a screen
    // must not go on invisibly. Only a driver chosen on purpose through SDL_VIDEODRIVER is kept.
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* chosen = std::getenv("SDL_VIDEODRIVER");
    const bool invisible =
        driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
    if (invisible && !(chosen && std::strcmp(chosen, driver) == 0)) {
        std::fprintf(stderr, "video: no display to show a screen on (SDL found only its '%s' driver)\n",
                     driver);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return false;
    }
    return true;
}

class SdlPlatform final : public Platform {
public:
    explicit SdlPlatform(Options o) : opts_(std::move(o)) {
        videoOk_ = startVideo(opts_.headless);
        SDL_InitSubSystem(SDL_INIT_EVENTS);
        if (!opts_.headless && SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0) {
            joystickOk_ = true;
            if (SDL_NumJoysticks() > 0) events_.joystick = SDL_JoystickOpen(0);
        }
        IMG_Init(IMG_INIT_PNG | IMG_INIT_JPG | IMG_INIT_TIF);
        ttfOk_ = TTF_Init() == 0;
        graphics_ = std::make_unique<SdlGraphics>(opts_, events_, videoOk_);
        if (ttfOk_) {
            font_ = openFont(opts_);
            graphics_->setFont(font_);
        }
        if (opts_.input)
            input_ = std::make_unique<ProxyInput>(events_, std::move(opts_.input));
        else
            input_ = std::make_unique<SdlInput>(events_, *graphics_);
        clock_ = opts_.clock ? std::move(opts_.clock) : std::make_unique<SystemClock>();
        random_ = std::make_unique<SeededRandom>(opts_.seed ? *opts_.seed : freshSeed());
        sound_ = std::make_unique<SdlSound>(opts_);
        dialogs_ = std::make_unique<SdlDialogs>(opts_, *graphics_, videoOk_);
    }

    ~SdlPlatform() override {
        sound_.reset();
        dialogs_.reset();
        input_.reset();
        graphics_.reset(); // closes the screen: textures before the renderer before the window
        if (font_) TTF_CloseFont(font_);
        if (ttfOk_) TTF_Quit();
        if (events_.joystick) SDL_JoystickClose(events_.joystick);
        if (joystickOk_) SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
        SDL_QuitSubSystem(SDL_INIT_EVENTS);
        if (videoOk_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }

    Graphics& graphics() override { return *graphics_; }
    Input& input() override { return *input_; }
    Sound& sound() override { return *sound_; }
    Dialogs& dialogs() override { return *dialogs_; }
    Clock& clock() override { return *clock_; }
    Random& random() override { return *random_; }
    Network& network() override { return network_; }

    SdlGraphics& sdlGraphics() { return *graphics_; }
    Events& events() { return events_; }

private:
    Options opts_;
    bool videoOk_ = false, joystickOk_ = false, ttfOk_ = false;
    Events events_;
    TTF_Font* font_ = nullptr;
    std::unique_ptr<SdlGraphics> graphics_;
    std::unique_ptr<Input> input_;
    std::unique_ptr<Clock> clock_;
    std::unique_ptr<Random> random_;
    std::unique_ptr<SdlSound> sound_;
    std::unique_ptr<SdlDialogs> dialogs_;
    CurlNetwork network_;
};

SdlPlatform* asSdl(plat::Platform& p) {
    return dynamic_cast<SdlPlatform*>(&p);
}

} // namespace

SDL_MessageBoxData messageBoxData(const std::string& title, const std::string& text, Buttons buttons,
                                  SDL_Window* parent) {
    static const SDL_MessageBoxButtonData yesNo[2] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "Yes"},
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0, "No"},
    };
    static const SDL_MessageBoxButtonData ok[1] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 1, "OK"}};
    SDL_MessageBoxData data{};
    data.flags = SDL_MESSAGEBOX_INFORMATION;
    data.window = parent;
    data.title = title.c_str();
    data.message = text.c_str();
    data.numbuttons = buttons == Buttons::YesNo ? 2 : 1;
    data.buttons = buttons == Buttons::YesNo ? yesNo : ok;
    return data;
}

std::unique_ptr<plat::Platform> createPlatform(Options options) {
    return std::make_unique<SdlPlatform>(std::move(options));
}

SDL_Window* window(plat::Platform& p) {
    SdlPlatform* s = asSdl(p);
    return s ? s->sdlGraphics().window() : nullptr;
}

SDL_Renderer* renderer(plat::Platform& p) {
    SdlPlatform* s = asSdl(p);
    return s ? s->sdlGraphics().renderer() : nullptr;
}

void setEventHook(plat::Platform& p, std::function<void(const SDL_Event&)> hook) {
    if (SdlPlatform* s = asSdl(p)) s->events().hook = std::move(hook);
}

void setPresentHook(plat::Platform& p, std::function<void()> hook) {
    if (SdlPlatform* s = asSdl(p)) s->sdlGraphics().setPresentHook(std::move(hook));
}

void pressNotForInput(plat::Platform& p, int button) {
    SdlPlatform* s = asSdl(p);
    if (s && button >= 1 && button <= 3) s->events().notOurs[static_cast<std::size_t>(button)] = true;
}

void pumpEvents(plat::Platform& p) {
    if (SdlPlatform* s = asSdl(p)) s->events().pump();
}

bool eventsInLastPump(plat::Platform& p) {
    SdlPlatform* s = asSdl(p);
    return s && s->events().lastPumpHadEvents;
}

bool takeEventsArrived(plat::Platform& p) {
    SdlPlatform* s = asSdl(p);
    if (!s) return false;
    const bool r = s->events().eventsSinceAsked;
    s->events().eventsSinceAsked = false;
    return r;
}

SDL_Surface* loadImageSurface(const std::string& path) {
    std::string bytes, problem;
    if (!plat::readImageFile(path, bytes, problem)) {
        if (!problem.empty()) textio::notice(problem);
        return nullptr;
    }
    SDL_RWops* rw = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
    if (!rw) return nullptr;
    // The type hint matters for TGA only, which has no signature.
    const std::size_t dot = path.find_last_of("./");
    const std::string ext =
        dot != std::string::npos && path[dot] == '.' ? path.substr(dot + 1) : std::string();
    return IMG_LoadTyped_RW(rw, 1, ext.c_str());
}

} // namespace plat::sdl
