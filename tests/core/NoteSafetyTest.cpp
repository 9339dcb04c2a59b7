// Random sequences of what the window does, with the player ticking in between, through ports
// whose every message is audited: whatever the order, every note stops where something must
// stop it, and no gate outlives its line. A failure names its seed and step.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <span>
#include <string>
#include <tuple>
#include <vector>

#include "editor/CursorMoves.h"
#include "editor/KeyEditing.h"
#include "support/DenseSong.h"
#include "support/RecordingUi.h"

namespace tarvel::testing {
namespace {

constexpr int kDevices = 3;
// Fewer under the sanitizers, which run the same code many times slower.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr int kSequences = 150;
#else
constexpr int kSequences = 800;
#endif
constexpr int kStepsPerSequence = 60;

// What sounds on the wire, from the messages alone: note-ons less their note-offs, per device,
// channel and note. A note-off for a note that does not sound changes nothing.
class WireAudit {
  public:
    void Take(RecordingMidiOut& midi) {
        for (const RecordedMessage& message : midi.Messages()) {
            const int type = message.bytes[0] & 0xF0;
            const auto key = std::make_tuple(message.device, message.bytes[0] & 0x0F,
                                             static_cast<int>(message.bytes[1]));
            if (type == 0x90 && message.bytes[2] > 0)
                ++sounding_[key];
            else if ((type == 0x80 || type == 0x90) && sounding_[key] > 0)
                --sounding_[key];
        }
        midi.Clear();
    }
    bool AnySounds(int channel = -1) const {
        for (const auto& [key, count] : sounding_)
            if (count > 0 && (channel < 0 || std::get<1>(key) == channel)) return true;
        return false;
    }

