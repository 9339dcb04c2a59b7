// The cell command interpreter: what one pattern cell sends when the player reaches its line.
// At most one controller, command or system message goes first, then the note.
#include <algorithm>

#include "engine/Engine.h"
#include "engine/Feel.h"
#include "song/CellCommandValues.h"
#include "song/SongOps.h"

namespace tarvel {
namespace {

using namespace cell;

bool IsNote(std::uint8_t note) {
    return note != kNoNote && note != kNoteOff;
}

std::uint8_t FineSteps(std::uint8_t parameter) {
    return static_cast<std::uint8_t>(std::clamp<int>(parameter, kFewestFineSteps, kMostFineSteps));
}

std::uint8_t RatchetNotes(std::uint8_t parameter) {
    return static_cast<std::uint8_t>(
        std::clamp<int>(parameter, kFewestRatchetNotes, kMostRatchetNotes));
}

}  // namespace

void Engine::PlayCell(const Pattern& pattern, int line, int channel, int column,
                      int currentChannel) {
    TARVEL_ASSERT_LOCKED(*this);
    if (line < 0 || line >= kPatternLines) return;
    channel &= 0x0F;
    column &= 0x0F;
    // Read once: a cell being edited plays as whatever bytes it holds now.
    const PatternCell cell = pattern.cells[line][column];
    const std::uint8_t command = cell.command;
    const std::uint8_t parameter = cell.parameter;
    const ChannelFeel& feel = player.feel[channel];
    const std::uint64_t position = FeelPosition(line);
    const auto draw = [&](FeelDraw what) {
        return FeelBits(player.feelSeed, position, channel, column, what);
    };
    // A note that loses its draw is no note: the slot's old note rings on, as under an empty
    // cell. An "off" always acts.
    std::uint8_t note = cell.note;
    if (command == kChance && IsNote(note) && !FeelChance(draw(FeelDraw::kChance), parameter))
        note = kNoNote;
    // Fine-timed notes are transposed as the line-start note is; no old song holds them.
    const auto transposed = static_cast<std::uint8_t>(note + player.trackTranspose[channel]);
    std::uint8_t velocity = cell.velocity == kDefaultVelocity ? song.channelVelocity[channel]
                            : cell.velocity > 0x7F            ? std::uint8_t{0x7F}
                                                              : cell.velocity;
    // Humanize moves the cell's note and all its fine-timed events together. A note can only
    // leave once its line has started (its cell is read then), so one drawn early from the line's
    // start goes at the start; notes later in the line (fine delay, a swung line) move both ways.
    std::int16_t humanize = 0;
    if (feel.humanize != 0 && IsNote(note)) {
        if (velocity != 0)  // velocity 0 stays a note-off to the receiver
            velocity = static_cast<std::uint8_t>(std::clamp(
                velocity +
                    FeelOffset(draw(FeelDraw::kVelocity), feel.humanize / kHumanizeVelocityDivisor),
                1, 0x7F));
        humanize = static_cast<std::int16_t>(FeelOffset(draw(FeelDraw::kTiming), feel.humanize));
        if (humanize < 0 && feel.lineSwing == 0 && command != kFineDelay) humanize = 0;
    }
    const bool sounds = !mutes.Silences(channel);
    // Swing moves the line's notes and offs (its other messages go at the line start); such a
    // note, or one humanized late, waits in the fine-event table.
    const bool moveNote = IsNote(note) && sounds && (feel.lineSwing != 0 || humanize > 0);
    const bool moveOff = note == kNoteOff && feel.lineSwing != 0;
    const auto fine = [&](FineAction action, int step, int steps, int gateStep) {
        player.fineEvents[channel][column] = {action,
                                              transposed,
                                              velocity,
                                              static_cast<std::uint8_t>(step),
                                              static_cast<std::uint8_t>(steps),
                                              0,
                                              feel.lineSwing,
                                              static_cast<std::uint8_t>(gateStep),
                                              humanize};
    };

    if (command <= kLastController) {
        SendControlChange(channel, command, parameter);
    } else if (command >= kFirstSystemMessage && command != kNoCommand) {
        SendSystemMessage(command, parameter);
    } else {
        switch (command) {
            case kNoteGate:
                // A moved note takes its half-line gate along.
                if (moveNote) {
                    fine(kFineNoteOn, 0, kFineSteps, kFineSteps / 2);
                    return;
                }
                player.pendingAction[channel][column] = kPendingNoteOff;
                break;
            case kSetBpm:
                SetBpm(song,
                       parameter);  // parameters below 32 are refused; the field shows the tempo
                ShowBpm();
                break;
            case kPitchWheel:
                SendPitchWheel(channel, 0, parameter);  // unscaled: 0x20 is not the middle
                break;
            case kProgramChange:
                SetChannelProgram(channel, parameter, currentChannel);
                break;
            case kNoteDelay:
                // The delayed note starts at half line; the slot's old note sounds until then.
                if (moveOff) {
                    fine(kFineNoteOff, 0, kFineSteps, 0);
                } else if (note == kNoteOff) {
                    NoteOff(channel, column);
                } else if (note != kNoNote) {
                    player.pendingAction[channel][column] = kPendingDelayedNote;
                    player.pendingNote[channel][column] = note;
                    player.pendingVelocity[channel][column] = velocity;
                }
                return;
            case kNoteRetrigger:
                if (IsNote(note)) {
                    player.pendingAction[channel][column] = kPendingRetrigger;
                    player.pendingNote[channel][column] = note;
                    player.pendingVelocity[channel][column] = velocity;
                }
                break;
            case kFineDelay:
                // As for Note delay: the slot's old note sounds until the new one starts, and
                // "off" ends it at once.
                if (moveOff) {
                    fine(kFineNoteOff, 0, kFineSteps, 0);
                } else if (note == kNoteOff) {
                    NoteOff(channel, column);
                } else if (note != kNoNote) {
                    fine(kFineNoteOn, FineSteps(parameter), kFineSteps, 0);
                }
                return;
            case kFineGate:
                // Without a note it ends the note the column already plays, as Note gate does.
                if (moveNote) {
                    fine(kFineNoteOn, 0, kFineSteps, FineSteps(parameter));
                    return;
                }
                if (note != kNoteOff) fine(kFineNoteOff, FineSteps(parameter), kFineSteps, 0);
                break;
            case kRatchet:
                // The first note is the line-start one below, unless it moves; the repeats follow.
                if (moveNote) {
                    fine(kFineRatchet, 0, RatchetNotes(parameter), 0);
                    return;
                }
                if (IsNote(note)) fine(kFineRatchet, 1, RatchetNotes(parameter), 0);
                break;
            case kChance:
                break;  // drawn above
            case kSwing:
            case kSwingAll:
            case kHumanize:
                break;  // taken for the whole line before it plays (engine/Feel.cpp)
            default:
                break;  // unassigned command values do nothing
        }
    }

    if (moveOff) {
        fine(kFineNoteOff, 0, kFineSteps, 0);
    } else if (note == kNoteOff || (note != kNoNote && !sounds)) {
        NoteOff(channel, column);
    } else if (moveNote) {
        fine(kFineNoteOn, 0, kFineSteps, 0);
    } else if (note != kNoNote) {
        // Transposed, as the fine-timed notes are; the half-line notes of Note delay and Note
        // retrigger are not, as they never were.
        NoteOn(channel, column, transposed, velocity);
    }
}

}  // namespace tarvel
