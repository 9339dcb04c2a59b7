#include "editor/TrackMuting.h"

namespace tarvel {
namespace {

void FlipChannelBit(SongEditor& doc, std::uint16_t TrackMutes::*mask, int channel) {
    TARVEL_ASSERT_LOCKED(doc);
    TrackMutes mutes = doc.engine.mutes;
    mutes.*mask ^= static_cast<std::uint16_t>(1u << (channel & 0x0F));
    doc.engine.SetTrackMutes(mutes);
    doc.RaiseUiSignal(kRepaintView);
}

}  // namespace

void FlipTrackMute(SongEditor& doc, int channel) {
    FlipChannelBit(doc, &TrackMutes::muted, channel);
}

void FlipTrackSolo(SongEditor& doc, int channel) {
    FlipChannelBit(doc, &TrackMutes::soloed, channel);
}

}  // namespace tarvel
