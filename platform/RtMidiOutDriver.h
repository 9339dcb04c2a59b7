// The system's MIDI ports: the ALSA sequencer through RtMidi on Linux, JACK (our own client, see
// JackMidiOut.h) where no ALSA sequencer exists. Errors never escape; a back end that cannot start
// has no devices. The last device is our own output port ("Tarvel", a virtual port on the ALSA
// sequencer), which other programs connect to.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/JackMidiOut.h"
#include "platform/MidiOut.h"

class RtMidiOut;

namespace tarvel {

class RtMidiOutDriver final : public MidiOutDriver {
  public:
    enum class Api { Automatic, Alsa, Jack };

    explicit RtMidiOutDriver(Api api = Api::Automatic, std::string clientName = "Tarvel");
    ~RtMidiOutDriver() override;

    int DeviceCount() override;
    MidiOutCaps Describe(int device) override;
    bool Open(int device, std::string& whyNot) override;
    void Close(int device) noexcept override;
    void Send(int device, const std::uint8_t* bytes, int length) noexcept override;
    void SetDueTime(std::int64_t dueNs) noexcept override;

  private:
    bool IsOwnPort(int device) const { return device == static_cast<int>(names_.size()) - 1; }

    int api_ = 0;                        // the RtMidi::Api that answered
    std::unique_ptr<JackMidiOut> jack_;  // set when JACK answered; then ports_ stays empty
    std::string clientName_;
    std::vector<std::string> names_;                 // the system's ports, then our own
    std::vector<std::unique_ptr<RtMidiOut>> ports_;  // one open connection per device
};

}  // namespace tarvel
