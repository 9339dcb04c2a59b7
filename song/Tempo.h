// The tempo's one formula. A line is a sixteenth note, four to the beat, so at `bpm` beats a
// minute a line lasts 60000 / (4 * bpm) ms. Both sides are whole numbers, as the song stores them.
#pragma once

namespace tarvel {

inline constexpr int kLineMsAtOneBpm = 15000;
inline constexpr int kLinesPerBeat = 4;
// The tempos a song may be set to; a Set BPM cell's byte holds no more than 255 of them.
inline constexpr int kSlowestBpm = 32;
inline constexpr int kFastestBpm = 512;

// Callers keep `bpm` and `lineMs` at 1 or more.
constexpr int LineDurationOfBpm(int bpm) {
    return kLineMsAtOneBpm / bpm;
}
constexpr int BpmOfLineDuration(int lineMs) {
    return kLineMsAtOneBpm / lineMs;
}
// The same formula in fractions, for the tempos a followed clock or transport gives.
constexpr double LineNsOfBpm(double bpm) {
    return kLineMsAtOneBpm * 1e6 / bpm;
}
constexpr double BpmOfLineNs(double lineNs) {
    return kLineMsAtOneBpm * 1e6 / lineNs;
}

}  // namespace tarvel
