// The seeded choices of Chance and Humanize. Each is a pure function of the play's seed and
// where the note is (pass, line, channel, column): nothing depends on what played before, so
// a replay from the same row and an export make the same choices as the first play did.
#pragma once

#include <cstdint>

namespace tarvel {

// The seed a play starts with unless told another.
inline constexpr std::uint64_t kDefaultFeelSeed = 0x7A2B'E15E'ED00'0001;

enum class FeelDraw : std::uint8_t { kChance = 0, kTiming = 1, kVelocity = 2 };

// splitmix64's finaliser: every input bit reaches every output bit.
constexpr std::uint64_t MixBits(std::uint64_t z) {
    z += 0x9E37'79B9'7F4A'7C15;
    z = (z ^ (z >> 30)) * 0xBF58'476D'1CE4'E5B9;
    z = (z ^ (z >> 27)) * 0x94D0'49BB'1331'11EB;
    return z ^ (z >> 31);
}

// `position` is the pass through the song or pattern (high 32 bits) and its row or line.
constexpr std::uint64_t FeelBits(std::uint64_t seed, std::uint64_t position, int channel,
                                 int column, FeelDraw draw) {
    const std::uint64_t where = position << 10 | std::uint64_t(channel & 0x0F) << 6 |
                                std::uint64_t(column & 0x0F) << 2 |
                                static_cast<std::uint64_t>(draw);
    return MixBits(seed ^ MixBits(where));
}

// A number in -range..range, every value as likely (to within 2^-50).
constexpr int FeelOffset(std::uint64_t bits, int range) {
    return range <= 0 ? 0
                      : static_cast<int>(bits % static_cast<std::uint64_t>(2 * range + 1)) - range;
}

// True with probability chance/255.
constexpr bool FeelChance(std::uint64_t bits, int chance) {
    return static_cast<int>(bits % 255) < chance;
}

}  // namespace tarvel
