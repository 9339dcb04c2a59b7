// The system's MIDI ports: the ALSA sequencer through RtMidi on Linux, JACK (our own client, see
// JackMidiOut.h) where no ALSA sequencer exists. Errors never escape; a back end that cannot start
// has no devices.
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
    bool Open(int device) override;
    void Close(int device) noexcept override;
    void Send(int device, const std::uint8_t* bytes, int length) noexcept override;

  private:
    int api_ = 0;                        // the RtMidi::Api that answered
    std::unique_ptr<JackMidiOut> jack_;  // set when JACK answered; then ports_ stays empty
    std::string clientName_;
    std::vector<std::string> names_;
    std::vector<std::unique_ptr<RtMidiOut>> ports_;  // one open connection per device
};

}  // namespace tarvel
