// A private JACK server (dummy driver), for tests that check what really reaches a MIDI server
// (JackKeyboard listens there). It is stopped by its id when the harness goes, and gets SIGTERM
// if the thread that made the harness dies first (a crashed test).
#pragma once

#include <sys/types.h>

#include <string>

namespace tarvel::testing {

class JackHarness {
  public:
    static constexpr int kSampleRate = 48000;

    // `realtime`: the server asks for real-time priority (and runs on without it). Timing tests
    // want it: the dummy driver drops whole periods from its frame clock when it wakes late.
    // `periodFrames`: the server's period at kSampleRate.
    explicit JackHarness(bool realtime = false, int periodFrames = 128);
    ~JackHarness();
    JackHarness(const JackHarness&) = delete;
    JackHarness& operator=(const JackHarness&) = delete;

    // Empty when the server runs; otherwise why it does not (e.g. jackd missing).
    const std::string& failure() const { return failure_; }

    // Periods the server reported as late (xruns) so far; each one leaves the frame clock behind
    // wall-clock time.
    int Xruns() const;

  private:
    std::string serverName_;
    std::string serverLogPath_;
    pid_t jackd_ = -1;
    std::string failure_;
};

}  // namespace tarvel::testing
