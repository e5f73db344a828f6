#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace tavorin::platform {

// Truncates toward zero to a 32-bit int. Values beyond the int range saturate at its ends
// and NaN gives 0, where a plain cast would be undefined behaviour.
inline std::int32_t truncateToInt32(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483648.0) return std::numeric_limits<std::int32_t>::max();
    if (value <= -2147483649.0) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

}  // namespace tavorin::platform
