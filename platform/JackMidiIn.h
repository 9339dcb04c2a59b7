// MIDI input on a JACK server, used where output goes to JACK. One client with four ports:
// "midi_in", our own input port that other programs connect to; "capture", which we
// connect to the ports the user picks, so that each can be switched off on its own;
// "clock_in", connected to the one port we follow the clock of, and "launch_in", to the one
// port live mode launches patterns from (each when it is not our own).
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "platform/MidiIn.h"
#include "platform/MidiInParser.h"

typedef struct _jack_client jack_client_t;
typedef struct _jack_port jack_port_t;

namespace tarvel {

class JackMidiIn final : public MidiInDriver {
  public:
    // Null when no JACK server runs; never starts one.
    static std::unique_ptr<JackMidiIn> Connect(const std::string& clientName, MidiInSink& sink);
    ~JackMidiIn() override;
    JackMidiIn(const JackMidiIn&) = delete;
    JackMidiIn& operator=(const JackMidiIn&) = delete;

    std::vector<std::string> PortNames() override;
    bool Open(const std::string& name) override;
    void Close(const std::string& name) noexcept override;
    std::vector<std::string> CheckPorts() override;
    bool SetClockSource(const std::string& name) override;
    bool SetLaunchInput(const std::string& name) override;

    // The server's full name of our own input port ("Tarvel:midi_in"), for connecting to it.
    std::string OwnPortName() const;

  private:
    JackMidiIn(jack_client_t* client, MidiInSink& sink);
    static int Process(std::uint32_t frames, void* self);
    static void ServerGone(void* self);
    void ReadPort(jack_port_t* port, std::uint32_t frames, MidiInParser& parser,
                  MidiInRoles roles) noexcept;
    // Connects `port` to `name` alone for `role` (the clock source, the launch input); `own`: our
    // own port has it.
    bool SetRole(std::string& role, jack_port_t* port, std::atomic<bool>& own,
                 const std::string& name);

    jack_client_t* client_;
    jack_port_t* ownPort_ = nullptr;
    jack_port_t* capturePort_ = nullptr;
    jack_port_t* clockPort_ = nullptr;
    jack_port_t* launchPort_ = nullptr;
    MidiInSink& sink_;
    MidiInParser ownParser_{/*passesClock=*/true};    // process thread only
    MidiInParser captureParser_;                      // process thread only
    MidiInParser clockParser_{/*passesClock=*/true};  // process thread only
    MidiInParser launchParser_;                       // process thread only
    std::atomic<bool> ownOpen_{false};
    std::atomic<bool> ownClock_{false};   // our own port is the clock source
    std::atomic<bool> ownLaunch_{false};  // our own port is the launch input
    std::string clockSource_;             // window thread: the port connected to "clock_in"
    std::string launchInput_;             // window thread: the port connected to "launch_in"
    std::atomic<bool> serverGone_{false};
    std::vector<std::string> open_;  // window thread: the other ports connected to "capture"
};

}  // namespace tarvel
