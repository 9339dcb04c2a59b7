// Swing, Swing all and Humanize: what they set for a channel, read before its line plays so
// that they act on the whole of their line, whatever column or track holds them. Timer thread,
// under the document lock; nothing here allocates.
#include "engine/Engine.h"
#include "song/CellCommandValues.h"

namespace tarvel {

void Engine::TakeLineFeel(const Pattern* const (&patterns)[kTrackCount],
                          const std::int32_t (&lines)[kTrackCount]) {
    TARVEL_ASSERT_LOCKED(*this);
    // On one line a channel's own Swing wins over a Swing all, whichever track holds that.
    int swingAll = -1;
    int ownSwing[kTrackCount];
    for (int channel = 0; channel < kTrackCount; ++channel) {
        ownSwing[channel] = -1;
        const Pattern* pattern = patterns[channel];
        const int line = lines[channel];
        if (!pattern || line < 0 || line >= kPatternLines) continue;
        for (const PatternCell& cell : pattern->cells[line]) {
            switch (cell.command) {
                case cell::kSwing:
                    ownSwing[channel] = cell.parameter;
                    break;
                case cell::kSwingAll:
                    swingAll = cell.parameter;
                    break;
                case cell::kHumanize:
                    player.feel[channel].humanize = cell.parameter;
                    break;
                default:
                    break;
            }
        }
    }
    for (int channel = 0; channel < kTrackCount; ++channel) {
        ChannelFeel& feel = player.feel[channel];
        if (swingAll >= 0) feel.swing = static_cast<std::uint8_t>(swingAll);
        if (ownSwing[channel] >= 0) feel.swing = static_cast<std::uint8_t>(ownSwing[channel]);
        // Odd lines of the pattern, so the groove follows the pattern's own beat.
        feel.lineSwing = patterns[channel] && (lines[channel] & 1) ? feel.swing : 0;
    }
}

std::uint64_t Engine::FeelPosition(int line) const {
    // Song mode draws by row, so a play from any row meets the choices a play through it did.
    const int where = player.playMode == kSongMode ? player.playRow : line;
    return std::uint64_t{player.feelPass} << 16 | static_cast<std::uint16_t>(where);
}

}  // namespace tarvel
