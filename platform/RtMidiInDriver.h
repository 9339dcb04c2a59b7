// MIDI input from the ALSA sequencer through RtMidi: one RtMidi connection per picked port,
// and a virtual port "Tarvel" of our own that other programs connect to. RtMidi calls back on
// a thread of its own per connection.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "platform/MidiIn.h"

namespace tarvel {

class RtMidiInDriver final : public MidiInDriver {
  public:
    // Null when the ALSA sequencer cannot be reached.
    static std::unique_ptr<RtMidiInDriver> Connect(const std::string& clientName, MidiInSink& sink);
    ~RtMidiInDriver() override;

    std::vector<std::string> PortNames() override;
    bool Open(const std::string& name) override;
    void Close(const std::string& name) noexcept override;
    std::vector<std::string> CheckPorts() override;
    bool SetClockSource(const std::string& name) override;
    bool SetLaunchInput(const std::string& name) override;

    struct Connection;

  private:
    RtMidiInDriver(std::string clientName, MidiInSink& sink);
    bool Connect(const std::string& name, bool notes);
    void Disconnect(std::vector<std::unique_ptr<Connection>>::iterator it) noexcept;
    // Gives `role` (the clock source, the launch input) to the port `name`, connecting it when
    // not open, and sets `flag` on its connection only.
    bool SetRole(std::string& role, std::atomic<bool> Connection::*flag, const std::string& name);

    std::string clientName_;
    MidiInSink& sink_;
    std::vector<std::unique_ptr<Connection>> open_;
    std::string clockSource_;
    std::string launchInput_;
};

}  // namespace tarvel
