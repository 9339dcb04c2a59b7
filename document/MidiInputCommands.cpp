// MIDI input as the document sees it: each message is one short hold of the lock on the
// input's thread, taken only when free (else the message waits in a queue for the next holder);
// what must allocate (the undo steps, the message of a lost port) is done
// later on the window thread.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <mutex>

#include "document/FennoralDoc.h"

namespace tarvel {
namespace {

constexpr unsigned kInputLost = 1u << 9;

bool SameCell(const PatternCell& a, const PatternCell& b) {
    return a.note == b.note && a.velocity == b.velocity && a.command == b.command &&
           a.parameter == b.parameter;
}

}  // namespace

// The input's thread (RtMidi's, JACK's process callback). A JACK cycle must not wait for a
// window edit, so a busy document queues the message for the next tick or message to play.
void CFennoralDoc::ReceiveMidi(const MidiInMessage& message) noexcept {
    // Clock messages never take the lock: the next tick takes them, in order, with their times.
    if (message.status >= 0xF0) {
        if (!message.fromClockSource) return;
        MidiInMessage stamped = message;
        if (stamped.dueNs == 0) stamped.dueNs = PeriodicTimer::MonotonicNowNs();
        clockInput_.Push(stamped);
        return;
    }
    std::unique_lock lock(mutex, std::try_to_lock);
    if (!lock.owns_lock()) {
        deferredInput_.Push(message);
        return;
    }
    PlayDeferredInput();
    PlayInput(message);
}

void CFennoralDoc::PlayDeferredInput() noexcept {
    TARVEL_ASSERT_LOCKED(*this);
    // Late by now: a due time already past goes out at once.
    deferredInput_.Drain([this](const MidiInMessage& message) { PlayInput(message); });
}

void CFennoralDoc::PlayInput(const MidiInMessage& message) noexcept {
    TARVEL_ASSERT_LOCKED(*this);
    if (message.dueNs != 0) engine.SetThruDueTime(message.dueNs);
    HandleMidiInput(songEditor, inputRecording, message);
    if (message.dueNs != 0) engine.SetThruDueTime(0);
}

void CFennoralDoc::MidiInputLost(const char* portName) noexcept {
    {
        std::lock_guard lock(mutex);
        engine.ReleaseInputNotes();
        if (lostInput_[0] == '\0') {
            std::strncpy(lostInput_, portName, sizeof lostInput_ - 1);
            lostInput_[sizeof lostInput_ - 1] = '\0';
        }
    }
    RaiseUiSignal(kInputLost);
}

void CFennoralDoc::TakeInputEdits() {
    // A few steps per hold: each allocates, and 512 at once would keep the clock waiting.
    for (bool more = true; more;) {
        std::lock_guard lock(mutex);
        // A mouse drag's step is still open: the edits wait for the next call.
        if (history.IsOpen()) return;
        more = TakeSomeInputEdits(kInputEditsPerHold);
    }
}

bool CFennoralDoc::TakeSomeInputEdits(int most) {
    TARVEL_ASSERT_LOCKED(*this);
    auto* image = reinterpret_cast<std::uint8_t*>(&song);
    const int taken = std::min(most, inputRecording.pendingCount);
    for (int i = 0; i < taken; ++i) {
        const RecordedInputEdit& recorded = inputRecording.pending[i];
        PatternCell& cell = song.patterns[recorded.pattern].cells[recorded.line][recorded.track];
        // Changed again since (a load, an undo): the step would no longer be true.
        if (!SameCell(cell, recorded.after)) {
            history.MarkUnsaved();
            continue;
        }
        // The history takes old bytes when a stretch is watched: the cell goes back to its
        // old bytes for that moment, inside this one hold.
        const std::size_t offset =
            static_cast<std::size_t>(reinterpret_cast<std::uint8_t*>(&cell) - image);
        cell = recorded.before;
        history.Begin("Recording");
        history.Watch({offset, sizeof cell});
        cell = recorded.after;
        history.End();
    }
    inputRecording.pendingCount -= taken;
    std::memmove(inputRecording.pending, inputRecording.pending + taken,
                 sizeof(RecordedInputEdit) * static_cast<std::size_t>(inputRecording.pendingCount));
    if (inputRecording.pendingCount > 0) return true;
    if (inputRecording.overflowed) history.MarkUnsaved();
    inputRecording.overflowed = 0;
    return false;
}

}  // namespace tarvel
