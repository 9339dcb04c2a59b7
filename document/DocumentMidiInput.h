// The document as the receiver of every MIDI input driver. Made by the window side beside the
// driver; the driver calls it on its own thread.
#pragma once

#include "document/FennoralDoc.h"
#include "platform/MidiIn.h"

namespace tarvel {

class DocumentMidiInput final : public MidiInSink {
  public:
    explicit DocumentMidiInput(CFennoralDoc& doc) : doc_(doc) {}
    void ReceiveMidi(const MidiInMessage& message) noexcept override { doc_.ReceiveMidi(message); }
    void InputLost(const char* portName) noexcept override { doc_.MidiInputLost(portName); }

  private:
    CFennoralDoc& doc_;
};

}  // namespace tarvel
