// Live launching from the editor: the slot under the sequencer cursor, a mute or unmute of a
// track, or a MIDI input's note n naming pattern n for the current channel's track, each queued
// for the track's next boundary (see Engine::QueueLaunch). Caller holds the lock; window thread,
// or a MIDI input's thread for the note. Each asks for a repaint: the pane shows what waits.
#pragma once

#include "editor/SongEditor.h"

namespace tarvel {

// False when the slot is empty or no song plays in live mode.
bool LaunchSlotUnderCursor(SongEditor& edit);
bool QueueTrackMuteFlip(SongEditor& edit, int channel);
bool LaunchPatternOfNote(SongEditor& edit, int note);

// Whether the slot at (row, track) waits to be launched, and whether the track has anything
// queued, for the display.
bool IsQueuedSlot(const PlayerState& player, int row, int track);
bool HasQueuedLaunch(const PlayerState& player, int track);

}  // namespace tarvel
