// D3DBLEND pairs to SDL blend modes: exact custom modes, and the standard fallbacks of renderers
// that refuse custom modes.
#include "platform/Platform.h"
#include "platform/sdl/BlendMap.h"

#include <gtest/gtest.h>

using namespace plat;
using namespace plat::sdl;

TEST(BlendMap, EveryD3DBlendNumberHasItsFactor) {
    const SDL_BlendFactor expected[] = {SDL_BLENDFACTOR_ZERO,      SDL_BLENDFACTOR_ONE,
                                        SDL_BLENDFACTOR_SRC_COLOR, SDL_BLENDFACTOR_ONE_MINUS_SRC_COLOR,
                                        SDL_BLENDFACTOR_SRC_ALPHA, SDL_BLENDFACTOR_ONE_MINUS_SRC_ALPHA,
                                        SDL_BLENDFACTOR_DST_ALPHA, SDL_BLENDFACTOR_ONE_MINUS_DST_ALPHA,
                                        SDL_BLENDFACTOR_DST_COLOR, SDL_BLENDFACTOR_ONE_MINUS_DST_COLOR};
    for (int n = 1; n <= 10; ++n) {
        bool known = false;
        EXPECT_EQ(blendFactor(n, &known), expected[n - 1]) << n;
        EXPECT_TRUE(known);
    }
    for (int n : {0, 11, -3, 255}) {
        bool known = true;
        blendFactor(n, &known);
        EXPECT_FALSE(known) << n;
    }
}

TEST(BlendMap, CustomModesCarryThePairAndKeepTheFrameOpaque) {
    // The usual pair composes to exactly SDL's own BLEND mode.
    EXPECT_EQ(customBlendMode(BlendSrcAlpha, BlendInvSrcAlpha),
              SDL_ComposeCustomBlendMode(SDL_BLENDFACTOR_SRC_ALPHA, SDL_BLENDFACTOR_ONE_MINUS_SRC_ALPHA,
                                         SDL_BLENDOPERATION_ADD, SDL_BLENDFACTOR_ONE,
                                         SDL_BLENDFACTOR_ONE_MINUS_SRC_ALPHA, SDL_BLENDOPERATION_ADD));
    EXPECT_EQ(customBlendMode(BlendDestColor, BlendZero),
              SDL_ComposeCustomBlendMode(SDL_BLENDFACTOR_DST_COLOR, SDL_BLENDFACTOR_ZERO,
                                         SDL_BLENDOPERATION_ADD, SDL_BLENDFACTOR_ONE,
                                         SDL_BLENDFACTOR_ONE_MINUS_SRC_ALPHA, SDL_BLENDOPERATION_ADD));
    // Different pairs give different modes.
    EXPECT_NE(customBlendMode(BlendOne, BlendOne), customBlendMode(BlendSrcAlpha, BlendOne));
    // Numbers outside 1..10 (bad DNA values) fall back to the usual alpha blending.
    EXPECT_EQ(customBlendMode(0, 99), SDL_BLENDMODE_BLEND);
}

TEST(BlendMap, NearestStandardModes) {
    struct Case {
        int src, dst;
        SDL_BlendMode mode;
    };
    const Case cases[] = {
        {BlendSrcAlpha, BlendInvSrcAlpha, SDL_BLENDMODE_BLEND},
        {BlendOne, BlendInvSrcAlpha, SDL_BLENDMODE_BLEND},
        {BlendOne, BlendOne, SDL_BLENDMODE_ADD},
        {BlendSrcAlpha, BlendOne, SDL_BLENDMODE_ADD},
        {BlendSrcColor, BlendOne, SDL_BLENDMODE_ADD},
        {BlendOne, BlendInvSrcColor, SDL_BLENDMODE_ADD},
        {BlendOne, BlendZero, SDL_BLENDMODE_NONE},
        {BlendDestColor, BlendZero, SDL_BLENDMODE_MUL},
        {BlendZero, BlendSrcColor, SDL_BLENDMODE_MUL},
        {BlendDestColor, BlendSrcColor, SDL_BLENDMODE_MUL},
        // The frame is opaque: destination alpha is 1.
        {BlendSrcAlpha, BlendDestAlpha, SDL_BLENDMODE_ADD},
        {BlendDestAlpha, BlendInvDestAlpha, SDL_BLENDMODE_NONE},
        {BlendDestColor, BlendInvSrcAlpha, SDL_BLENDMODE_MUL},
        {3, 77, SDL_BLENDMODE_BLEND},
    };
    for (const Case& c : cases)
        EXPECT_EQ(nearestStandardBlendMode(c.src, c.dst), c.mode) << c.src << "," << c.dst;
    EXPECT_TRUE(blendDrawsNothing(BlendZero, BlendOne));
    EXPECT_FALSE(blendDrawsNothing(BlendOne, BlendZero));
    EXPECT_TRUE(blendDrawsNothing(BlendInvDestAlpha, BlendDestAlpha));
    EXPECT_FALSE(blendDrawsNothing(BlendDestAlpha, BlendDestAlpha));
    // Every pair of valid numbers maps to one of the modes every renderer has.
    for (int s = 1; s <= 10; ++s)
        for (int d = 1; d <= 10; ++d) {
            const SDL_BlendMode m = nearestStandardBlendMode(s, d);
            EXPECT_TRUE(m == SDL_BLENDMODE_NONE || m == SDL_BLENDMODE_BLEND || m == SDL_BLENDMODE_ADD ||
                        m == SDL_BLENDMODE_MOD || m == SDL_BLENDMODE_MUL);
        }
}
