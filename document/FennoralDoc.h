// The document: the one object that holds all data of the running program, in this order: the
// song, the editor state, the opened MIDI devices and the player. It is made once at start-up
// (on the heap: the song alone is 2.9 MB) and lives until the program ends.
//
// The behaviour lives in the layers below: `engine` plays and sends, `songEditor` edits. The
// operations below that carry their names forward to them, filling in what the editor decides;
// what is the document's own is files, patch lists, the clock and the menu commands.
//
// Callers go through the document's operations where they add something: the lock, the undo
// history, or what the editor decides (the current channel, the cursor's rows). For anything
// else they call `engine` and `songEditor` straight.
//
// The class is defined in several files, one per topic; each section below ends with its file.
//
// Locking. `mutex` guards all four records. Operations in the sections marked "caller holds the
// lock" assume it is held by the calling thread, so a tick or an edit can run several of them in
// one hold; commands marked "takes the lock" are called by the window side as they are, and
// release the lock before they show anything.
#pragma once

#include <atomic>
#include <cassert>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "document/EditHistory.h"
#include "document/Fallible.h"
#include "document/UiHooks.h"
#include "editor/EditorState.h"
#include "editor/MidiInputEditing.h"
#include "editor/SongEditor.h"
#include "engine/AudioExport.h"
#include "engine/Engine.h"
#include "engine/MidiExport.h"
#include "engine/MidiPortSet.h"
#include "engine/PlayerState.h"
#include "platform/DocumentMutex.h"
#include "platform/MidiIn.h"
#include "platform/MidiInQueue.h"
#include "platform/MidiOut.h"
#include "platform/PeriodicTimer.h"
#include "platform/SafeFile.h"
#include "song/MidiImport.h"
#include "song/Song.h"
#include "song/SongOps.h"

namespace tarvel {

struct DocOptions {
    bool startTimer = true;  // tests that drive PlayerTick themselves leave the clock off
    ClockCalls clockCalls = SystemClockCalls();  // tests make the clock's sleep fail
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

  private:
    // Before the layers below, which keep references to the signals.
    UiHooks& ui_;
    MidiOutDriver& midiOut_;
    UiSignals signals_;

  public:
    Engine engine{song, player, ports, mutex, signals_};
    SongEditor songEditor{song, editor, engine, signals_};
    EditHistory history{song, editor};  // caller holds the lock; window thread

    // --- Undo and redo (window thread; take the lock) ----------------------------------------
    // Each writes back one step's bytes in short holds and shows the place of the edit;
    // false when there was nothing to take back.
    bool Undo();
    bool Redo();
    static constexpr std::size_t kHistoryBytesPerHold = 16384;  // about 5 us of copying
    // (document/UndoCommands.cpp)

    // --- Song operations (caller holds the lock) --------------------------------------------
    void ResetSong();  // a new song; nothing sounds and the tempo box follows (FennoralDoc.cpp)
    void SetPatternLineCount(int pattern, int count) {
        TARVEL_ASSERT_LOCKED(*this);
        tarvel::SetPatternLineCount(song, pattern, count);
    }
    void SetPatternName(int pattern, const char* name) {
        TARVEL_ASSERT_LOCKED(*this);
        tarvel::SetPatternName(song, pattern, name);
    }
    void PutSequenceSlot() { songEditor.PutSequenceSlot(); }
    void ClearSequenceSlot() { songEditor.ClearSequenceSlot(); }
    void SendAllPrograms() { engine.SendAllPrograms(editor.currentChannel); }

