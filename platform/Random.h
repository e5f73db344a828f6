#pragma once

#include <cstdint>

namespace tavorin::platform {

inline constexpr int kRandMax = 32767;

// The classic linear congruential generator whose range is 0..32767, because every draw
// formula of the search is written for that 15-bit range (the C library's own rand on Linux
// has another). Each run owns its generator, so runs in one process never disturb each other.
class Random15 {
  public:
    // The state of the C runtime before any srand is 1.
    explicit Random15(std::uint32_t seed = 1) : state_(seed) {}

    void Seed(std::uint32_t seed) { state_ = seed; }

    // Advances the state (state * 214013 + 2531011 modulo 2^32) and returns
    // (state >> 16) & 0x7FFF.
    int Next() {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int>((state_ >> 16) & 0x7FFFu);
    }

  private:
    std::uint32_t state_;
};

}  // namespace tavorin::platform
