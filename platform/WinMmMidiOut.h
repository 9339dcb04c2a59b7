// Windows' own MIDI outputs through WinMM: every port Windows lists, among them its built-in
// "Microsoft GS Wavetable Synth", so a new user hears sound with no hardware. Windows builds only.
#pragma once

#include <vector>

#include "platform/MidiOut.h"

namespace tarvel {

class WinMmMidiOut final : public MidiOutDriver {
  public:
    WinMmMidiOut();
    ~WinMmMidiOut() override;
    WinMmMidiOut(const WinMmMidiOut&) = delete;
    WinMmMidiOut& operator=(const WinMmMidiOut&) = delete;

    int DeviceCount() override;
    MidiOutCaps Describe(int device) override;
    bool Open(int device, std::string& whyNot) override;
    void Close(int device) noexcept override;
    // Short messages (one to three bytes) only: the player sends no others.
    void Send(int device, const std::uint8_t* bytes, int length) noexcept override;

  private:
    std::vector<void*> handles_;  // HMIDIOUT per device, null while closed; counted at creation
};

}  // namespace tarvel
