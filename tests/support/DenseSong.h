// Songs for the tests and tools that load or time the player: the busiest song there can be, a
// light one whose line onsets can be timed, and one whose notes name their rows.
#pragma once

#include "document/FennoralDoc.h"

namespace tarvel::testing {

enum class Density {
    ControllersAndNotes,  // every cell: a controller and a note (the worst line for the sends)
    EveryCommand,         // every cell: a note or note-off and one of all the kinds of command
};

// Lock held. Patterns 0..15 get 256 full lines; track t plays pattern t from row 0, the loop is
// rows 0..255 and the tempo stays at BPM 125.
void FillDenseSong(CFennoralDoc& doc, Density density);

// Lock held. Plays pattern 0 in pattern mode at BPM 250 (60 ms lines) to device 1: each of its
// `lines` lines a note and a controller on channel 0, so each line's onset can be timed.
void PlayTimingLines(CFennoralDoc& doc, int lines);

// Lock held. Each row r of the first `rows` plays pattern r % 16, one line of one gated note
// 36 + r % 16 on channel 0, so a note heard names its row.
void WriteRowNamingSong(CFennoralDoc& doc, int rows);

}  // namespace tarvel::testing
