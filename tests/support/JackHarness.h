// A private JACK server (dummy driver) with jack_midi_dump listening, for tests that check what
// really reaches a MIDI server. Both processes are stopped by their ids when the harness goes,
// and get SIGTERM if the thread that made the harness dies first (a crashed test).
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tarvel::testing {

struct DumpedMessage {
    std::int64_t frame;  // jack_midi_dump -a: frames since it started
    std::vector<std::uint8_t> bytes;
};

class JackHarness {
  public:
    static constexpr int kSampleRate = 48000;

    // `realtime`: the server asks for real-time priority (and runs on without it). Timing tests
    // want it: the dummy driver drops whole periods from its frame clock when it wakes late.
    // `periodFrames`: the server's period (buffer size).
    explicit JackHarness(bool realtime = false, int periodFrames = 128);
    ~JackHarness();
    JackHarness(const JackHarness&) = delete;
    JackHarness& operator=(const JackHarness&) = delete;

    // Empty when the server and the monitor run; otherwise why they do not (e.g. jackd missing).
    const std::string& failure() const { return failure_; }

    // Waits until some client is connected to jack_midi_dump's input. JACK makes connections
    // asynchronously; what is sent before one is in place is lost.
    bool WaitForMonitorConnection(int timeoutMs = 5000) const;

    // Waits until `count` messages have arrived or `timeoutMs` passed, and returns all of them.
    std::vector<DumpedMessage> WaitForMessages(std::size_t count, int timeoutMs = 5000) const;

    // Periods the server reported as late (xruns) so far; each one leaves the frame clock behind
    // wall-clock time.
    int Xruns() const;

  private:
    std::vector<DumpedMessage> ReadDump() const;
    bool WaitForPort(const std::string& port, int timeoutMs) const;

    std::string serverName_;
    std::string dumpPath_;
    std::string serverLogPath_;
    pid_t jackd_ = -1;
    pid_t dump_ = -1;
    std::string failure_;
};

}  // namespace tarvel::testing
