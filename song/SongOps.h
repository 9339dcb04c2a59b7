// The pure operations on a song record. Callers that share the song hold the document lock.
#pragma once

#include "song/Song.h"

namespace tarvel {

// A new song: empty header, 128 empty patterns, the General MIDI patch names, tracks named
// "0".."15" on device 0 with program 0 and velocity 100, an empty grid, nothing sounding and
// 125 BPM.
void MakeNewSong(Song& song);

// Pattern numbers outside 0..127 are ignored (the line count reads as 0).
void ResetPattern(Song& song, int pattern);
int GetPatternLineCount(const Song& song, int pattern);
void SetPatternLineCount(Song& song, int pattern, int count);
void SetPatternName(Song& song, int pattern, const char* name);

// 32..512 BPM sets the line length 15000 / bpm; anything else is refused.
void SetBpm(Song& song, int bpm);
// The line length the player and the displays use: a damaged song's value below 1 counts as
// 120 ms, so nothing divides by zero.
int EffectiveLineDuration(const Song& song);

}  // namespace tarvel
