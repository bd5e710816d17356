// Forward: the engine record's name, for headers of higher layers that only pass it by reference
// (`engine::Biosim&`) and so need not include engine/Biosim.h.
#pragma once

namespace engine {
struct Biosim;
} // namespace engine
