// How long a line lasts on the player's clock, shared by clock out and the fine-timed notes:
// the clock ticks every 2 ms, and a line ends at the first tick that reaches its length.
#pragma once

#include <cstdint>

namespace tarvel {

inline constexpr std::int64_t kNsPerMs = 1'000'000;
inline constexpr std::int64_t kTickNs = 2 * kNsPerMs;

// 2 ms x ceil(lineDuration / 2), in 64 bits: a damaged song's longest line overflows an int.
constexpr std::int64_t WholeTickLineNs(int lineDuration) {
    return (std::int64_t{lineDuration} + 1) / 2 * kTickNs;
}

}  // namespace tarvel
