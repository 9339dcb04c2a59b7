// Tarvel following a MIDI clock master on a private JACK server: the master (a JackKeyboard
// playing a schedule at exact frames) drives Tarvel's "clock_in" port, and a monitor listens on
// the device channel 0 plays. Each row of the song plays one gated note on channel 0 that names
// it: row r plays note 36 + r % 16. For the JACK tests and the clock_follow benchmark.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "document/DocumentMidiInput.h"
#include "platform/JackMidiIn.h"
#include "platform/JackTransport.h"
#include "platform/RtMidiOutDriver.h"
#include "support/JackHarness.h"
#include "support/JackKeyboard.h"
#include "support/RecordingUi.h"

namespace tarvel::testing {

// A master's part, in ns after its start: clocks with their nominal times kept beside them.
struct ClockScript {
    std::vector<StampedMessage> messages;      // .frame holds ns until Play
    std::vector<std::int64_t> nominalClockNs;  // every clock's time before jitter
    std::uint32_t seed = 1;

    void Add(std::int64_t atNs, std::uint8_t status, std::uint8_t d1 = 0, std::uint8_t d2 = 0);
    // `count` clocks from `fromNs`, the period going evenly from `firstPeriodNs` to
    // `lastPeriodNs`, each moved by a uniform +-jitterNs. Returns the time after the last.
    std::int64_t Clocks(std::int64_t fromNs, int count, double firstPeriodNs, double lastPeriodNs,
                        std::int64_t jitterNs);
};

class JackClockRig {
  public:
    // `transport`: Tarvel follows JACK's transport, which master() moves; else the master's clock.
    explicit JackClockRig(int periodFrames = 128, bool transport = false);
    JackKeyboard& master() { return *master_; }
    // Empty when all is running; else why not (e.g. no jackd).
    const std::string& failure() const { return failure_; }

    // Plays `script` from a little after now; returns the frame of its time zero. Waits until it
    // is played and `settleMs` more.
    std::int64_t Play(const ClockScript& script, int settleMs = 300);
    static std::int64_t FrameOfNs(std::int64_t ns) {
        return ns * JackHarness::kSampleRate / 1'000'000'000;
    }
    // Note-ons (0x90) or note-offs (0x80) on channel 0 at the monitor, in arrival order.
    std::vector<StampedMessage> Notes(bool on);
    CFennoralDoc& doc() { return *doc_; }
    int Xruns() const { return jack_.Xruns(); }

  private:
    std::string failure_;
    JackHarness jack_;
    std::optional<JackKeyboard> master_, monitor_;
    std::optional<RtMidiOutDriver> driver_;
    RecordingUi ui_;
    std::unique_ptr<JackTransport> transport_;  // outlives the document, whose clock reads it
    std::unique_ptr<CFennoralDoc> doc_;
    std::optional<DocumentMidiInput> sink_;
    std::unique_ptr<JackMidiIn> input_;
};

}  // namespace tarvel::testing
