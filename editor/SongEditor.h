// What editing works on: the song and the editor state it changes, the player state it shows,
// the engine that sounds the notes typed, the lock that guards them all and the signals that
// ask the window to repaint. The document owns every part; the editor's functions take this
// view of it, so nothing in the editor knows the document.
//
// Operations marked "caller holds the lock" run inside a hold the caller took; the free
// functions of the editor's other headers take the lock themselves unless they say otherwise.
// Window thread. The class is defined in one file per topic, named at the end of each section.
#pragma once

#include <cstddef>
#include <string>

#include "editor/EditorLayout.h"
#include "editor/EditorState.h"
#include "engine/Engine.h"

namespace tarvel {

// Told before the editor writes a stretch of the song that an edit could not name up front,
// such as the slot under a dragging mouse, so the undo history can keep its old bytes.
// Caller holds the lock; window thread.
class SongWriteListener {
  public:
    virtual void WillWrite(std::size_t offset, std::size_t size) = 0;

  protected:
    ~SongWriteListener() = default;
};

class SongEditor {
  public:
    SongEditor(Song& song, EditorState& editor, Engine& engine, UiSignals& signals)
        : song(song),
          editor(editor),
          player(engine.player),
          engine(engine),
          mutex(engine.mutex),
          signals_(signals) {}
    SongEditor(const SongEditor&) = delete;
    SongEditor& operator=(const SongEditor&) = delete;

    void RaiseUiSignal(unsigned raised) noexcept { signals_.Raise(raised); }

    // --- Typing into the pattern (caller holds the lock) ----------------------------------------
    // Moves the edit cursor by `delta` lines within the current pattern and scrolls the shown
    // lines after it.
    void MoveCursorLines(int delta);
    // A note key: 0..28 semitones above C of the octave, kNoteOff or kNoNote. Sounds the note on
    // the current channel; in record mode writes the note byte and steps down editStep lines.
    void PreviewNote(int value);
    // A digit key in fields 1..6: 0..15, or kDeleteEntry. Record mode only; steps down a line.
    void EnterHexDigit(int value);
    static constexpr int kDeleteEntry = 0xFF;
    // (MoveCursorLines: editor/CursorMoves.cpp; the keys: editor/PatternEntry.cpp)

    // --- The sequencer slot under its cursor (caller holds the lock) ----------------------------
    void PutSequenceSlot();    // the current pattern with the insert transpose
    void ClearSequenceSlot();  // empty again
    // (editor/SequenceSlots.cpp)

    // --- Pattern commands (caller holds the lock) -----------------------------------------------
    // Pattern numbers outside 0..127 are ignored.
    void CopyPattern(int pattern);
    void CutPattern(int pattern);
    void PastePattern(int pattern);
    void StepCurrentPattern(int delta);     // clamped to 0..127; cursor to line 0
    void AdjustInsertTranspose(int delta);  // clamped to -99..+99
    // The "Pattern properties" dialog's OK for the current pattern: the name's first 30
    // characters; the lines box's first three characters read as a number, clamped to 1..256.
    void ApplyPatternProperties(const std::string& name, const std::string& lines);
    // (editor/PatternCommands.cpp)

    Song& song;
    EditorState& editor;
    const PlayerState& player;
    Engine& engine;
    DocumentMutex& mutex;
    SongWriteListener* writeListener = nullptr;
    // How the view is laid out for its size, and whether the pattern pane scrolls with the line
    // being played. Neither is part of the song. Window thread, under the lock.
    EditorLayout layout = ClassicLayout();
    bool followPlay = false;

  private:
    UiSignals& signals_;
};

}  // namespace tarvel
