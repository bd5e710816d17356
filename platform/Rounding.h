// Rounding: every rounding rule of both programs, each helper named by how it rounds halves and
// what it does beyond its range. NaN gives 0 in each.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace plat {

// Halves to even, clamped to +-2^40 so that sums of two values never overflow: the rounding of
// every drawn position and collision rectangle.
inline std::int64_t roundHalfEvenPixel(double v) {
    if (std::isnan(v)) return 0;
    constexpr double kLimit = 1099511627776.0; // 2^40: far beyond any screen, sums stay exact
    const double r = std::nearbyint(v);
    if (r > kLimit) return static_cast<std::int64_t>(kLimit);
    if (r < -kLimit) return -static_cast<std::int64_t>(kLimit);
    return static_cast<std::int64_t>(r);
}

// Halves to even, clamped to the 32-bit range.
inline std::int32_t roundHalfEvenInt32(double v) {
    if (std::isnan(v)) return 0;
    const double r = std::nearbyint(v);
    if (r >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
    if (r <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(r);
}

// Halves away from zero, clamped to the 32-bit range.
inline std::int32_t roundHalfAwayInt32(double v) {
    if (std::isnan(v)) return 0;
    const double r = std::round(v);
    if (r >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
    if (r <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(r);
}

// Halves away from zero, then wrapped like a 32-bit integer (2^32 + 5 gives 5); infinities give 0.
// Never undefined for huge values.
inline std::int32_t roundHalfAwayWrapped32(double v) {
    if (!std::isfinite(v)) return 0;
    const double r = std::round(v);
    const double wrapped = std::fmod(r, 4294967296.0); // exact; |wrapped| < 2^32
    const auto asInt64 = static_cast<std::int64_t>(wrapped);
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(asInt64)));
}

} // namespace plat
