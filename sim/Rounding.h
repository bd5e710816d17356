// Rounding: the one rounding rule of drawn positions and collision rectangles.
#pragma once

#include <cmath>
#include <cstdint>

namespace sim {

// Nearest integer, halves to even (the rounding of every drawn position and collision rectangle),
// clamped so that sums of two values never overflow. NaN gives 0.
inline std::int64_t nearestPixel(double v) {
    if (std::isnan(v)) return 0;
    constexpr double kLimit = 1099511627776.0; // 2^40: far beyond any screen, sums stay exact
    const double r = std::nearbyint(v);
    if (r > kLimit) return static_cast<std::int64_t>(kLimit);
    if (r < -kLimit) return -static_cast<std::int64_t>(kLimit);
    return static_cast<std::int64_t>(r);
}

} // namespace sim