    // --- MIDI sends (caller holds the lock; window or timer thread) -------------------------
    void NoteOn(int channel, int column, int note, int velocity) {
        engine.NoteOn(channel, column, note, velocity);
    }
    void NoteOff(int channel, int column) { engine.NoteOff(channel, column); }
    void SendControlChange(int channel, int controller, int value) {
        engine.SendControlChange(channel, controller, value);
    }
    void SendPitchWheel(int channel, int low, int high) {
        engine.SendPitchWheel(channel, low, high);
    }
    void SendSystemMessage(int status, int data) { engine.SendSystemMessage(status, data); }
    void SetChannelProgram(int channel, int program) {
        engine.SetChannelProgram(channel, program, editor.currentChannel);
    }
    void SetChannelDevice(int channel, int device) { engine.SetChannelDevice(channel, device); }
    void SetSendsClock(int device, bool sends) { engine.SetSendsClock(device, sends); }
    void SendControlToAllChannels(int controller) { engine.SendControlToAllChannels(controller); }
    void ReleaseAllNotes() { engine.ReleaseAllNotes(); }

    // --- Tempo (caller holds the lock) -------------------------------------------------------
    void SetBpm(int bpm) {
        TARVEL_ASSERT_LOCKED(*this);
        tarvel::SetBpm(song, bpm);
    }
    void ShowBpm() { engine.ShowBpm(); }
    int EffectiveLineDuration() const {
        TARVEL_ASSERT_LOCKED(*this);
        return tarvel::EffectiveLineDuration(song);
    }

    // --- Player (caller holds the lock) -----------------------------------------------------
    // Transport: window thread.
    void StartPlayback(PlayMode mode) { engine.StartPlayback(mode, editor.seqCursorRow); }
    void StopPlayback() { engine.StopPlayback(); }
    void SeekStart() { engine.SeekTo(editor.seqTopRow); }
    // The row just below the 24 sequencer lines on show.
    void SeekEnd() {
        engine.SeekTo(std::int64_t{editor.seqTopRow} + 24 * std::int64_t{editor.seqStep});
    }
    void ResetTrackState() { engine.ResetTrackState(); }
    // The clock: timer thread, every 2 ms (tests call them directly). `deadlineNs`: when the
    // tick was due (CLOCK_MONOTONIC), 0 for "now".
    void PlayerTick(std::int64_t deadlineNs = 0) {
        TakeClockInput();  // the followed clock's messages come first
        TakeTransport(deadlineNs);
        TakeBeats(deadlineNs);
        PlayerInputs inputs = PlayerInputsNow();
        inputs.deadlineNs = deadlineNs;
        engine.PlayerTick(inputs);
    }
    void PlayCell(const Pattern& pattern, int line, int channel, int column) {
        engine.PlayCell(pattern, line, channel, column, editor.currentChannel);
    }

    // --- Tempo source (window thread; takes the lock) -------------------------------------------
    // Lines follow `source` from now on, and the panel says so. Which input's clock is followed
    // the input driver is told by its owner (MidiInDriver::SetClockSource).
    void SetTempoSource(TempoSource source);
    // Caller holds the lock; timer thread. Hands the followed clock's messages to the player.
    void TakeClockInput() noexcept;
    // Takes the lock. The transport read while following JACK's; null for none. It stays
    // alive until it is replaced here.
    void SetTransportClock(TransportClock* transport);
    // Window thread; takes the lock briefly. Following a shared transport, Play and Stop move
    // it, for every program that follows it, and the player follows it in turn: true then.
    bool StartSharedTransport();
    bool StopSharedTransport();
    // Caller holds the lock; timer thread. Hands the transport's position to the player.
    void TakeTransport(std::int64_t nowNs) noexcept;
    // Takes the lock. The Link session read while following it; null for none. It stays alive
    // until it is replaced here.
    void SetBeatClock(BeatClock* beats);
    // Window thread. Following a session that shares its tempo (Link), a typed tempo goes to
    // the whole session; the song's tempo is not written. False when not following one.
    bool SetSharedTempo(double bpm);
    // Caller holds the lock; timer thread. Hands the session's timeline to the player.
    void TakeBeats(std::int64_t nowNs) noexcept;
    // (document/TempoSourceCommands.cpp)

