#pragma once
// Narrowing conversions that are checked: pointer-sized values from the
// window system (item data, LPARAM) and container sizes are narrowed only
// when they fit, so the 64-bit build cannot silently cut them.

#include <limits>
#include <type_traits>

namespace fh {

template <class To, class From>
constexpr bool FitsIn(From value) {
    static_assert(std::is_integral_v<To> && std::is_integral_v<From>, "integers only");
    if constexpr (std::is_signed_v<From> == std::is_signed_v<To>) {
        return value >= std::numeric_limits<To>::min() && value <= std::numeric_limits<To>::max();
    } else if constexpr (std::is_signed_v<From>) {
        return value >= 0 && static_cast<std::make_unsigned_t<From>>(value) <= std::numeric_limits<To>::max();
    } else {
        return value <= static_cast<std::make_unsigned_t<To>>(std::numeric_limits<To>::max());
    }
}

// The value as To, or the fallback when it does not fit.
template <class To, class From>
constexpr To NarrowOr(From value, To fallback) {
    return FitsIn<To>(value) ? static_cast<To>(value) : fallback;
}

}  // namespace fh
