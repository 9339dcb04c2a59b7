// Offline rendering: the engine run over a copy of a song, with records of its own and no clock,
// through one pass of the song or of one pattern. Every message it sends is kept with its time,
// so an exported file holds exactly what playing would send. Any thread: nothing is shared with
// the document, its player or its ports.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "song/Song.h"

namespace tarvel {

struct RenderedMessage {
    std::int32_t line;      // of the pass, from 0; the release at the end falls on the line after
    std::int32_t msInLine;  // since that line started
    std::int32_t ms;        // since the pass started
    std::uint8_t bytes[3];  // as a port receives them: data bytes 7 bits
    std::uint8_t length;
};
static_assert(sizeof(RenderedMessage) == 16);

struct RenderedPass {
    std::vector<RenderedMessage> messages;  // in the order they were sent
    // When each line started, in ms, and last the end of the pass. A line lasts its ticks: a
    // line duration of 115 ms plays 116 ms.
    std::vector<std::int32_t> lineStarts;
    std::uint8_t programs[kTrackCount];  // each channel's program as the pass began

    int LineCount() const { return static_cast<int>(lineStarts.size()) - 1; }
    int LineLength(int line) const { return lineStarts[line + 1] - lineStarts[line]; }
    int LengthMs() const { return lineStarts.back(); }
};

// No pass goes on longer than this: a damaged line length could otherwise keep a render busy for
// days. The longest song a tempo of 32..512 BPM gives (16,384 lines at 32 BPM) lasts 2 h 8 min.
constexpr std::int32_t kLongestRenderMs = 3 * 60 * 60 * 1000;

// Song mode from row 0 to the row before `loopEndRow` (kept within 1..16384), once, then a stop
// that releases every note. All channels play on one device, as a file knows no devices; what a
// cell sends to every device is therefore there once. False, with the reason, for a pass longer
// than kLongestRenderMs.
bool RenderSongPass(const Song& song, int loopEndRow, RenderedPass& pass, std::string& whyNot);

}  // namespace tarvel