    // --- Editor operations (caller holds the lock; window thread) -----------------------------
    static constexpr int kDeleteEntry = SongEditor::kDeleteEntry;

    // --- Song files and patch lists (window thread; take the lock) ---------------------------
    // A failure changes nothing; it comes back as the box that says why (document/Fallible.h).
    Fallible<> SaveSong(const std::string& path);  // failed: the old file is kept
    Fallible<> LoadSong(const std::string& path);  // done: loaded and its information box shown
    // LoadSong's steps after the file is read, for any source of bytes (the fuzz target).
    Fallible<> LoadSongFromBytes(std::span<const std::uint8_t> file, const std::string& title);
    Fallible<> LoadPatchList(const std::string& path);
    Fallible<> SavePatchList(const std::string& path);
    ProgramList RefillProgramList() const;
    // The "Set patch name" dialog's OK: the first 30 characters name the current channel's
    // program, also one beyond patchCount.
    void EditPatchName(const std::string& typed);
    FileCalls fileCalls = SystemFileCalls();  // what saves write through; tests make it fail
    // (document/SongFileCommands.cpp, document/PatchListCommands.cpp)

    // --- Song exchange: MIDI files in, MIDI and audio files out (window thread; take the lock
    // in short holds) ------------------------------------------------------------------------
    // The player plays on meanwhile; exports render a copy of the song and never touch it. A
    // failure changes nothing and comes back as its box.
    void CopySong(Song& into, std::int32_t& loopStartRow, std::int32_t& loopEndRow) const;
    // Replaces the song with one built outside the lock, as opening a song file does.
    void ReplaceWithSong(const Song& next, std::int32_t loopStartRow, std::int32_t loopEndRow);
    // A new song from the MIDI file at `path`, with patterns `patternLines` long (16..256) and a
    // loop over all of it.
    Fallible<MidiImportReport> ImportMidiSong(const std::string& path, int patternLines);
    // One pass of the song, from row 0 to the loop end, written to `path` safely.
    Fallible<MidiExportReport> ExportMidiSong(const std::string& path);
    // The same pass played on a synth of its own into an audio file; `progress` may cancel it.
    // Done or Cancelled.
    Fallible<ExportOutcome> ExportAudioSong(const std::string& path,
                                            const AudioExportSettings& settings,
                                            const ExportProgress& progress);
    // (document/SongExchangeCommands.cpp)

    // --- Pattern commands (caller holds the lock) --------------------------------------------
    void CopyPattern(int pattern) { songEditor.CopyPattern(pattern); }
    void CutPattern(int pattern) { songEditor.CutPattern(pattern); }
    void PastePattern(int pattern) { songEditor.PastePattern(pattern); }
    void StepCurrentPattern(int delta) { songEditor.StepCurrentPattern(delta); }
    void AdjustInsertTranspose(int delta) { songEditor.AdjustInsertTranspose(delta); }
    void ApplyPatternProperties(const std::string& name, const std::string& lines) {
        songEditor.ApplyPatternProperties(name, lines);
    }

    // --- Commands (window thread; take the lock) ---------------------------------------------
    void NewSong();               // the File menu's New: ResetSong, then SendAllPrograms
    void MidiResetControllers();  // MIDI menu "All controllers reset", with its confirmation
    void MidiAllNotesOff();       // MIDI menu "All notes off", with its confirmation
    void ShowMidiOutInfo();       // the panel's "Details..." box
    void CloseMidiPorts();        // at the close of the main window
    // Has a device that loads instruments when chosen (the built-in synth) make ready every
    // program the song can select, so playing never waits for one: at every new song and when
    // playing starts. Window thread; takes the lock in short holds.
    void PrepareSongPrograms();
    // (document/FennoralDoc.cpp)

