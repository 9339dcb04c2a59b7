// Timing on a real JACK server: a monitor client whose input port keeps every message with the
// time JACK puts it at (its frame, as CLOCK_MONOTONIC), and a MIDI-out wrapper that keeps what
// was sent to one device with the time it was due. Matching the two gives each message's
// lateness at the monitor.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/MidiOut.h"

typedef struct _jack_client jack_client_t;
typedef struct _jack_port jack_port_t;

namespace tarvel::bench {

struct TimedMessage {
    std::int64_t timeNs;  // CLOCK_MONOTONIC
    std::uint8_t bytes[3];
    int length;
    std::int64_t sentNs = 0;  // DueTimeLog: when Send was called
};

class JackMonitor {
  public:
    // Registers "<clientName>:in" on the running server; failure() says why not.
    JackMonitor(const std::string& clientName, std::size_t capacity);
    ~JackMonitor();
    JackMonitor(const JackMonitor&) = delete;
    JackMonitor& operator=(const JackMonitor&) = delete;

    const std::string& failure() const { return failure_; }
    std::string PortName() const;
    std::vector<TimedMessage> Received() const;  // in arrival order
    bool IsConnected() const;

  private:
    static int Process(std::uint32_t frames, void* self);

    jack_client_t* client_ = nullptr;
    jack_port_t* port_ = nullptr;
    std::vector<TimedMessage> received_;  // reserved; the process thread fills it
    std::atomic<std::size_t> count_{0};
    std::string failure_;
};

// Sends through `inner`; what goes to `device` is kept with its due time (the time it was sent
// when none was given).
class DueTimeLog final : public MidiOutDriver {
  public:
    DueTimeLog(MidiOutDriver& inner, std::size_t capacity);
    void Watch(int device);
    std::vector<TimedMessage> Sent() const;

    int DeviceCount() override { return inner_.DeviceCount(); }
    MidiOutCaps Describe(int device) override { return inner_.Describe(device); }
    bool Open(int device, std::string& whyNot) override { return inner_.Open(device, whyNot); }
    void Close(int device) noexcept override { inner_.Close(device); }
    void Send(int device, const std::uint8_t* bytes, int length) noexcept override;
    void SetDueTime(std::int64_t dueNs) noexcept override;

  private:
    MidiOutDriver& inner_;
    mutable std::mutex mutex_;
    int watched_ = -1;
    std::int64_t dueNs_ = 0;
    std::vector<TimedMessage> sent_;
};

// Pairs each sent message with its arrival: in order, identical bytes; a message lost on the
// way (an xrun) is skipped. Returns arrival minus due time per matched message, and the matched
// arrivals themselves.
struct MatchedTiming {
    std::vector<std::int64_t> latenessNs;
    std::vector<TimedMessage> arrivals;
    std::vector<TimedMessage> dues;
    std::size_t lost = 0;
};
MatchedTiming MatchSentToReceived(const std::vector<TimedMessage>& sent,
                                  const std::vector<TimedMessage>& received);

}  // namespace tarvel::bench
