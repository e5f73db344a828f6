#pragma once

#include <cstdint>

// The one process-wide pseudo-random stream of the program. It reproduces the classic
// linear congruential generator whose range is 0..32767, because every draw formula of the
// search is written for that 15-bit range (the C library's own rand on Linux has another).
namespace tavorin::platform {

inline constexpr int kRandMax = 32767;

// Sets the generator's state to `seed`.
void srand(std::uint32_t seed);

// Advances the state (state * 214013 + 2531011 modulo 2^32) and returns (state >> 16) & 0x7FFF.
int rand();

}  // namespace tavorin::platform
