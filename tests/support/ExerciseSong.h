// Everything that reads a song, run over whatever song the document holds: for damaged songs in
// the core tests and for the song loader's fuzz target. Whatever the song, nothing may read or
// write outside it or divide by zero; the sanitizers are what catch a slip.
#pragma once

#include "document/FennoralDoc.h"

namespace tarvel::testing {

// Window thread, lock not held. Plays the song in both modes with seeks, sends every program and
// a note per slot, shows it through the display model, the helper texts, the panel and the song
// information, and edits it through the keys, the mouse, the block and pattern commands.
// `ticks` sets how long each mode plays.
void ExerciseSong(CFennoralDoc& doc, int ticks);

}  // namespace tarvel::testing
