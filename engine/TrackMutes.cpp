#include "engine/Engine.h"

namespace tarvel {

void Engine::SetTrackMutes(TrackMutes next) {
    TARVEL_ASSERT_LOCKED(*this);
    mutes = next;
    // The note-offs go where each note went (NoteOff follows soundingDevice).
    for (int channel = 0; channel < kTrackCount; ++channel) {
        if (!mutes.Silences(channel)) continue;
        for (int column = 0; column < kTrackCount; ++column) NoteOff(channel, column);
    }
}

}  // namespace tarvel
