// What a message from a MIDI input does to the song: notes sound through to the current
// channel's device, and in record mode go into the current pattern like a note key, at the
// cursor or, while the pattern plays, at the line being played. In live mode a note n launches
// pattern n on the current channel's track instead: a note of any input, or where one input is
// chosen for launching, of that input alone, whose messages do nothing else. The changed cells are
// kept for the window thread, which makes an undo step of each.
//
// Caller holds the lock; the MIDI input thread. Nothing here allocates.
#pragma once

#include <cstdint>

#include "editor/SongEditor.h"
#include "platform/MidiIn.h"

namespace tarvel {

// One cell written by input, before and after, waiting to become an undo step.
struct RecordedInputEdit {
    std::int32_t pattern;
    std::int32_t line;
    std::int32_t track;
    PatternCell before;
    PatternCell after;
};
static_assert(sizeof(RecordedInputEdit) == 20);

struct InputRecording {
    static constexpr int kCapacity = 512;
    std::uint8_t recordVelocity = 0;  // also write the incoming velocity; off at start
    // Live mode launches from the messages marked as the launch input's only; the others play.
    std::uint8_t launchInputChosen = 0;
    // More edits than the window thread took in time: those could not become undo steps.
    std::uint8_t overflowed = 0;
    std::int32_t pendingCount = 0;  // the document's owner never clears it: it starts at none
    RecordedInputEdit pending[kCapacity];
};

// Raised when input wrote cells that wait in InputRecording::pending.
constexpr unsigned kInputEdits = 1u << 8;

void HandleMidiInput(SongEditor& edit, InputRecording& recording, const MidiInMessage& message);

// The line a note played now belongs to while the current pattern plays: the line being
// played, or the next one once more than half of it has passed.
int LiveRecordingLine(const SongEditor& edit);

}  // namespace tarvel
