// The real backend on SDL2: window or full screen (or offscreen for headless runs), sprites as
// textures drawn through SDL_RenderGeometry, SDL2_ttf text, SDL2_mixer sound, SDL message boxes and
// libcurl downloads. No SDL type appears here; platform/sdl/SdlAccess.h gives the editor the
// window and renderer.
#pragma once

#include "platform/Platform.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace plat::sdl {

struct Options {
    // How a request for a full screen is honoured: Fullscreen (desktop-sized, borderless) or
    // Windowed. A program asking for Windowed or Offscreen gets what it asks for.
    ScreenMode screenMode = ScreenMode::Fullscreen;
    // Offscreen video driver (fallback dummy), software renderer, every screen offscreen; message
    // boxes are written to standard error and answered with `answerYes`; requesters return "";
    // sound uses SDL's dummy audio driver.
    bool headless = false;
    bool answerYes = true;              // answer of Yes/No boxes when no box can be shown
    bool softwareRenderer = false;      // also without headless (forced when headless)
    bool vsync = false;                 // wait for the display's refresh in flip (never headless)
    std::unique_ptr<plat::Input> input; // replaces keyboard, mouse and joystick (scripted runs);
                                        // SDL events are still pumped and window close still
                                        // counts as a quit request
    std::unique_ptr<plat::Clock> clock; // replaces the real clock (virtual time)
    std::optional<std::uint64_t> seed;  // random seed; a fresh one per run when unset
    std::string fontPath;               // "" = DejaVu Sans Mono from fonts-dejavu-core
    int fontSize = 11;                  // a line skip of 13 pixels: overlay lines 14 pixels apart stay apart
    int soundChannels = 512;            // mixing channels allocated at start (grown when all are busy)
};

// Starts SDL (video, events, joystick, audio), SDL2_image, SDL2_ttf and SDL2_mixer. Never fails:
// when no display can be used, desktop() reports 0 x 0 and openScreen returns false; when no sound
// device opens, sounds play silently on SDL's dummy audio driver.
std::unique_ptr<plat::Platform> createPlatform(Options options = {});

} // namespace plat::sdl
