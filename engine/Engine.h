// The engine: every MIDI message the program sends, the tracking of the notes that sound, the
// player with its transport and 2 ms ticks, and the cell command interpreter. It works on
// records the document owns (the song, the player state, the opened ports) and learns what the
// editor decides (current pattern and channel, loop rows) as plain inputs.
//
// Every operation expects the document lock to be held by the calling thread: the timer thread
// for the ticks, the window thread for the transport and the sends of edits and commands.
// Nothing here allocates.
//
// The class is defined in several files, one per topic; each section below ends with its file.
#pragma once

#include <cstdint>

#include "engine/ClockFollow.h"
#include "engine/Feel.h"
#include "engine/MidiPortSet.h"
#include "engine/PlayerState.h"
#include "engine/TempoSource.h"
#include "engine/UiSignals.h"
#include "platform/BeatClock.h"
#include "platform/DocumentMutex.h"
#include "platform/TransportClock.h"
#include "song/Song.h"

namespace tarvel {

// What the editor decides and the player follows, taken afresh at every tick.
struct PlayerInputs {
    int currentPattern;
    int currentChannel;
    int loopStartRow;
    int loopEndRow;
    // When this tick was due (CLOCK_MONOTONIC ns): its sends carry it, and each MIDI clock is
    // stamped from it. 0 when unknown (tests, offline rendering): everything then goes "now".
    std::int64_t deadlineNs = 0;
};

// Mute and solo, one bit per channel (sequencer track t is channel t). Not part of the song: kept
// while the program runs. A silenced channel's notes are dropped by the player; its controllers,
// programs and other messages still go out, so the track sounds right when it comes back.
struct TrackMutes {
    std::uint16_t muted = 0;
    std::uint16_t soloed = 0;  // when any is soloed, the others are silent

    bool Silences(int channel) const {
        const unsigned bit = 1u << (channel & 0x0F);
        return (muted & bit) != 0 || (soloed != 0 && (soloed & bit) == 0);
    }
};

class Engine {
  public:
    Engine(Song& song, PlayerState& player, MidiPortSet& ports, DocumentMutex& mutex,
           UiSignals& signals)
        : song(song), player(player), ports(ports), mutex(mutex), signals_(signals) {}
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // --- MIDI sends ---------------------------------------------------------------------------
    void NoteOn(int channel, int column, int note, int velocity);
    void NoteOff(int channel, int column);
    void SendControlChange(int channel, int controller, int value);
    void SendPitchWheel(int channel, int low, int high);
    void SendSystemMessage(int status, int data);
    // The program list follows when `channel` is the editor's current channel.
    void SetChannelProgram(int channel, int program, int currentChannel);
    void SendAllPrograms(int currentChannel);
    // All Notes Off on the 16 channels of one device: at start-up, for what a run that was
    // killed may have left sounding.
    void SendAllNotesOffTo(int device);
    // Routes a channel to another device; its sounding notes are released first, where they went.
    void SetChannelDevice(int channel, int device);
    void SendControlToAllChannels(int controller);
    void ReleaseAllNotes();
    void ResetNoteTracking();  // forgets without note-offs: only for notes that no longer sound
    void ShowBpm();            // asks the window side to show the tempo in BPM
    // (engine/ChannelMessages.cpp)

    // --- MIDI input played through (thru) to the current channel's device -----------------------
    // The MIDI input's thread, or the window thread when an input closes. A note-on with
    // velocity 0 is a note-off. A note already sounding from the input stops first, so each
    // input note sounds once.
    void ThruNoteOn(int channel, int note, int velocity);
    void ThruNoteOff(int note);
    void ThruMessage(int channel, std::uint8_t status, int data1, int data2);  // controllers, bend
    void ReleaseInputNotes();  // also part of ReleaseAllNotes
    // The due time of the thru sends that follow, from the input's time stamp; 0 is now.
    void SetThruDueTime(std::int64_t dueNs) noexcept { SetDueTime(dueNs); }
    // (engine/InputThru.cpp)

    // Sets mute and solo; the notes of every channel this silences are released at once.
    void SetTrackMutes(TrackMutes next);  // (engine/TrackMutes.cpp)

    // --- Live launching (caller holds the lock; window thread, or a MIDI input's thread) --------
    // While the song plays in live mode, each track plays what the grid gives it until a
    // pattern is launched on it; that one starts at the track's next boundary and loops. Off,
    // the queues are emptied and the launched tracks go back to the grid at their pattern's end.
    void SetLiveMode(bool on);
    // False (nothing queued) unless a song plays in live mode. `fromRow` is the grid row of the
    // slot the launch comes from, -1 for none; the boundary is the one chosen now.
    bool QueueLaunch(int track, int pattern, int transpose, int fromRow);
    // Queues the mute or unmute that flips the track's mute as it will be; a second flip before
    // the boundary takes the first back.
    bool QueueMuteFlip(int track);
    // (engine/LiveLaunch.cpp)

    // --- Transport ----------------------------------------------------------------------------
    void StartPlayback(PlayMode mode, int fromRow);  // restarts a running playback
    void StopPlayback();            // releases every note; the play watch keeps its time
    void SeekTo(std::int64_t row);  // kept within the grid
    void ResetTrackState();
    // (engine/Player.cpp)

    // --- MIDI clock out ------------------------------------------------------------------------
    // Window thread. Device `device` follows our tempo from now on, or stops following (it is
    // sent a Stop when playing).
    void SetSendsClock(int device, bool sends);
    // (engine/ClockOut.cpp)

