// MIDI input on a JACK server, used where output goes to JACK. One client with two ports:
// "midi_in", our own input port that other programs connect to, and "capture", which we
// connect to the ports the user picks, so that each can be switched off on its own.
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

    // The server's full name of our own input port ("Tarvel:midi_in"), for connecting to it.
    std::string OwnPortName() const;

  private:
    JackMidiIn(jack_client_t* client, MidiInSink& sink);
    static int Process(std::uint32_t frames, void* self);
    static void ServerGone(void* self);
    void ReadPort(jack_port_t* port, std::uint32_t frames, MidiInParser& parser) noexcept;

    jack_client_t* client_;
    jack_port_t* ownPort_ = nullptr;
    jack_port_t* capturePort_ = nullptr;
    MidiInSink& sink_;
    MidiInParser ownParser_;      // process thread only
    MidiInParser captureParser_;  // process thread only
    std::atomic<bool> ownOpen_{false};
    std::atomic<bool> serverGone_{false};
    std::vector<std::string> open_;  // window thread: the other ports connected to "capture"
};

}  // namespace tarvel
