// Opens a real SDL window on the X server in DISPLAY, draws a white sprite with alpha 128 over
// black, and writes what the window receives (read back just before presenting) and what the
// frame holds to the file named by argv[1]:
//   driver <name>
//   window <r> <g> <b>
//   frame <r> <g> <b>
//   desktop <w> <h> <depth>
//   output <w> <h>       (the window's drawable size)
// With a third argument "fullscreen" the screen is opened full screen (software renderer) instead
// of in a window.
// Exit code 0 on success, 1 when the window could not be opened.
#include "Helpers.h"
#include "platform/sdl/SdlAccess.h"
#include "platform/sdl/SdlPlatform.h"

#include <SDL2/SDL_image.h>
#include <cstdio>
#include <fstream>

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    const std::string out = argv[1];
    const std::string work = argv[2]; // a folder for the sprite image and the screenshot
    const bool fullscreen = argc > 3 && std::string(argv[3]) == "fullscreen";
    plat::sdl::Options o;
    o.screenMode = fullscreen ? plat::ScreenMode::Fullscreen : plat::ScreenMode::Windowed;
    // Mesa's GL on Xvfb without a window manager reads back undefined pixels from a full-screen
    // window (plain SDL programs too); the software renderer reads back what is shown.
    o.softwareRenderer = fullscreen;
    auto p = plat::sdl::createPlatform(std::move(o));
    plat::Graphics& g = p->graphics();
    const plat::DesktopInfo desktop = g.desktop();
    if (!g.openScreen(160, 120, 32, "probe", plat::ScreenMode::Fullscreen)) return 1;

    SDL_Surface* white = bt_test::makeSurface(32, 32, [](int, int) { return 0xffffffffu; });
    bt_test::writePng(white, work + "/white.png");
    SDL_FreeSurface(white);
    const plat::SpriteId img = g.loadSprite(work + "/white.png");
    const plat::SpriteId spr = g.createDrawable(img);
    if (!spr) return 1;

    Uint32 windowPixel = 0;
    bool read = false;
    int ow = 0, oh = 0; // the window's drawable size, asked while the window is the render target
    plat::sdl::setPresentHook(*p, [&] {
        SDL_Renderer* r = plat::sdl::renderer(*p);
        SDL_GetRendererOutputSize(r, &ow, &oh);
        // The frame is stretched over the window: sample the window where the sprite's centre lands.
        const SDL_Rect at{16 * ow / 160, 16 * oh / 120, 1, 1};
        read = SDL_RenderReadPixels(r, &at, SDL_PIXELFORMAT_ARGB8888, &windowPixel, 4) == 0;
    });
    // A full-screen window reaches the desktop's size once the X server has handled the request:
    // draw frames (which pump the events) until it has, for two seconds at most.
    int settled = 0;
    for (int frame = 0; frame < 3 || (fullscreen && frame < 100); ++frame) {
        if (frame >= 3) {
            if (ow == desktop.width && oh == desktop.height && ++settled > 10) break;
            SDL_Delay(20);
        }
        g.clear(plat::rgb(0, 0, 0));
        g.begin3D();
        g.setBlend(plat::BlendSrcAlpha, plat::BlendInvSrcAlpha);
        g.drawSprite(spr, 0, 0, 128);
        g.end3D();
        g.flip(1);
    }
    if (!read) return 1;
    const std::string shot = work + "/frame.png";
    if (!g.saveScreenshot(shot)) return 1;
    SDL_Surface* s = IMG_Load(shot.c_str());
    if (!s) return 1;
    const Uint32 framePixel = bt_test::pixelAt(s, 16, 16);
    SDL_FreeSurface(s);

    std::ofstream f(out);
    f << "driver " << SDL_GetCurrentVideoDriver() << "\n";
    f << "window " << ((windowPixel >> 16) & 255) << " " << ((windowPixel >> 8) & 255) << " "
      << (windowPixel & 255) << "\n";
    f << "frame " << ((framePixel >> 16) & 255) << " " << ((framePixel >> 8) & 255) << " "
      << (framePixel & 255) << "\n";
    f << "desktop " << desktop.width << " " << desktop.height << " " << desktop.depth << "\n";
    f << "output " << ow << " " << oh << "\n";
    return f ? 0 : 1;
}
