// Typing into the cell under the edit cursor: note keys and hexadecimal digits.
#include <cstdint>

#include "editor/EditorBounds.h"
#include "editor/SongEditor.h"

namespace tarvel {

namespace {

constexpr int kHighestSemitone = 28;  // E two octaves above the octave's C

}  // namespace

void SongEditor::PreviewNote(int value) {
    TARVEL_ASSERT_LOCKED(*this);
    if (value == kNoteOff || value == kNoNote) {
        if (!editor.recordMode) return;  // without record these keys have nothing to do
        CellUnderCursor(*this).note = static_cast<std::uint8_t>(value);
        MoveCursorLines(editor.editStep);
        return;
    }
    if (value < 0 || value > kHighestSemitone) return;

    const int note = editor.octave * 12 + value;
    if (editor.recordMode) CellUnderCursor(*this).note = static_cast<std::uint8_t>(note);
    const int channel = editor.currentChannel & 0x0F;
    engine.NoteOn(channel, editor.cursorTrack, note, song.channelVelocity[channel]);
    if (editor.recordMode) MoveCursorLines(editor.editStep);
}

void SongEditor::EnterHexDigit(int value) {
    TARVEL_ASSERT_LOCKED(*this);
    const int field = editor.cursorField;
    if (!editor.recordMode || field < 1 || field > 6) return;
    if (value != kDeleteEntry && (value < 0 || value > 15)) return;

    PatternCell& cell = CellUnderCursor(*this);
    std::uint8_t& byte = field <= 2 ? cell.velocity : field <= 4 ? cell.command : cell.parameter;
    const bool parameter = field >= 5;
    const bool highDigit = field % 2 == 1;
    if (value == kDeleteEntry) {
        byte = parameter ? 0x00 : 0xFF;
    } else {
        // An empty velocity or command starts from zero in the digit not typed.
        if (!parameter && byte == 0xFF) byte = highDigit ? 0xF0 : 0x00;
        byte = static_cast<std::uint8_t>(highDigit ? value * 16 + (byte & 0x0F)
                                                   : (byte & 0xF0) + value);
    }
    MoveCursorLines(1);  // one line whatever editStep says, so digits run down one column
}

}  // namespace tarvel
