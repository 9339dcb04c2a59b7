// The cell command interpreter: what one pattern cell sends when the player reaches its line.
// At most one controller, command or system message goes first, then the note.
#include <algorithm>

#include "engine/Engine.h"
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
    const std::uint8_t note = cell.note;
    const std::uint8_t command = cell.command;
    const std::uint8_t parameter = cell.parameter;
    // Fine-timed notes are transposed as the line-start note is; no old song holds them.
    const auto transposed = static_cast<std::uint8_t>(note + player.trackTranspose[channel]);
    const std::uint8_t velocity = cell.velocity == kDefaultVelocity ? song.channelVelocity[channel]
                                  : cell.velocity > 0x7F            ? std::uint8_t{0x7F}
                                                                    : cell.velocity;

    if (command <= kLastController) {
        SendControlChange(channel, command, parameter);
    } else if (command >= kFirstSystemMessage && command != kNoCommand) {
        SendSystemMessage(command, parameter);
    } else {
        switch (command) {
            case kNoteGate:
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
                if (note == kNoteOff) {
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
                if (note == kNoteOff) {
                    NoteOff(channel, column);
                } else if (note != kNoNote) {
                    player.fineEvents[channel][column] = {
                        kFineNoteOn, transposed, velocity, FineSteps(parameter), kFineSteps, 0};
                }
                return;
            case kFineGate:
                // Without a note it ends the note the column already plays, as Note gate does.
                if (note != kNoteOff)
                    player.fineEvents[channel][column] = {kFineNoteOff,         0,          0,
                                                          FineSteps(parameter), kFineSteps, 0};
                break;
            case kRatchet:
                // The first note is the line-start one below; the repeats follow.
                if (IsNote(note))
                    player.fineEvents[channel][column] = {
                        kFineRatchet, transposed, velocity, 1, RatchetNotes(parameter), 0};
                break;
            default:
                break;  // unassigned command values do nothing
        }
    }

    if (note == kNoteOff || (note != kNoNote && mutes.Silences(channel))) {
        NoteOff(channel, column);
    } else if (note != kNoNote) {
        // Transposed, as the fine-timed notes are; the half-line notes of Note delay and Note
        // retrigger are not, as they never were.
        NoteOn(channel, column, transposed, velocity);
    }
}

}  // namespace tarvel
