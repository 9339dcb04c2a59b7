#include "editor/TrackMuting.h"

namespace tarvel {
namespace {

void FlipChannelBit(SongEditor& edit, std::uint16_t TrackMutes::*mask, int channel) {
    TARVEL_ASSERT_LOCKED(edit);
    TrackMutes mutes = edit.engine.mutes;
    mutes.*mask ^= static_cast<std::uint16_t>(1u << (channel & 0x0F));
    edit.engine.SetTrackMutes(mutes);
    edit.RaiseUiSignal(kRepaintView);
}

}  // namespace

void FlipTrackMute(SongEditor& edit, int channel) {
    FlipChannelBit(edit, &TrackMutes::muted, channel);
}

void FlipTrackSolo(SongEditor& edit, int channel) {
    FlipChannelBit(edit, &TrackMutes::soloed, channel);
}

}  // namespace tarvel
