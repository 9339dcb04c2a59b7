// A JACK client that plays MIDI like a keyboard plugged into a server, and can listen on an
// input port of its own like a monitor, stamping what it sends and receives with the server's
// frame clock.
// For tests and measuring tools on the private server of JackHarness.
#pragma once

#include <jack/jack.h>
#include <jack/ringbuffer.h>
#include <jack/transport.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace tarvel::testing {

struct StampedMessage {
    std::int64_t frame;  // the server's frame time at which it left or arrived
    std::uint8_t length;
    std::uint8_t bytes[3];
    std::vector<std::uint8_t> Data() const { return {bytes, bytes + length}; }
};

class JackKeyboard {
  public:
    // `listen`: also register an input port "in" (register it before the program under test
    // lists its outputs, so that it becomes one of them).
    explicit JackKeyboard(const std::string& name, bool listen = false);
    ~JackKeyboard();
    JackKeyboard(const JackKeyboard&) = delete;
    JackKeyboard& operator=(const JackKeyboard&) = delete;

    bool ok() const { return client_ != nullptr; }
    // Connects our output port "out" to `port` ("client:port").
    bool ConnectTo(const std::string& port);
    // Any thread: goes out at a random frame of the next cycle.
    void Play(std::uint8_t status, std::uint8_t data1, std::uint8_t data2);
    // Once per keyboard: each message goes out at its own frame, as a master's clock does (one
    // whose frame is past goes at the start of the next cycle). In frame order.
    void PlayAtFrames(std::vector<StampedMessage> messages);
    bool PlayedAll() const { return nextScheduled_.load() >= scheduled_.size(); }
    // The server's transport, moved as another client would move it. RolledAt: the frame time
    // of the first cycle that rolled since the last StartTransport, and the transport's frame
    // then; -1 before.
    void LocateTransport(std::int64_t frame) {
        jack_transport_locate(client_, static_cast<jack_nframes_t>(frame));
    }
    void StartTransport() {
        rolledAt_ = -1;
        jack_transport_start(client_);
    }
    void StopTransport() { jack_transport_stop(client_); }
    std::int64_t RolledAt() const { return rolledAt_; }
    std::int64_t RolledFrom() const { return rolledFrom_; }
    // The timebase master's tempo and beats then; 0 when it published none.
    double RolledBpm() const { return rolledBpm_; }
    double RolledBeats() const { return rolledBeats_; }
    std::int64_t FrameNow() const { return jack_frame_time(client_); }
    // What has gone out and come in so far.
    std::vector<StampedMessage> Sent();
    std::vector<StampedMessage> Received();
    // Waits until some port is connected to our input: JACK connects asynchronously, and what
    // is sent before a connection is in place is lost.
    bool WaitForInputConnection(int timeoutMs = 5000) const;
    // Waits until `count` messages have come in or `timeoutMs` passed, and returns all of them.
    std::vector<StampedMessage> WaitForReceived(std::size_t count, int timeoutMs = 5000);

  private:
    static int Process(std::uint32_t frames, void* self);

    jack_client_t* client_ = nullptr;
    jack_port_t* out_ = nullptr;
    jack_port_t* in_ = nullptr;
    jack_ringbuffer_t* toPlay_ = nullptr;
    jack_ringbuffer_t* sent_ = nullptr;
    jack_ringbuffer_t* received_ = nullptr;
    std::uint32_t random_ = 1;               // process thread only
    std::vector<StampedMessage> scheduled_;  // set before scheduledReady_, then only read
    std::atomic<bool> scheduledReady_{false};
    std::atomic<std::size_t> nextScheduled_{0};  // process thread writes
    std::atomic<std::int64_t> rolledAt_{-1}, rolledFrom_{-1};
    std::atomic<double> rolledBpm_{0}, rolledBeats_{0};
    std::vector<StampedMessage> sentLog_;
    std::vector<StampedMessage> receivedLog_;
};

}  // namespace tarvel::testing
