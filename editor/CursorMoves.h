// The view's cursor moves. Caller holds the lock; window thread. Each asks for a repaint.
#pragma once

#include "editor/SongEditor.h"

namespace tarvel {

// Edit cursor to another of the 16 tracks, wrapping, keeping it among those shown.
void MoveCursorTrack(SongEditor& edit, int delta);
// Edit cursor to another of the seven fields of a cell, running on into the next track.
void MoveCursorField(SongEditor& edit, int delta);
// Sequencer cursor and the grid's top row together, each kept in 0..16383.
void MoveSeqRows(SongEditor& edit, int delta);
// The current channel, wrapping around the 16; the panel follows.
void MoveCurrentChannel(SongEditor& edit, int delta);

}  // namespace tarvel
