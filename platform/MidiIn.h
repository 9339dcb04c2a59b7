// The boundary to the machine's MIDI inputs. A driver lists the input ports it can see, opens
// and closes them by name, and hands every complete channel message to one sink on its own
// thread. Drivers never throw: a back end that cannot start lists nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tarvel {

// One channel message as it came in; data bytes are 7-bit, data2 is 0 for one-byte messages.
// From the input chosen as the clock source, also its clock messages (Timing Clock, Start,
// Continue, Stop, Song Position Pointer), marked `fromClockSource`.
// `dueNs` is the due time (CLOCK_MONOTONIC, as MidiOutDriver::SetDueTime takes it) that plays it
// through at a fixed delay after its arrival, for a driver that knows when each message arrived
// (JACK); 0 plays it through now.
struct MidiInMessage {
    std::uint8_t status;
    std::uint8_t data1;
    std::uint8_t data2;
    std::int64_t dueNs = 0;
    std::uint8_t fromClockSource = 0;
    std::uint8_t fromLaunchInput = 0;  // a channel message of the input that launches patterns
};

class MidiInSink {
  public:
    // The driver's input thread (RtMidi's, JACK's process thread). Must not allocate or block
    // for long: a JACK cycle waits for it.
    virtual void ReceiveMidi(const MidiInMessage& message) noexcept = 0;
    // The driver's input thread or the window thread: an open port went away (unplugged, the
    // server stopped). Notes it started must stop; the window says so once.
    virtual void InputLost(const char* portName) noexcept = 0;

  protected:
    ~MidiInSink() = default;
};

// What a driver passes on of one port's messages: `channel` its channel messages; `clock` its
// clock messages, marked; `launch` its channel messages marked, after the unmarked copy.
struct MidiInRoles {
    bool channel = false, clock = false, launch = false;
};

// The driver's input thread: hands `message`, its due time set, to `sink` as `roles` ask.
inline void PassOn(MidiInSink& sink, MidiInMessage message, MidiInRoles roles) noexcept {
    const bool isClock = message.status >= 0xF0;
    message.fromClockSource = isClock ? 1 : 0;
    message.fromLaunchInput = 0;
    if (isClock ? roles.clock : roles.channel) sink.ReceiveMidi(message);
    if (!isClock && roles.launch) {
        message.fromLaunchInput = 1;
        sink.ReceiveMidi(message);
    }
}

class MidiInDriver {
  public:
    virtual ~MidiInDriver() = default;

    // Window thread. The input ports of the machine now, our own port first.
    virtual std::vector<std::string> PortNames() = 0;
    // Window thread. Starts listening to `name`; false when no such port can be opened.
    virtual bool Open(const std::string& name) = 0;
    // Window thread. After it returns no message of that port reaches the sink.
    virtual void Close(const std::string& name) noexcept = 0;
    // Window thread, now and then: finds open ports that are gone, reports each once to the
    // sink's InputLost and closes it; returns their names.
    virtual std::vector<std::string> CheckPorts() = 0;
    // Window thread. The input whose clock messages reach the sink, marked as from the clock
    // source; "" for none. Other inputs' clock messages are dropped. The port need not be open
    // for its notes. False when the driver cannot follow that port.
    virtual bool SetClockSource(const std::string& name) { return name.empty(); }
    // Window thread. The input whose channel messages reach the sink marked `fromLaunchInput`,
    // for live mode to launch patterns from; "" for none. Like the clock source it need not be
    // open: open too, its messages reach the sink a second time, unmarked. False when the
    // driver cannot follow that port.
    virtual bool SetLaunchInput(const std::string& name) { return name.empty(); }
};

// The name our own input port is listed under: other programs connect to it.
inline constexpr const char* kOwnInputPortName = "Tarvel (own input port)";

// The inputs of this machine: the ALSA sequencer through RtMidi; our own JACK client where no
// ALSA sequencer exists and a JACK server runs; else none.
std::unique_ptr<MidiInDriver> CreateSystemMidiIn(MidiInSink& sink);

}  // namespace tarvel
