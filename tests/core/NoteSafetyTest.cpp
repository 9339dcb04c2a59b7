// Random sequences of what the window does, with the player ticking in between, through ports
// whose every message is audited: whatever the order, every note stops where something must
// stop it, and no gate outlives its line. A failure prints its seed and a shortened sequence.
#include <gtest/gtest.h>

#include <map>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "editor/CursorMoves.h"
#include "editor/KeyEditing.h"
#include "song/SongFile.h"
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

enum class Op {
    NoteKeyDown,
    NoteKeyUp,
    ToggleRecord,
    MoveCursor,
    ChangeChannel,
    ChangeDevice,
    PlaySong,
    PlayPattern,
    Stop,
    Seek,
    ChangePattern,
    ControllerReset,
    AllNotesOff,
    New,
    Load,
    Ticks
};

// In the order of Op: its name, and whether it must leave nothing sounding.
const struct {
    const char* name;
    bool silences;
} kOps[] = {{"note key down", false}, {"note key up", false},  {"record", false},
            {"cursor", false},        {"channel", false},      {"device", false},
            {"play song", false},     {"play pattern", false}, {"stop", true},
            {"seek", false},          {"pattern", false},      {"controller reset", true},
            {"all notes off", true},  {"new", true},           {"load", true},
            {"ticks", false}};

struct Step {
    Op op;
    int value;  // the key, the move, the device or the tick count
};

const int kNoteKeys[] = {'Q', '2', 'W', 'Z', 'S', 'X', 'I', 'P'};
const int kCursorKeys[] = {vk::kTab, vk::kRight, vk::kLeft, vk::kDown, vk::kUp, vk::kNext};

std::vector<Step> RandomSequence(unsigned seed) {
    std::mt19937 random(seed);
    const auto pick = [&random](int count) {
        return std::uniform_int_distribution<int>(0, count - 1)(random);
    };
    std::vector<Step> steps;
    for (int i = 0; i < kStepsPerSequence; ++i) {
        // Ticks half the time, so that lines, gates and pending actions come round; loading a
        // song is rare, as it is slow.
        if (pick(2) == 0) {
            steps.push_back({Op::Ticks, 1 + pick(120)});
            continue;
        }
        auto op = static_cast<Op>(pick(static_cast<int>(Op::Ticks)));
        if (op == Op::Load && pick(8) != 0) op = Op::New;
        const int value = op == Op::NoteKeyDown || op == Op::NoteKeyUp ? kNoteKeys[pick(8)]
                          : op == Op::MoveCursor                       ? kCursorKeys[pick(6)]
                          : op == Op::ChangeDevice                     ? pick(kDevices + 1)
                                                                       : pick(2) * 2 - 1;
        steps.push_back({op, value});
    }
    return steps;
}

std::string Describe(const std::vector<Step>& steps) {
    std::string text;
    for (const Step& step : steps)
        text += std::string(kOps[static_cast<int>(step.op)].name) + "(" +
                std::to_string(step.value) + ") ";
    return text;
}

const std::vector<std::uint8_t>& DenseSongFile() {
    static const std::vector<std::uint8_t> file = [] {
        TestDocument t;
        std::lock_guard lock(t.doc->mutex);
        FillDenseSong(*t.doc, Density::EveryCommand);
        std::vector<std::uint8_t> stream;
        WriteSongStream(t.doc->song, 0, kPatternLines, stream);
        return EncodeSongFile(stream);
    }();
    return file;
}

