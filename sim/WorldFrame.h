// WorldFrame: the world frame - clear, update pass, draw pass (blending, overview, stretch, shadows,
// effects), picture-in-picture, the frame-rate sampler, the post pass (post step, mirrors, life
// time) and the after-image.
//
// Index order is drawing order. The mirrors, the picture-in-picture and the after-image grab what
// has been drawn so far and set no blending of their own (the after-image excepted).
// Depends on: engine/Biosim.h, sim/ObjectUpdate.h, platform Graphics.
#pragma once

#include <cstdint>
#include <string>

#include "engine/Forward.h"

namespace sim {

using engine::Biosim;

// One world frame. Called by the frame step between begin3D and end3D.
void worldFrame(Biosim& e);

// The update pass alone: the object update for every live index in ascending order.
void updatePass(Biosim& e);

// The blending pair of a postEFFECT text "SxD": blendSource and blendDest (both 0 when a side is
// empty or there is no "x").
struct BlendPair {
    std::int8_t blendSource = 0, blendDest = 0;
};
BlendPair decodePostEffect(const std::string& text);

// The mirror drawer of object i for its worldFTileMirrorAt ("LEFT", "RIGHT", "TOP", "DOWN",
// "FLOOR"; other texts draw nothing).
void drawMirror(Biosim& e, std::int32_t i);

} // namespace sim
