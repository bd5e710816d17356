// D3DBLEND pairs as SDL blend modes (see BlendMap.h).
#include "platform/sdl/BlendMap.h"

#include "platform/Platform.h"

namespace plat::sdl {

SDL_BlendFactor blendFactor(int d3dBlend, bool* known) {
    if (known) *known = true;
    switch (d3dBlend) {
    case BlendZero:
        return SDL_BLENDFACTOR_ZERO;
    case BlendOne:
        return SDL_BLENDFACTOR_ONE;
    case BlendSrcColor:
        return SDL_BLENDFACTOR_SRC_COLOR;
    case BlendInvSrcColor:
        return SDL_BLENDFACTOR_ONE_MINUS_SRC_COLOR;
    case BlendSrcAlpha:
        return SDL_BLENDFACTOR_SRC_ALPHA;
    case BlendInvSrcAlpha:
        return SDL_BLENDFACTOR_ONE_MINUS_SRC_ALPHA;
    case BlendDestAlpha:
        return SDL_BLENDFACTOR_DST_ALPHA;
    case BlendInvDestAlpha:
        return SDL_BLENDFACTOR_ONE_MINUS_DST_ALPHA;
    case BlendDestColor:
        return SDL_BLENDFACTOR_DST_COLOR;
    case BlendInvDestColor:
        return SDL_BLENDFACTOR_ONE_MINUS_DST_COLOR;
    default:
        if (known) *known = false;
        return SDL_BLENDFACTOR_ONE;
    }
}

namespace {
bool knownPair(int src, int dst) {
    bool a = false, b = false;
    blendFactor(src, &a);
    blendFactor(dst, &b);
    return a && b;
}
} // namespace

SDL_BlendMode customBlendMode(int src, int dst) {
    if (!knownPair(src, dst)) return SDL_BLENDMODE_BLEND;
    return SDL_ComposeCustomBlendMode(blendFactor(src), blendFactor(dst), SDL_BLENDOPERATION_ADD,
                                      SDL_BLENDFACTOR_ONE, SDL_BLENDFACTOR_ONE_MINUS_SRC_ALPHA,
                                      SDL_BLENDOPERATION_ADD);
}

namespace {
// The frame has no alpha channel: its alpha reads as 1, so DESTALPHA is ONE and INVDESTALPHA ZERO.
int onOpaqueFrame(int factor) {
    if (factor == BlendDestAlpha) return BlendOne;
    if (factor == BlendInvDestAlpha) return BlendZero;
    return factor;
}
} // namespace

bool blendDrawsNothing(int src, int dst) {
    return onOpaqueFrame(src) == BlendZero && onOpaqueFrame(dst) == BlendOne;
}

bool blendCopiesOpaque(int src, int dst) {
    const bool one = src == BlendOne || src == BlendSrcAlpha || src == BlendDestAlpha;
    const bool zero = dst == BlendZero || dst == BlendInvSrcAlpha || dst == BlendInvDestAlpha;
    return one && zero;
}

SDL_BlendMode nearestStandardBlendMode(int src, int dst) {
    if (!knownPair(src, dst)) return SDL_BLENDMODE_BLEND;
    src = onOpaqueFrame(src);
    dst = onOpaqueFrame(dst);
    // Standard modes: NONE  dst = src
    //                 BLEND dst = src*a + dst*(1-a)
    //                 ADD   dst = src*a + dst
    //                 MOD   dst = src*dst
    //                 MUL   dst = src*dst + dst*(1-a)
    switch (dst) {
    case BlendOne:
        return SDL_BLENDMODE_ADD; // everything that keeps the screen and adds to it
    case BlendZero:
        if (src == BlendOne) return SDL_BLENDMODE_NONE;
        if (src == BlendDestColor) return SDL_BLENDMODE_MUL;
        if (src == BlendSrcAlpha) return SDL_BLENDMODE_BLEND;
        return SDL_BLENDMODE_BLEND;
    case BlendSrcColor:
        // ZERO / SRCCOLOR and DESTCOLOR / SRCCOLOR multiply the screen by the sprite.
        if (src == BlendZero || src == BlendDestColor) return SDL_BLENDMODE_MUL;
        return SDL_BLENDMODE_BLEND;
    case BlendInvSrcColor:
        // ONE / INVSRCCOLOR ("screen") and SRCALPHA / INVSRCCOLOR brighten like an add.
        if (src == BlendOne || src == BlendSrcAlpha) return SDL_BLENDMODE_ADD;
        return SDL_BLENDMODE_BLEND;
    case BlendInvSrcAlpha:
        if (src == BlendDestColor) return SDL_BLENDMODE_MUL;
        return SDL_BLENDMODE_BLEND;
    default:
        if (src == BlendDestColor) return SDL_BLENDMODE_MUL;
        return SDL_BLENDMODE_BLEND;
    }
}

} // namespace plat::sdl