    // --- MIDI input (see DocumentMidiInput.h) ----------------------------------------------
    InputRecording inputRecording{};  // caller holds the lock
    // The input's thread; takes the lock for the edit only when it is free, else queues the
    // message for the next holder, and allocates nothing.
    void ReceiveMidi(const MidiInMessage& message) noexcept;
    // Caller holds the lock; any thread. Plays the input queued while the lock was taken.
    void PlayDeferredInput() noexcept;
    // Any thread. Input messages lost because the queue for a busy document was full.
    std::uint64_t DroppedInput() const { return deferredInput_.Dropped(); }
    // Any thread: stops the notes inputs sound and has the window say once that `portName`
    // is gone.
    void MidiInputLost(const char* portName) noexcept;
    // Window thread; takes the lock. Each cell written by input becomes an undo step of its
    // own, as a note key's would; DispatchUiSignals calls it, and so does every history step.
    void TakeInputEdits();
    static constexpr int kInputEditsPerHold = 16;
    // (document/MidiInputCommands.cpp)

    // --- Live launching ("Record arrangement"; window thread; takes the lock) ---------------
    // Each launched pattern that started while recording is written into the grid at its row,
    // one undo step each; DispatchUiSignals calls it.
    void TakeLaunchStarts();
    // (document/LiveLaunchCommands.cpp)

    // --- Window-side signals ------------------------------------------------------------------
    // What the timer thread (or any edit) wants the window to do is recorded as UiSignal bits
    // and done by DispatchUiSignals on the window thread; raising one never allocates or waits.
    void RaiseUiSignal(unsigned raised) noexcept { signals_.Raise(raised); }
    void DispatchUiSignals();  // window thread; takes the lock briefly (document/FennoralDoc.cpp)

    UiHooks& ui() { return ui_; }
    MidiOutDriver& midiOut() { return midiOut_; }

  private:
    void OpenMidiPorts();
    void StartClock();
    static void ClockTick(void* doc, std::int64_t deadlineNs);  // timer thread
    static void ClockFailed(void* doc) noexcept;                // timer thread
    void ShowClockStopped();                                    // window thread
    // (OpenMidiPorts: document/FennoralDoc.cpp; the clock: document/PlayerClock.cpp)
    // Caller holds the lock: the oldest `most` recorded edits become steps; true when more wait.
    bool TakeSomeInputEdits(int most);
    bool TakeSomeLaunchStarts(int most);  // the same for the launches that started
    PlayerInputs PlayerInputsNow() const {
        return {editor.currentPattern, editor.currentChannel, editor.loopStartRow,
                editor.loopEndRow};
    }
    void ShowInformation(const char* title, const std::string& text, bool ownedByFrame);
    // Undo or Redo: one step of the history, then the cursor shows where it was.
    bool StepHistory(bool (EditHistory::*start)());
    struct LoopRows {
        std::int32_t start;
        std::int32_t end;
    };
    // Window thread; takes the lock in short holds. Copies `next` over the song (and the loop
    // rows when given) while the player waits, so the clock is never kept waiting for long.
    void ReplaceSong(const Song& next, const LoopRows* loop);

    MidiInQueue deferredInput_;            // input that found the lock taken; see ReceiveMidi
    MidiInQueue clockInput_;               // the followed clock's messages, for the next tick
    TransportClock* transport_ = nullptr;  // under the lock
    BeatClock* beats_ = nullptr;           // under the lock
    // Under the lock: the transport Play and Stop move, while it is the one followed.
    TransportClock* LedTransport() const;
    BeatClock* LedBeats() const;
    // What the panel says of the source: its name, and the peers of a Link session.
    void ShowTempoSource(TempoSource source, int peers);
    void PlayInput(const MidiInMessage& message) noexcept;  // thru and recording, at its due time
    char lostInput_[64] = {};  // the input that went, until the window has said so; locked
    PeriodicTimer clock_;      // the player's 2 ms clock; stopped by CloseMidiPorts
};

}  // namespace tarvel
