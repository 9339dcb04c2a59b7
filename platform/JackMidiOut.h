// MIDI output ports on a JACK server, used where no ALSA sequencer exists. RtMidi 5's JACK back
// end frees its message queue while its client is still active, so a process cycle that is late
// (a loaded machine) reads freed memory when a port closes; here each open device is its own
// client, and its queue is freed only after jack_client_close has stopped the process cycle.
//
// Every message carries the time it was due. The process cycle writes it at the frame of that
// time plus a constant latency (one period and kSendMarginUs), so timing does not depend on the
// period size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

typedef struct _jack_client jack_client_t;

namespace tarvel {

class JackMidiOut {
  public:
    // Covers the timer's wake-up lateness and a tick's own work: a message sent this much after
    // it was due still lands on its frame.
    static constexpr std::int64_t kSendMarginUs = 1000;

    // Any thread, real-time safe: JACK's clock (microseconds) less CLOCK_MONOTONIC's, read side
    // by side. On Linux they are normally the same clock.
    static std::int64_t JackMinusMonotonicUs() noexcept;

    // Null when no JACK server runs; never starts one.
    static std::unique_ptr<JackMidiOut> Connect(const std::string& clientName);
    ~JackMidiOut();
    JackMidiOut(const JackMidiOut&) = delete;
    JackMidiOut& operator=(const JackMidiOut&) = delete;

    // The MIDI input ports of the server when we connected ("client:port"), then our own output
    // port, which connects to nothing by itself: other programs connect to it.
    const std::vector<std::string>& PortNames() const { return names_; }
    int OwnPortDevice() const { return static_cast<int>(names_.size()) - 1; }

    // Window thread. Writes "Port: ...\nAPI: JACK\nClient: ..." into `text` (NUL-terminated, cut
    // to `size`).
    void Describe(int device, char* text, std::size_t size) const;

    bool Open(int device, std::string& whyNot);
    void Close(int device) noexcept;
    // As MidiOutDriver::Send and SetDueTime: one caller at a time, nothing allocated.
    void Send(int device, const std::uint8_t* bytes, int length) noexcept;
    void SetDueTime(std::int64_t dueNs) noexcept { dueNs_ = dueNs; }

    struct Connection;

  private:
    JackMidiOut(std::string clientName, std::vector<std::string> names, jack_client_t* own);

    std::string clientName_;
    std::vector<std::string> names_;
    std::vector<std::unique_ptr<Connection>> connections_;  // one client per open device
    // Made first, so it keeps the exact client name that other programs look for.
    std::unique_ptr<Connection> ownClient_;
    std::int64_t dueNs_ = 0;
};

}  // namespace tarvel
