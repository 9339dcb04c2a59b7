// MIDI output ports on a JACK server, used where no ALSA sequencer exists. RtMidi 5's JACK back
// end frees its message queue while its client is still active, so a process cycle that is late
// (a loaded machine) reads freed memory when a port closes; here each open device is its own
// client, and its queue is freed only after jack_client_close has stopped the process cycle.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tarvel {

class JackMidiOut {
  public:
    // Null when no JACK server runs; never starts one.
    static std::unique_ptr<JackMidiOut> Connect(const std::string& clientName);
    ~JackMidiOut();
    JackMidiOut(const JackMidiOut&) = delete;
    JackMidiOut& operator=(const JackMidiOut&) = delete;

    // The MIDI input ports of the server when we connected ("client:port").
    const std::vector<std::string>& PortNames() const { return names_; }

    // Window thread. Writes "Port: ...\nAPI: JACK\nClient: ..." into `text` (NUL-terminated, cut
    // to `size`).
    void Describe(int device, char* text, std::size_t size) const;

    bool Open(int device);
    void Close(int device) noexcept;
    void Send(int device, const std::uint8_t* bytes, int length) noexcept;

    struct Connection;

  private:
    explicit JackMidiOut(std::string clientName, std::vector<std::string> names);

    std::string clientName_;
    std::vector<std::string> names_;
    std::vector<std::unique_ptr<Connection>> connections_;  // one client per open device
};

}  // namespace tarvel
