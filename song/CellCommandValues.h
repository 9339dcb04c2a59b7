// The values of a cell's command byte, as the player reads them. Below kFirstCellCommand the
// command is a controller number; from kFirstSystemMessage up (but kNoCommand) a system
// message. Values between the named ones do nothing.
#pragma once

#include <cstdint>

namespace tarvel::cell {

constexpr std::uint8_t kLastController = 0x7F;
constexpr std::uint8_t kNoteGate = 0x80;
constexpr std::uint8_t kFineGate = 0x81;  // the note stops PP/16 of a line after it starts
constexpr std::uint8_t kSetBpm = 0x90;
constexpr std::uint8_t kSwing = 0x91;  // from this line the channel's odd lines start PP/256 late
constexpr std::uint8_t kSwingAll = 0x92;  // the same, for every channel
constexpr std::uint8_t kPitchWheel = 0xA0;
constexpr std::uint8_t kProgramChange = 0xB0;
constexpr std::uint8_t kChance = 0xC1;    // the note plays with probability PP/255
constexpr std::uint8_t kHumanize = 0xC2;  // from this line the notes move +-PP/8 ms, +-PP/4
constexpr std::uint8_t kNoteDelay = 0xD0;
constexpr std::uint8_t kFineDelay = 0xD1;  // the note starts PP/16 of a line late
constexpr std::uint8_t kNoteRetrigger = 0xE0;
constexpr std::uint8_t kRatchet = 0xE1;  // the note plays PP times, evenly across the line
constexpr std::uint8_t kFirstSystemMessage = 0xF0;

// The parameters the fine commands take; values outside are taken as the nearest end.
constexpr int kFineSteps = 16;  // a fine delay or gate counts sixteenths of a line
constexpr int kFewestFineSteps = 1, kMostFineSteps = kFineSteps - 1;
constexpr int kFewestRatchetNotes = 2, kMostRatchetNotes = 16;
// Swing counts 256ths of a line; humanize's timing eighths of a millisecond, its velocity
// quarters of the parameter.
constexpr int kSwingSteps = 256;
constexpr int kHumanizeStepsPerMs = 8;
constexpr int kHumanizeVelocityDivisor = 4;
constexpr int kChanceAlways = 255;

}  // namespace tarvel::cell
