#pragma once
// Multiply-then-divide in 64 bits with the result rounded half away from
// zero, as the platform's MulDiv does; -1 for a zero divisor or a result
// outside 32 bits.

#include <cstdint>
#include <limits>

namespace fh {

inline int MulDivRound(int number, int numerator, int denominator) {
    if (denominator == 0) return -1;
    const std::int64_t product = static_cast<std::int64_t>(number) * numerator;
    std::int64_t quotient = product / denominator;
    const std::int64_t remainder = product % denominator;
    const std::int64_t twice = remainder < 0 ? -2 * remainder : 2 * remainder;
    const std::int64_t divisor = denominator < 0 ? -static_cast<std::int64_t>(denominator) : denominator;
    if (twice >= divisor) quotient += ((product < 0) != (denominator < 0)) ? -1 : 1;
    if (quotient > std::numeric_limits<int>::max() || quotient < std::numeric_limits<int>::min()) return -1;
    return static_cast<int>(quotient);
}

}  // namespace fh
