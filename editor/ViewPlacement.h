// What part of the song the view shows, apart from the cursors: the view's size and following
// the line being played. Window thread.
#pragma once

#include "editor/SongEditor.h"

namespace tarvel {

// The view's client size; more room shows more tracks, lines and rows. Takes the lock.
void SetViewSize(SongEditor& edit, int width, int height);
// The same for a view that shows the editor at `percent` (one of kZoomSteps): laid out for its
// size divided by the zoom. Takes the lock.
void SetZoomedViewSize(SongEditor& edit, int width, int height, int percent);

// The line of the shown pattern that is playing: in pattern mode the pattern's play line, in
// song mode the line of the current channel's track when it plays the shown pattern; -1 when
// none plays. Caller holds the lock.
int PlayedLineOfShownPattern(const SongEditor& edit);

// With followPlay set, scrolls the pattern pane so that the played line sits in the middle of
// it (as near as the pattern's ends allow); the edit cursor stays where it is. Caller holds
// the lock; before each paint.
void FollowPlayedLine(SongEditor& edit);

}  // namespace tarvel
