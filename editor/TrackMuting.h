// Mute and solo from the view: a click on a sequencer column's header, or the keys of the
// Player menu for the current channel. Caller holds the lock; window thread. Each asks for a
// repaint, since the headers show the state.
#pragma once

#include "editor/SongEditor.h"

namespace tarvel {

void FlipTrackMute(SongEditor& edit, int channel);
void FlipTrackSolo(SongEditor& edit, int channel);

}  // namespace tarvel
