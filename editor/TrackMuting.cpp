#include "editor/TrackMuting.h"

namespace tarvel {

void FlipTrackMute(SongEditor& doc, int channel) {
    TARVEL_ASSERT_LOCKED(doc);
    TrackMutes mutes = doc.engine.mutes;
    mutes.muted ^= static_cast<std::uint16_t>(1u << (channel & 0x0F));
    doc.engine.SetTrackMutes(mutes);
    doc.RaiseUiSignal(kRepaintView);
}

void FlipTrackSolo(SongEditor& doc, int channel) {
    TARVEL_ASSERT_LOCKED(doc);
    TrackMutes mutes = doc.engine.mutes;
    mutes.soloed ^= static_cast<std::uint16_t>(1u << (channel & 0x0F));
    doc.engine.SetTrackMutes(mutes);
    doc.RaiseUiSignal(kRepaintView);
}

}  // namespace tarvel