// Plays the steps on a new document; the first broken promise, or "" when all were kept.
std::string Play(const std::vector<Step>& steps) {
    TestDocument t(kDevices);
    t.Settle();
    CFennoralDoc& doc = *t.doc;
    {
        std::lock_guard lock(doc.mutex);
        FillDenseSong(doc, Density::EveryCommand);
    }
    WireAudit wire;
    std::set<int> heldKeys;
    const auto locked = [&doc](auto work) {
        std::lock_guard lock(doc.mutex);
        return work();
    };
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const Step& step = steps[i];
        const std::string where = "step " + std::to_string(i) + ": ";
        switch (step.op) {
            case Op::NoteKeyDown:
                EditorKeyDown(doc.edit, step.value, false);
                heldKeys.insert(step.value);
                break;
            case Op::NoteKeyUp:
                EditorKeyUp(doc.edit, step.value);
                heldKeys.erase(step.value);
                break;
            case Op::ToggleRecord:
                ToggleRecord(doc.edit);
                break;
            case Op::MoveCursor:
                EditorKeyDown(doc.edit, step.value, false);
                EditorKeyUp(doc.edit, step.value);
                break;
            case Op::ChangeChannel:
                locked([&] { MoveCurrentChannel(doc.edit, step.value); });
                break;
            case Op::ChangeDevice: {
                const int channel = locked([&] {
                    doc.SetChannelDevice(doc.editor.currentChannel, step.value);
                    return doc.editor.currentChannel;
                });
                wire.Take(t.midi);
                if (wire.AnySounds(channel)) return where + "a re-routed channel still sounds";
                break;
            }
            case Op::PlaySong:
            case Op::PlayPattern:
                locked(
                    [&] { doc.StartPlayback(step.op == Op::PlaySong ? kSongMode : kPatternMode); });
                break;
            case Op::Stop:
                locked([&] { doc.StopPlayback(); });
                break;
            case Op::Seek:
                locked([&] { step.value > 0 ? doc.SeekEnd() : doc.SeekStart(); });
                break;
            case Op::ChangePattern:
                locked([&] { doc.StepCurrentPattern(step.value); });
                break;
            case Op::ControllerReset:
                doc.MidiResetControllers();
                break;
            case Op::AllNotesOff:
                doc.MidiAllNotesOff();
                break;
            case Op::New:
                doc.NewSong();
                break;
            case Op::Load:
                doc.LoadSongFromBytes(DenseSongFile(), "dense");
                break;
            case Op::Ticks:
                for (int tick = 0; tick < step.value; ++tick) {
                    const bool gateLeft = locked([&] {
                        doc.PlayerTick();
                        if (!doc.player.isPlaying || doc.player.lineClock != 0) return false;
                        for (const auto& channel : doc.player.pendingAction)
                            for (const std::uint8_t action : channel)
                                if (action != kNoAction) return true;
                        return false;
                    });
                    if (gateLeft) return where + "a gate outlived its line";
                }
                break;
        }
        wire.Take(t.midi);
        if (kOps[static_cast<int>(step.op)].silences && wire.AnySounds())
            return where + "notes sound after it";
        const bool playing = locked([&] { return doc.player.isPlaying != 0; });
        if (step.op == Op::NoteKeyUp && heldKeys.empty() && !playing && wire.AnySounds())
            return where + "a released key's note still sounds";
    }
    locked([&] { doc.StopPlayback(); });
    wire.Take(t.midi);
    return wire.AnySounds() ? "at the end: notes sound after Stop" : "";
}

// Drops steps one at a time, as long as the sequence still fails.
std::vector<Step> Shorten(std::vector<Step> steps) {
    for (std::size_t i = steps.size(); i-- > 0;) {
        std::vector<Step> shorter = steps;
        shorter.erase(shorter.begin() + static_cast<std::ptrdiff_t>(i));
        if (!Play(shorter).empty()) steps = std::move(shorter);
    }
    return steps;
}

TEST(NoteSafety, NoOrderOfWindowOperationsLeavesANoteSounding) {
    for (unsigned seed = 1; seed <= kSequences; ++seed) {
        const std::vector<Step> steps = RandomSequence(seed);
        const std::string failure = Play(steps);
        if (failure.empty()) continue;
        const std::vector<Step> shortest = Shorten(steps);
        FAIL() << "seed " << seed << ": " << failure << "\nshortened: " << Describe(shortest)
               << "\n(" << Play(shortest) << ")";
    }
}

}  // namespace
}  // namespace tarvel::testing
