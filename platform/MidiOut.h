// The boundary to the machine's MIDI outputs: five operations, as every platform offers them.
// Devices are numbered 0..DeviceCount()-1 by the driver; an opened device is addressed by that
// number. Drivers never throw: a back end that cannot start reports no devices.
#pragma once

#include <bitset>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tarvel {

// What the program knows of a device; values a back end cannot know are 0.
struct MidiOutCaps {
    std::uint16_t manufacturerId = 0;
    std::uint16_t productId = 0;
    std::uint32_t driverVersion = 0;
    char productName[32] = {};
    std::uint16_t voices = 0;
    std::uint32_t support = 0;  // 0x1 volume, 0x2 L/R volume, 0x4 patch caching, 0x8 streaming
    char details[256] = {};     // the back end's own words: port, API, client; a line each
};

class MidiOutDriver {
  public:
    virtual ~MidiOutDriver() = default;

    // Window thread.
    virtual int DeviceCount() = 0;
    virtual MidiOutCaps Describe(int device) = 0;
    // False with the step that failed, in words for the user, in `whyNot`.
    virtual bool Open(int device, std::string& whyNot) = 0;
    virtual void Close(int device) noexcept = 0;

    // Any thread, one caller at a time (the document lock serialises sends). Must not allocate
    // or block for long: the player calls it from the 2 ms timer thread.
    virtual void Send(int device, const std::uint8_t* bytes, int length) noexcept = 0;

    // Same callers as Send. The CLOCK_MONOTONIC time (ns) the following sends were due, until
    // the next call; 0 means "now", each send stamped as it is made. A back end that delivers
    // by time stamp (JACK) puts them on the wire at that time plus a constant latency; the
    // others send at once and ignore it.
    virtual void SetDueTime(std::int64_t /*dueNs*/) noexcept {}

    // Window thread. The programs a song may select (on any channel): a back end that loads an
    // instrument only when it is chosen (the built-in synth) makes these ready ahead of time,
    // so that playing never waits for a load; the others ignore it.
    virtual void PreparePrograms(const std::bitset<128>& /*programs*/) {}
};

// No devices at all: for programs that build or convert songs without playing them.
class NoMidiOut final : public MidiOutDriver {
  public:
    int DeviceCount() override { return 0; }
    MidiOutCaps Describe(int) override { return {}; }
    bool Open(int, std::string& whyNot) override {
        whyNot = "there are no MIDI devices";
        return false;
    }
    void Close(int) noexcept override {}
    void Send(int, const std::uint8_t*, int) noexcept override {}
};

// Several drivers seen as one: the devices of the first come first.
class ChainedMidiOut final : public MidiOutDriver {
  public:
    void Add(std::unique_ptr<MidiOutDriver> driver);

    int DeviceCount() override;
    MidiOutCaps Describe(int device) override;
    bool Open(int device, std::string& whyNot) override;
    void Close(int device) noexcept override;
    void Send(int device, const std::uint8_t* bytes, int length) noexcept override;
    void SetDueTime(std::int64_t dueNs) noexcept override;
    void PreparePrograms(const std::bitset<128>& programs) override;

    // A line the details of device 0 end with: why a device that would come first is absent.
    void SetNote(std::string note) { note_ = std::move(note); }

  private:
    struct Route {
        MidiOutDriver* driver;
        int device;
    };
    Route Find(int device) const noexcept;

    std::vector<std::unique_ptr<MidiOutDriver>> drivers_;
    std::vector<int> counts_;  // device counts taken when each driver was added
    std::string note_;
};

// The number of bytes the MIDI standard gives a message with this status byte; 0 for a status
// we never put on the wire alone (a bare SysEx start would swallow everything after it).
int MidiMessageLength(std::uint8_t status) noexcept;

// The drivers of this machine: the built-in synth first (when it can start), then the system's
// MIDI ports.
std::unique_ptr<MidiOutDriver> CreateSystemMidiOut();
class SynthMidiOut;
// The same with the synth on `soundFont` at `gain`; `synth` is the synth among the drivers
// (it may have no device, and then says why).
std::unique_ptr<MidiOutDriver> CreateSystemMidiOut(const std::string& soundFont, double gain,
                                                   SynthMidiOut*& synth);

// Main thread, before any other thread starts: changing the environment races with every thread
// that reads it. Sets what the MIDI back ends rely on for the whole process: no JACK client, ours
// or one inside a library, starts a JACK server of its own behind the user's back (a value the
// user set is kept).
void PrepareProcessForMidi();

}  // namespace tarvel