  private:
    std::map<std::tuple<int, int, int>, int> sounding_;
};

// One document played through an audited port.
struct Run {
    TestDocument t{kDevices};
    CFennoralDoc& doc = *t.doc;
    WireAudit wire;
    std::set<int> heldKeys;
    std::string failure;  // the first broken promise
};

const int kNoteKeys[] = {'Q', '2', 'W', 'Z', 'S', 'X', 'I', 'P'};
const int kCursorKeys[] = {vk::kTab, vk::kRight, vk::kLeft, vk::kDown, vk::kUp, vk::kNext};
const int kDeviceChoices[] = {0, 1, 2, kDevices};  // the last is no device
const int kDirections[] = {-1, 1};
const int kModes[] = {kSongMode, kPatternMode};
// 512 BPM plays lines shorter than a tick per sixteenth, so fine events are carried over.
const int kTempos[] = {125, 512};

// Swing, Swing all, Chance and Humanize take the place of the dense song's unassigned command
// (C5), or of the one put there before; C5 again ends them.
const int kFeelCommands[] = {0x91, 0x92, 0xC1, 0xC2, 0xC5};

// The song's cell commands that are one of `from` become `to`.
void ReplaceCommands(CFennoralDoc& doc, std::span<const int> from, int to) {
    for (Pattern& pattern : doc.song.patterns)
        for (auto& line : pattern.cells)
            for (PatternCell& cell : line)
                if (std::ranges::count(from, cell.command))
                    cell.command = static_cast<std::uint8_t>(to);
}

struct Op {
    const char* name;
    bool locked;                  // it runs with the document locked, as the window runs it
    bool silences;                // it must leave nothing sounding
    std::span<const int> values;  // what a step passes to `run`
    void (*run)(Run&, int value);
};

const Op kOps[] = {
    {"note key down", false, false, kNoteKeys,
     [](Run& r, int key) {
         EditorKeyDown(r.doc.songEditor, key, false);
         r.heldKeys.insert(key);
     }},
    {"note key up", false, false, kNoteKeys,
     [](Run& r, int key) {
         EditorKeyUp(r.doc.songEditor, key);
         r.heldKeys.erase(key);
     }},
    {"record", false, false, kDirections, [](Run& r, int) { ToggleRecord(r.doc.songEditor); }},
    {"cursor", false, false, kCursorKeys,
     [](Run& r, int key) {
         EditorKeyDown(r.doc.songEditor, key, false);
         EditorKeyUp(r.doc.songEditor, key);
     }},
    {"channel", true, false, kDirections,
     [](Run& r, int step) { MoveCurrentChannel(r.doc.songEditor, step); }},
    {"device", true, false, kDeviceChoices,
     [](Run& r, int device) {
         r.doc.SetChannelDevice(r.doc.editor.currentChannel, device);
         r.wire.Take(r.t.midi);
         if (r.wire.AnySounds(r.doc.editor.currentChannel))
             r.failure = "a re-routed channel still sounds";
     }},
    {"play", true, false, kModes,
     [](Run& r, int mode) { r.doc.StartPlayback(static_cast<PlayMode>(mode)); }},
    {"stop", true, true, kDirections, [](Run& r, int) { r.doc.StopPlayback(); }},
    {"seek", true, false, kDirections,
     [](Run& r, int end) { end > 0 ? r.doc.SeekEnd() : r.doc.SeekStart(); }},
    {"pattern", true, false, kDirections, [](Run& r, int step) { r.doc.StepCurrentPattern(step); }},
    // The song's Set BPM cells would undo any other tempo at the next line: they are turned
    // into an unassigned command while it holds, and back for 125.
    {"tempo", true, false, kTempos,
     [](Run& r, int bpm) {
         const int from = bpm == 125 ? 0x9F : 0x90;
         ReplaceCommands(r.doc, {&from, 1}, from ^ 0x0F);
         r.doc.SetBpm(bpm);
     }},
    {"feel", true, false, kFeelCommands,
     [](Run& r, int command) { ReplaceCommands(r.doc, kFeelCommands, command); }},
    {"live launch", true, false, kDirections,
     [](Run& r, int which) {
         // Live mode on (or off at random), then a pattern or a mute queued on the track.
         Engine& engine = r.doc.engine;
         if (!r.doc.player.live.on || which < 0) engine.SetLiveMode(which < 0 ? false : true);
         const int track = r.doc.editor.currentChannel & 0x0F;
         if (which > 0)
             engine.QueueLaunch(track, r.doc.editor.currentPattern, 0, -1);
         else
             engine.QueueMuteFlip(track);
     }},
    {"all notes off or controller reset", false, true, kDirections,
     [](Run& r, int off) { off > 0 ? r.doc.MidiAllNotesOff() : r.doc.MidiResetControllers(); }},
    {"new", false, true, kDirections, [](Run& r, int) { r.doc.NewSong(); }},
    {"ticks", true, false, std::span<const int>(),
     [](Run& r, int count) {
         for (int tick = 0; tick < count && r.failure.empty(); ++tick) {
             r.doc.PlayerTick();
             const int clock = r.doc.player.lineClock;
             if (!r.doc.player.isPlaying || clock > 2) continue;
             for (const auto& channel : r.doc.player.pendingAction)
                 for (const std::uint8_t action : channel)
                     if (clock == 0 && action != kNoAction) r.failure = "a gate outlived its line";
             // An event its line could not reach waits for the next line's first tick only.
             for (const auto& channel : r.doc.player.fineEvents)
                 for (const FineEvent& event : channel)
                     if (event.action != kNoFineAction && (clock == 0) != (event.carried != 0))
                         r.failure = "a fine event outlived its line";
         }
     }},
};
constexpr int kNoteKeyUp = 1;
constexpr int kTicks = std::ssize(kOps) - 1;

// Plays the seed's random steps on a new document; the first broken promise, or "" when all
// were kept.
std::string Play(unsigned seed) {
    std::mt19937 random(seed);
    const auto pick = [&random](int count) {
        return std::uniform_int_distribution<int>(0, count - 1)(random);
    };
    Run r;
    Locked(r.doc, [&] { FillDenseSong(r.doc, Density::EveryCommand); });
    for (int i = 0; i < kStepsPerSequence; ++i) {
        // Ticks half the time, so that lines, gates and pending actions come round.
        const int index = pick(2) == 0 ? kTicks : pick(kTicks);
        const Op& op = kOps[index];
        // The key, the move, the device or the tick count.
        const int value =
            index == kTicks
                ? 1 + pick(120)
                : op.values[static_cast<std::size_t>(pick(static_cast<int>(op.values.size())))];
        if (op.locked)
            Locked(r.doc, [&] { op.run(r, value); });
        else
            op.run(r, value);
        r.wire.Take(r.t.midi);
        if (r.failure.empty() && op.silences && r.wire.AnySounds())
            r.failure = "notes sound after it";
        const bool playing = Locked(r.doc, [&] { return r.doc.player.isPlaying != 0; });
        if (r.failure.empty() && index == kNoteKeyUp && r.heldKeys.empty() && !playing &&
            r.wire.AnySounds())
            r.failure = "a released key's note still sounds";
        if (!r.failure.empty())
            return "step " + std::to_string(i) + " (" + op.name + "): " + r.failure;
    }
    Locked(r.doc, [&] { r.doc.StopPlayback(); });
    r.wire.Take(r.t.midi);
    return r.wire.AnySounds() ? "at the end: notes sound after Stop" : "";
}

TEST(NoteSafety, NoOrderOfWindowOperationsLeavesANoteSounding) {
    for (unsigned seed = 1; seed <= kSequences; ++seed) {
        const std::string failure = Play(seed);
        ASSERT_EQ(failure, "") << "seed " << seed;
    }
}

}  // namespace
}  // namespace tarvel::testing
