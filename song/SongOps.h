// The pure operations on a song record. Callers that share the song hold the document lock.
#pragma once

#include <bitset>

#include "song/Song.h"

namespace tarvel {

// A new song: empty header, 128 empty patterns, the General MIDI patch names, tracks named
// "0".."15" on device 0 with program 0 and velocity 100, an empty grid, nothing sounding and
// 125 BPM.
void MakeNewSong(Song& song);

// Pattern numbers outside 0..127 are ignored.
void ResetPattern(Song& song, int pattern);
void SetPatternLineCount(Song& song, int pattern, int count);
void SetPatternName(Song& song, int pattern, const char* name);

// 32..512 BPM sets the line length (song/Tempo.h); anything else is refused.
void SetBpm(Song& song, int bpm);
// The line length the player and the displays use: a damaged song's value below 1 counts as
// 120 ms, so nothing divides by zero.
int EffectiveLineDuration(const Song& song);

// The programs a song can select: each channel's own, and every program-change cell's (a cell
// plays on whichever channel its track has, so on any). A caller that shares the song can add
// the patterns one short hold at a time.
std::bitset<128> ChannelPrograms(const Song& song);
void AddCellPrograms(const Pattern& pattern, std::bitset<128>& programs);
std::bitset<128> ProgramsInUse(const Song& song);

}  // namespace tarvel