    // --- Following another player's clock
    // --------------------------------------------------------- Window thread. From now on lines
    // start when the source says (internal: the song's tempo).
    void SetTempoSource(TempoSource source);
    TempoSource tempoSource() const { return follow.source; }
    bool FollowsClock() const { return follow.source != TempoSource::kInternal; }
    // Clock out counts our own lines, unless a master's MIDI clock is relayed.
    bool SendsOwnClock() const { return follow.source != TempoSource::kMidiClock; }
    // Timer thread, before its tick: one clock message of the followed input (Timing Clock,
    // Start, Continue, Stop, Song Position Pointer) that arrived at `arrivedNs` (CLOCK_MONOTONIC).
    void ReceiveClock(std::uint8_t status, int data1, int data2, std::int64_t arrivedNs);
    // The followed tempo in BPM (the loop's period), held when the source is lost; 0 unknown.
    double FollowedBpm() const;
    // (engine/ClockFollow.cpp)
    // Timer thread, before its tick at `nowNs`: where JACK's transport stands. Its start, stop
    // and locate move the player; a line starts as the transport passes the line's frame.
    void ReceiveTransport(const TransportPosition& position, std::int64_t nowNs);
    // (engine/TransportFollow.cpp)
    // Timer thread, before its tick at `nowNs`: where a Link session's timeline stands. Its
    // start plays from `startRow` at the next bar of its quantum; its stop stops.
    void ReceiveBeats(const BeatPosition& position, int startRow, std::int64_t nowNs);
    // Peers in the followed Link session at the last tick.
    int LinkPeers() const { return follow.linkPeers; }
    // (engine/LinkFollow.cpp)

    // --- The clock's work, every 2 ms -----------------------------------------------------------
    void PlayerTick(const PlayerInputs& inputs);  // (engine/Player.cpp)
    // Turns one cell into its MIDI messages and pending actions.
    void PlayCell(const Pattern& pattern, int line, int channel, int column, int currentChannel);
    // (engine/CellCommands.cpp)

    // The records it works on, owned by the document.
    Song& song;
    PlayerState& player;
    MidiPortSet& ports;
    DocumentMutex& mutex;       // held by every caller; named here for the assertions
    TrackMutes mutes;           // changed only through SetTrackMutes
    ClockFollowState follow{};  // changed only through SetTempoSource and ReceiveClock
    // Chance and Humanize choose from this at each Start: the same seed, the same choices.
    std::uint64_t feelSeed = kDefaultFeelSeed;

  private:
    // While following: false when this tick plays nothing (no line's clock has come yet);
    // else `inputs` carries the due time of this moment of the line (engine/ClockFollow.cpp).
    bool FollowedTick(PlayerInputs& inputs);
    int LineDurationNow() const;      // the song's, or the followed clock's
    double FollowedLineNs() const;    // the followed source's line; 0 unknown or not following
    bool LineEnds(int lineDuration);  // at the line's length, or when the next line's clock came
    void StartFollowed(int row, bool continuing);
    void Relay(std::uint8_t status, int data1, int data2, std::int64_t dueNs);
    // The steps of a tick (engine/Player.cpp).
    void SongTick(const PlayerInputs& inputs);
    void PatternTick(const PlayerInputs& inputs);
    void LoadTrackSlot(int track);
    // At a line's start, after the grid's slots: the queued launches whose boundary this is
    // (engine/LiveLaunch.cpp).
    void StartDueLaunches();
    void RecordLaunchStart(int track);  // for "Record arrangement"
    void ClearLaunches();  // the queues and the launched tracks: with the track state, live off
    void RunPendingAction(int channel, int column);
    // Once a line for each channel, at its half (of what swing leaves of it).
    void RunHalfLineActions(int lineDuration, std::int64_t deadlineNs);
    // The fine events due by this tick (`carried`: those its line left for the next line's
    // first tick), each stamped with its exact due time.
    void RunFineEvents(int lineDuration, std::int64_t deadlineNs, bool carried);
    void RunFineEvent(int channel, int column, FineEvent& event);
    void EndLine();  // the line's clock wraps; fine events still waiting are carried
    void BeginLine();
    void AdvanceClock();
    // Timer thread, first in a playing tick: the run's Start or new position and the clocks
    // that fall within this tick, each with its own due time.
    void SendClockOut(int lineDuration, std::int64_t deadlineNs);
    void SendToClockDevices(std::uint8_t status, int data1, int data2) noexcept;
    void SetDueTime(std::int64_t dueNs) noexcept;  // on every open device's driver
    // (engine/ClockOut.cpp)
    // Before a line plays: the Swing, Swing all and Humanize of its cells, which act on the
    // whole line, and how late each channel's line starts. `patterns[channel]` plays
    // `lines[channel]`; null for a channel that plays nothing (engine/Feel.cpp).
    void TakeLineFeel(const Pattern* const (&patterns)[kTrackCount],
                      const std::int32_t (&lines)[kTrackCount]);
    // Where Chance and Humanize draw for the cell at `line` now playing (engine/Feel.cpp).
    std::uint64_t FeelPosition(int line) const;
    void SendToDevice(int device, std::uint8_t status, int data1, int data2) noexcept;
    void SendToAllDevices(std::uint8_t status, int data1, int data2) noexcept;
    // (engine/ChannelMessages.cpp)

    UiSignals& signals_;
};

}  // namespace tarvel
