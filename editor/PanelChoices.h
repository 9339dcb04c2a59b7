// What the control panel chooses for the editor: the current channel and the sequencer's step.
// Each keeps the editor's state inside its bounds and says whether it changed anything. Caller
// holds the lock; window thread.
#pragma once

#include <array>

#include "editor/SongEditor.h"

namespace tarvel {

// The sequencer step values, in the order the panel lists them.
inline constexpr std::array<int, 15> kSequencerSteps = {1,  2,  3,  4,  6,  8,   12, 16,
                                                        24, 32, 48, 64, 96, 128, 256};

bool ChooseChannel(SongEditor& edit, int channel);      // 0..15; anything else changes nothing
bool StepChannel(SongEditor& edit, int delta);          // false at either end
bool ChooseSequencerStep(SongEditor& edit, int index);  // an index into kSequencerSteps

}  // namespace tarvel
