// Songs that keep the player as busy as it can be: for stress and allocation tests, benchmarks
// and the timer tool.
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

}  // namespace tarvel::testing
