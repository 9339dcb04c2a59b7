// The document: the one object that holds all data of the running program, in this order: the
// song, the editor state, the opened MIDI devices and the player. It is made once at start-up
// (on the heap: the song alone is 2.9 MB) and lives until the program ends.
//
// Locking. `mutex` guards all four records. Operations in the sections marked "caller holds the
// lock" assume it is held by the calling thread, so a tick or an edit can run several of them in
// one hold; commands marked "takes the lock" are called by the window side as they are, and
// release the lock before they show anything.
#pragma once

#include <atomic>
#include <cassert>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "editor/EditorState.h"
#include "engine/MidiPortSet.h"
#include "engine/PlayerState.h"
#include "platform/MidiOut.h"
#include "platform/PeriodicTimer.h"
#include "platform/SafeFile.h"
#include "song/DocumentMutex.h"
#include "song/Song.h"
#include "song/UiHooks.h"

namespace tarvel {

struct DocOptions {
    bool startTimer = true;  // tests that drive PlayerTick themselves leave the clock off
};

// What the control panel's program list shows.
struct ProgramList {
    std::vector<std::string> entries;  // "001: Acoustic Grand", ... numbered from 1
    int selected;                      // the current channel's program, -1 when not listed
};

class CFennoralDoc {
  public:
    // Window thread. Resets the song, initialises the editor state, opens every MIDI device of
    // `midiOut` and starts the player's clock.
    CFennoralDoc(UiHooks& ui, MidiOutDriver& midiOut, DocOptions options = {});
    ~CFennoralDoc();
    CFennoralDoc(const CFennoralDoc&) = delete;
    CFennoralDoc& operator=(const CFennoralDoc&) = delete;

    Song song;
    EditorState editor;
    MidiPortSet ports;
    PlayerState player;
    mutable DocumentMutex mutex;  // also taken by commands that only read

    // --- Song operations (caller holds the lock) --------------------------------------------
    void ResetSong();
    void ResetPattern(int pattern);
    int GetPatternLineCount(int pattern) const;
    void SetPatternLineCount(int pattern, int count);
    void SetPatternName(int pattern, const char* name);
    void PutSequenceSlot();
    void ClearSequenceSlot();
    void SendAllPrograms();

    // --- MIDI sends (caller holds the lock; window or timer thread) -------------------------
    void NoteOn(int channel, int column, int note, int velocity);
    void NoteOff(int channel, int column);
    void SendControlChange(int channel, int controller, int value);
    void SendPitchWheel(int channel, int low, int high);
    void SendSystemMessage(int status, int data);
    void SetChannelProgram(int channel, int program);
    void SendControlToAllChannels(int controller);
    void ReleaseAllNotes();
    void ResetNoteTracking();

    // --- Tempo (caller holds the lock) -------------------------------------------------------
    void SetBpm(int bpm);
    void ShowBpm();  // asks the window side to show 15000 / lineDuration
    // The line length the player and the displays use: a damaged song's value below 1 counts
    // as 120 ms, so nothing divides by zero.
    int EffectiveLineDuration() const;

    // --- Player (caller holds the lock) -----------------------------------------------------
    // Transport: window thread.
    void StartPlayback(int mode);  // kSongMode or kPatternMode; restarts a running playback
    void StopPlayback();           // releases every note; the play watch keeps its time
    void SeekStart();
    void SeekEnd();
    void ResetTrackState();
    // The clock: timer thread, every 2 ms (tests call them directly).
    void PlayerTick();
    void SongTick();
    void PatternTick();
    void LoadTrackSlot(int track);
    void RunPendingAction(int channel, int column);
    // Turns one cell into its MIDI messages and pending actions.
    void PlayCell(const Pattern& pattern, int line, int channel, int column);

    // --- Editor operations (caller holds the lock; window thread) -----------------------------
    // Moves the edit cursor by `delta` lines within the current pattern and scrolls the 25
    // shown lines after it.
    void MoveCursorLines(int delta);
    // A note key: 0..28 semitones above C of the octave, kNoteOff or kNoNote. Sounds the note on
    // the current channel; in record mode writes the note byte and steps down editStep lines.
    void PreviewNote(int value);
    // A digit key in fields 1..6: 0..15, or kDeleteEntry. Record mode only; steps down a line.
    void EnterHexDigit(int value);
    static constexpr int kDeleteEntry = 0xFF;

    // --- Song files and patch lists (window thread; take the lock) ---------------------------
    // A failure is shown in an error box and changes nothing.
    bool SaveSong(const std::string& path);  // false: not saved, the old file is kept
    bool LoadSong(const std::string& path);  // true: loaded and its information box shown
    // LoadSong's steps after the file is read, for any source of bytes (the fuzz target).
    bool LoadSongFromBytes(std::span<const std::uint8_t> file, const std::string& title);
    bool LoadPatchList(const std::string& path);
    bool SavePatchList(const std::string& path);
    ProgramList RefillProgramList() const;
    // The "Set patch name" dialog's OK: the first 30 characters name the current channel's
    // program, also one beyond patchCount.
    void EditPatchName(const std::string& typed);
    FileCalls fileCalls = SystemFileCalls();  // what saves write through; tests make it fail

    // --- Pattern commands (caller holds the lock) --------------------------------------------
    // Pattern numbers outside 0..127 are ignored.
    void CopyPattern(int pattern);
    void CutPattern(int pattern);
    void PastePattern(int pattern);
    void StepCurrentPattern(int delta);     // clamped to 0..127; cursor to line 0
    void AdjustInsertTranspose(int delta);  // clamped to -99..+99
    // The "Pattern properties" dialog's OK for the current pattern: the name's first 30
    // characters; the lines box's first three characters read as a number, clamped to 1..256.
    void ApplyPatternProperties(const std::string& name, const std::string& lines);

    // --- Commands (window thread; take the lock) ---------------------------------------------
    void NewSong();               // the File menu's New: ResetSong, then SendAllPrograms
    void MidiResetControllers();  // MIDI menu "All controllers reset", with its confirmation
    void MidiAllNotesOff();       // MIDI menu "All notes off", with its confirmation
    void ShowMidiOutInfo();       // the panel's "Details..." box
    void CloseMidiPorts();        // at the close of the main window

    // --- Window-side signals ------------------------------------------------------------------
    // What the timer thread (or any edit) wants the window to do is recorded here and done by
    // DispatchUiSignals on the window thread; raising a signal never allocates or waits.
    enum UiSignal : unsigned {
        kRepaintView = 1u << 0,
        kShowBpm = 1u << 1,
        kSelectProgram = 1u << 2,
        kRefreshPanel = 1u << 3,
    };
    void RaiseUiSignal(unsigned raised) noexcept;
    void DispatchUiSignals();  // window thread; takes the lock briefly

    UiHooks& ui() { return ui_; }
    MidiOutDriver& midiOut() { return midiOut_; }

  private:
    void OpenMidiPorts();
    void StartClock();
    static void ClockTick(void* doc, std::int64_t deadlineNs);
    void BeginLine();
    void AdvanceClock();
    void SendToDevice(int device, std::uint8_t status, int data1, int data2) noexcept;
    void SendToAllDevices(std::uint8_t status, int data1, int data2) noexcept;
    void ShowInformation(const char* title, const std::string& text, bool ownedByFrame);

    UiHooks& ui_;
    MidiOutDriver& midiOut_;
    std::atomic<unsigned> uiSignals_{0};
    PeriodicTimer clock_;  // the player's 2 ms clock; stopped by CloseMidiPorts
};

}  // namespace tarvel
