// Turns a MIDI byte stream into channel messages: running status is followed, real-time bytes
// (0xF8..0xFF) are skipped wherever they fall, SysEx and system common messages are swallowed
// whole. A data byte with no status before it is dropped. Allocates nothing; one parser per
// input port, used by that port's thread only.
//
// A parser that passes the clock also gives Timing Clock, Start, Continue and Stop (as one-byte
// messages, wherever they fall) and Song Position Pointer, for a player that follows them.
#pragma once

#include <cstdint>

#include "platform/MidiIn.h"

namespace tarvel {

class MidiInParser {
  public:
    explicit MidiInParser(bool passesClock = false) : passesClock_(passesClock) {}

    // True when `byte` completes a channel message (or, passing the clock, a clock message), which
    // is then in `message`.
    bool Feed(std::uint8_t byte, MidiInMessage& message) noexcept;

  private:
    std::uint8_t status_ = 0;  // running status; 0 after SysEx, system common or at the start
    std::uint8_t data_[2] = {0, 0};
    int have_ = 0;
    bool inSysEx_ = false;
    bool passesClock_;
};

}  // namespace tarvel
