// The player's own state: line clock, position, per-track patterns and the actions pending at
// half line. Never saved. Written by the timer thread's ticks and by the transport commands,
// both under the document lock.
#pragma once

#include <cstdint>

#include "song/Song.h"

namespace tarvel {

enum PlayMode : std::int32_t { kSongMode = 0, kPatternMode = 1 };

enum PendingAction : std::uint8_t {
    kNoAction = 0,
    kPendingNoteOff = 1,
    kPendingDelayedNote = 2,
    kPendingRetrigger = 3,
};

// A note event inside a line, due at step/steps of the line: a fine delay's note-on, a fine
// gate's note-off, a ratchet's next repeat, or a note that swing or humanize moved late. One
// waits per channel and column.
enum FineAction : std::uint8_t {
    kNoFineAction = 0,
    kFineNoteOn = 1,  // then, when `gateStep` is not 0, a note-off at that step
    kFineNoteOff = 2,
    kFineRatchet = 3,  // plays `note` again at each step up to `steps`
};
struct FineEvent {
    std::uint8_t action;
    std::uint8_t note;  // transposed already
    std::uint8_t velocity;
    std::uint8_t step;
    std::uint8_t steps;
    // Its line ended before its time came (a line shorter than a tick per step, or a note
    // humanized past the line's end): it goes first in the next line's first tick.
    std::uint8_t carried;
    // A swung line starts swing/256 of a line late and its steps share what is left of it.
    std::uint8_t swing;
    std::uint8_t gateStep;
    std::int16_t humanizeEighthsMs;  // the cell's note moved by this many 1/8 ms
};
static_assert(sizeof(FineEvent) == 10);

// What Swing, Swing all and Humanize set for a channel, from their line on; cleared at Start.
struct ChannelFeel {
    std::uint8_t swing;        // 256ths of a line, on the odd lines of the channel's pattern
    std::uint8_t humanize;     // up to +-humanize/8 ms and +-humanize/4 velocity
    std::uint8_t lineSwing;    // what the line now playing is swung by (0 on even lines)
    std::uint8_t halfLineRun;  // this line's half-line actions have run
};
static_assert(sizeof(ChannelFeel) == 4);

// Where the devices that follow our MIDI clock think the song is.
struct ClockOutState {
    std::uint8_t startPending;      // the next tick begins the run: Start, or a position first
    std::uint8_t clocksSentInLine;  // 0..6 of the line being played
    std::int32_t expectedRow;       // song mode: the row that follows without a jump; -1 unknown
};
static_assert(sizeof(ClockOutState) == 8);

// Live launching: while the song plays, a track can be given a pattern (or a mute or unmute)
// that starts at its next boundary and then loops, in place of what the grid gives it.
enum LaunchKind : std::uint8_t {
    kNoLaunch = 0,
    kLaunchPattern = 1,
    kLaunchMute = 2,
    kLaunchUnmute = 3,
};
enum LaunchBoundary : std::uint8_t {
    kAtPatternEnd = 0,  // when the track's pattern ends or starts again; an idle track's next bar
    kAtNextBar = 1,     // the next grid row that is a multiple of kLaunchBarLines
};
inline constexpr int kLaunchBarLines = 16;

struct QueuedLaunch {
    std::uint8_t kind;
    std::uint8_t pattern;
    std::int8_t transpose;
    std::uint8_t boundary;
    std::int32_t fromRow;  // the grid row of the slot it was taken from, -1 for none (MIDI)
};
static_assert(sizeof(QueuedLaunch) == 8);

// A track's queue: one pattern and one mute change wait at most; a newer one replaces the
// older, as a second press on a clip launcher's pad does.
struct LiveTrack {
    QueuedLaunch pattern;
    QueuedLaunch mute;
    std::uint8_t launched;  // plays a launched pattern looped; the grid's slots wait
    std::uint8_t ended;     // the line just played was its pattern's last
};
static_assert(sizeof(LiveTrack) == 20);

// A launched pattern that started, for the window to write into the grid ("Record
// arrangement"): every start, the launch's and each repeat of its loop.
struct LaunchStart {
    std::int32_t row;
    std::uint8_t track;
    std::uint8_t pattern;
    std::int8_t transpose;
    std::uint8_t reserved;
};
static_assert(sizeof(LaunchStart) == 8);

struct LiveState {
    static constexpr int kStartCapacity = 256;
    std::uint8_t on;                 // "Live mode"
    std::uint8_t boundary;           // a LaunchBoundary, for launches queued from now on
    std::uint8_t recordArrangement;  // the starts go into starts[] for the window
    std::uint8_t startsOverflowed;   // more starts than the window took in time
    LiveTrack tracks[kTrackCount];
    std::int32_t startCount;
    LaunchStart starts[kStartCapacity];
};
static_assert(sizeof(LiveState) == 4 + 20 * kTrackCount + 4 + 8 * LiveState::kStartCapacity);

struct PlayerState {
    bool editorWindowKnown;  // set at the view's first paint; line starts then ask for repaints
    std::int32_t lineClock;  // ms elapsed in the current line, in steps of 2
    std::int32_t playRow;
    std::int32_t playMode;
    std::int32_t patternLine;
    std::int32_t playWatch;                  // ms played since the start
    std::int32_t trackPattern[kTrackCount];  // -1 when idle
    std::int32_t trackLine[kTrackCount];
    const Pattern* trackPatternRecord[kTrackCount];
    std::uint8_t pendingAction[kTrackCount][kTrackCount];  // [channel][column]
    std::uint8_t pendingNote[kTrackCount][kTrackCount];
    std::uint8_t pendingVelocity[kTrackCount][kTrackCount];
    std::int32_t trackTranspose[kTrackCount];
    FineEvent fineEvents[kTrackCount][kTrackCount];  // [channel][column]
    ChannelFeel feel[kTrackCount];
    std::uint64_t feelSeed;      // Chance and Humanize choose from it; set at Start
    std::uint32_t feelPass;      // loops of the song or pattern since Start: each chooses anew
    std::int32_t carriedLineMs;  // how long the line of the carried fine events lasted
    std::uint8_t halfLinePending;
    std::uint8_t isPlaying;
    // Set while the window thread copies a new song in, piece by piece: ticks then play nothing,
    // so no line is played from half of one song and half of another.
    std::uint8_t songReplacing;
    // The device each voice slot's sounding note went to, so its note-off follows it there
    // even when the channel is routed elsewhere meanwhile. [channel][column]
    std::uint8_t soundingDevice[kTrackCount][kTrackCount];
    ClockOutState clockOut;
    // Notes a MIDI input sounds through to the current channel's device, by note number: each
    // note-off goes where its note-on went, whatever the channel or its device is now.
    struct InputNote {
        std::uint8_t sounding;
        std::uint8_t device;
        std::uint8_t channel;
    } inputNotes[128];
    LiveState live;
    std::uint32_t timerId;  // 0 when the periodic timer could not be created
};
static_assert(sizeof(PlayerState::InputNote) == 3);

}  // namespace tarvel
