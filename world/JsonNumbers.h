// JsonNumbers: whole numbers read from JSON files that users or tools wrote (run records, Tiled
// maps). A fraction, a number outside the target type's range, or anything that is not a number is
// refused with an exception instead of being converted blindly (a float outside an integer type's
// range has no defined conversion).
#pragma once

#include <cstdint>
#include <limits>
#include <stdexcept>
#include <type_traits>

#include <nlohmann/json.hpp>

namespace world {

template <class T> T wholeNumber(const nlohmann::json& v) {
    static_assert(std::is_integral_v<T> && !std::is_same_v<T, bool>);
    if (v.is_number_unsigned()) {
        const auto u = v.get<std::uint64_t>();
        if (u > static_cast<std::uint64_t>(std::numeric_limits<T>::max()))
            throw std::out_of_range("number out of range");
        return static_cast<T>(u);
    }
    if (v.is_number_integer()) {
        const auto i = v.get<std::int64_t>();
        if constexpr (std::is_unsigned_v<T>) {
            if (i < 0) throw std::out_of_range("negative number");
            if (static_cast<std::uint64_t>(i) > static_cast<std::uint64_t>(std::numeric_limits<T>::max()))
                throw std::out_of_range("number out of range");
        } else {
            if (i < static_cast<std::int64_t>(std::numeric_limits<T>::min()) ||
                i > static_cast<std::int64_t>(std::numeric_limits<T>::max()))
                throw std::out_of_range("number out of range");
        }
        return static_cast<T>(i);
    }
    throw std::invalid_argument("not a whole number");
}

} // namespace world
