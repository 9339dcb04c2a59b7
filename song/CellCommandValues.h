// The values of a cell's command byte, as the player reads them. Below kFirstCellCommand the
// command is a controller number; from kFirstSystemMessage up (but kNoCommand) a system
// message. Values between the named ones do nothing.
#pragma once

#include <cstdint>

namespace tarvel::cell {

constexpr std::uint8_t kLastController = 0x7F;
constexpr std::uint8_t kNoteGate = 0x80;
constexpr std::uint8_t kSetBpm = 0x90;
constexpr std::uint8_t kPitchWheel = 0xA0;
constexpr std::uint8_t kProgramChange = 0xB0;
constexpr std::uint8_t kNoteDelay = 0xD0;
constexpr std::uint8_t kNoteRetrigger = 0xE0;
constexpr std::uint8_t kFirstSystemMessage = 0xF0;

}  // namespace tarvel::cell
