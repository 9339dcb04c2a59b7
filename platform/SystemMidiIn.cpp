#include "platform/JackMidiIn.h"
#include "platform/MidiIn.h"
#include "platform/RtMidiInDriver.h"

namespace tarvel {
namespace {

class NoMidiIn final : public MidiInDriver {
  public:
    std::vector<std::string> PortNames() override { return {}; }
    bool Open(const std::string&) override { return false; }
    void Close(const std::string&) noexcept override {}
    std::vector<std::string> CheckPorts() override { return {}; }
};

}  // namespace

std::unique_ptr<MidiInDriver> CreateSystemMidiIn(MidiInSink& sink) {
    // The same choice as for output: the ALSA sequencer where it exists, else JACK.
    if (auto alsa = RtMidiInDriver::Connect("Tarvel", sink)) return alsa;
    if (auto jack = JackMidiIn::Connect("Tarvel", sink)) return jack;
    return std::make_unique<NoMidiIn>();
}

}  // namespace tarvel
