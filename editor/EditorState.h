// Everything about editing that is not part of the song: cursors, marks, copy buffers, the
// record switch and the loop rows. Written on the window thread only; the timer thread reads
// currentPattern, currentChannel, seqCursorRow, seqTopRow, seqStep and the loop rows.
#pragma once

#include <cstdint>

#include "song/Song.h"

namespace tarvel {

struct EditorState {
    std::int32_t sequencerFocus;  // 0: keys go to the pattern editor, 1: to the sequencer
    std::int32_t insertTranspose;
    std::int32_t currentPattern;
    std::int32_t cursorTrack;
    std::int32_t firstVisibleTrack;
    std::int32_t cursorLine;
    std::int32_t firstVisibleLine;
    std::int32_t cursorField;  // 0 note, 1-2 velocity, 3-4 command, 5-6 parameter digits
    std::int32_t octave;
    std::int32_t editStep;
    std::uint8_t blockMarked;
    std::int32_t blockStartTrack;
    std::int32_t blockEndTrack;
    std::int32_t blockStartLine;
    std::int32_t blockEndLine;
    std::int32_t currentChannel;
    std::int32_t seqCursorColumn;
    std::int32_t seqCursorRow;
    std::int32_t seqTopRow;
    std::int32_t seqStep;
    std::int32_t loopStartRow;
    std::int32_t loopEndRow;
    std::uint8_t clipboardValid;
    std::int32_t clipboardWidth;
    std::int32_t clipboardHeight;
    std::uint8_t recordMode;
    Pattern blockClipboard;
    Pattern patternClipboard;
    // The note each held note key sounds, by virtual key, so that its release stops that note
    // wherever the cursor or the channel went meanwhile.
    struct HeldNoteKey {
        std::uint8_t sounding;
        std::uint8_t channel;
        std::uint8_t column;
        std::uint8_t note;
    } heldNoteKeys[256];
};

void InitEditorState(EditorState& editor);

}  // namespace tarvel
