// D3DBLEND pairs as SDL blend modes. A custom mode is tried first; renderers that refuse it (the
// software renderer refuses every custom mode) get the standard mode closest in effect.
#pragma once

#include <SDL2/SDL.h>

namespace plat::sdl {

// SDL factor of one D3DBLEND number; false in `known` for numbers outside 1..10.
SDL_BlendFactor blendFactor(int d3dBlend, bool* known = nullptr);

// The exact mode: colour = src * srcFactor + dst * dstFactor. The frame's alpha stays opaque
// (alpha = srcA + dstA * (1 - srcA)), like the frame buffer without alpha the pairs were made for.
// Unknown numbers give the usual SRCALPHA / INVSRCALPHA mode.
SDL_BlendMode customBlendMode(int src, int dst);

// The nearest standard mode (NONE, BLEND, ADD, MOD, MUL) for renderers without custom modes. The
// frame is opaque, so DESTALPHA counts as ONE and INVDESTALPHA as ZERO.
SDL_BlendMode nearestStandardBlendMode(int src, int dst);

// ZERO / ONE (or the same through the frame's alpha) leaves the screen as it is: such draws can be
// skipped.
bool blendDrawsNothing(int src, int dst);

// Whether the pair leaves exactly the source where the source is opaque (source factor one, screen
// factor zero once the source's and the frame's alpha are full): such draws of an opaque picture at
// full strength can be plain copies.
bool blendCopiesOpaque(int src, int dst);

} // namespace plat::sdl
