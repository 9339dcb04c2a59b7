// Measures timing at a JACK monitor client on a private server (dummy driver): the real 2 ms
// clock plays a note on every line at BPM 130 (116 ms lines, so a clock every 19.33 ms: not a
// whole number of ticks) with MIDI clock out to the monitor. Prints, per period size:
//   - onset jitter: each message's arrival at the monitor minus its due time, minus the median
//     of that (the constant latency): p50 / p99 / max of its size;
//   - clock interval jitter: each interval between clocks at the monitor minus the interval
//     between their due times: p99 / max of its size;
//   - drift: the clock due at each line start against that line's note at the monitor, first
//     and last line, and the count of clocks per line.
//
//   jack_jitter [seconds] [period frames...]     (default: 60 s at 64 and at 1024 frames)
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "JackMonitor.h"
#include "platform/JackMidiOut.h"
#include "platform/RtMidiOutDriver.h"
#include "support/JackHarness.h"
#include "support/RecordingUi.h"

namespace tarvel {
namespace {

double Percentile(std::vector<std::int64_t> values, double fraction) {
    if (values.empty()) return 0;
    const auto at = static_cast<std::ptrdiff_t>(fraction * static_cast<double>(values.size() - 1));
    std::nth_element(values.begin(), values.begin() + at, values.end());
    return static_cast<double>(values[static_cast<std::size_t>(at)]) / 1e6;
}

std::vector<std::int64_t> Magnitudes(std::vector<std::int64_t> values, std::int64_t around) {
    for (auto& value : values) value = std::abs(value - around);
    return values;
}

int Measure(int seconds, int periodFrames) {
    testing::JackHarness jack(/*realtime=*/true, periodFrames);
    if (!jack.failure().empty()) {
        std::fprintf(stderr, "%s\n", jack.failure().c_str());
        return 1;
    }
    const std::size_t capacity = static_cast<std::size_t>(seconds) * 1000 + 1000;
    bench::JackMonitor monitor("jitter-monitor", capacity);
    if (!monitor.failure().empty()) {
        std::fprintf(stderr, "%s\n", monitor.failure().c_str());
        return 1;
    }
    RtMidiOutDriver driver(RtMidiOutDriver::Api::Jack, "tarvel-jitter");
    int device = -1;
    for (int i = 0; i < driver.DeviceCount(); ++i)
        if (driver.Describe(i).productName == monitor.PortName()) device = i;
    if (device < 0) {
        std::fprintf(stderr, "the monitor's port is not among the devices\n");
        return 1;
    }
    bench::DueTimeLog log(driver, capacity);
    log.Watch(device);
    testing::RecordingUi ui;
    auto doc = std::make_unique<CFennoralDoc>(ui, log, DocOptions{.startTimer = true});
    for (int wait = 0; wait < 500 && !monitor.IsConnected(); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    {
        std::lock_guard lock(doc->mutex);
        doc->SetBpm(130);
        doc->song.channelDevice[0] = static_cast<std::uint8_t>(device);
        doc->song.patterns[0].lineCount = 1;
        doc->song.patterns[0].cells[0][0] = {60, 100, kNoCommand, 0};
        doc->editor.currentPattern = 0;
        doc->editor.currentChannel = 0;
        doc->SetSendsClock(device, true);
        doc->StartPlayback(kPatternMode);
    }
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    {
        std::lock_guard lock(doc->mutex);
        doc->StopPlayback();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200 + periodFrames * 1000 / 48000 * 3));
    doc->CloseMidiPorts();

    const auto sent = log.Sent();
    const auto matched = bench::MatchSentToReceived(sent, monitor.Received());
    std::vector<std::int64_t> sorted = matched.latenessNs;
    const double medianMs = Percentile(sorted, 0.5);
    const auto medianNs = static_cast<std::int64_t>(std::llround(medianMs * 1e6));
    const auto onset = Magnitudes(matched.latenessNs, medianNs);
    // Sends that came after the margin JACK output allows for: the timer thread itself was late
    // (a stalled or overloaded machine), which no placement in JACK can undo.
    std::vector<std::int64_t> onsetOnTime;
    std::size_t lateSends = 0;
    for (std::size_t i = 0; i < matched.dues.size(); ++i) {
        if (matched.dues[i].sentNs - matched.dues[i].timeNs > JackMidiOut::kSendMarginUs * 1000)
            ++lateSends;
        else
            onsetOnTime.push_back(onset[i]);
    }

    std::vector<std::int64_t> intervalError;
    std::int64_t lastArrival = 0, lastDue = 0;
    int clocks = 0, notes = 0, clocksAtLines = 0;
    std::vector<std::int64_t> lineSkew;  // line-start clock arrival minus the note's arrival
    std::int64_t clockAtLineStart = 0;
    for (std::size_t i = 0; i < matched.arrivals.size(); ++i) {
        const auto& arrival = matched.arrivals[i];
        const auto& due = matched.dues[i];
        if (arrival.bytes[0] == 0xF8) {
            if (clocks > 0)
                intervalError.push_back((arrival.timeNs - lastArrival) - (due.timeNs - lastDue));
            if (clocks % 6 == 0) clockAtLineStart = arrival.timeNs;
            lastArrival = arrival.timeNs;
            lastDue = due.timeNs;
            ++clocks;
        } else if (arrival.bytes[0] == 0x90) {
            if (clocks % 6 == 1) {
                lineSkew.push_back(clockAtLineStart - arrival.timeNs);
                ++clocksAtLines;
            }
            ++notes;
        }
    }
    std::printf("period %d frames (%.2f ms), %d s, BPM 130, xruns %d\n", periodFrames,
                periodFrames * 1000.0 / testing::JackHarness::kSampleRate, seconds, jack.Xruns());
    std::printf("  messages sent %zu, matched %zu, lost %zu\n", sent.size(),
                matched.latenessNs.size(), matched.lost);
    std::printf("  latency (median arrival - due) %.3f ms\n", medianMs);
    std::printf("  onset jitter |arrival - due - median|: p50 %.3f  p99 %.3f  max %.3f ms\n",
                Percentile(onset, 0.5), Percentile(onset, 0.99), Percentile(onset, 1.0));
    std::printf(
        "  sends later than due + %.1f ms (the timer was late): %zu; onset jitter of the "
        "others: p99 %.3f  max %.3f ms\n",
        JackMidiOut::kSendMarginUs / 1000.0, lateSends, Percentile(onsetOnTime, 0.99),
        Percentile(onsetOnTime, 1.0));
    const auto interval = Magnitudes(intervalError, 0);
    std::printf("  clock interval jitter |interval - due interval|: p99 %.3f  max %.3f ms\n",
                Percentile(interval, 0.99), Percentile(interval, 1.0));
    std::printf("  clocks %d, line notes %d (%.3f clocks per line)\n", clocks, notes,
                notes ? static_cast<double>(clocks) / notes : 0.0);
    if (!lineSkew.empty())
        std::printf(
            "  line-start clock - line note at the monitor: first %.3f  last %.3f  "
            "max |.| %.3f ms over %d lines\n",
            static_cast<double>(lineSkew.front()) / 1e6, static_cast<double>(lineSkew.back()) / 1e6,
            Percentile(Magnitudes(lineSkew, 0), 1.0), clocksAtLines);
    return 0;
}

}  // namespace
}  // namespace tarvel

int main(int argc, char** argv) {
    tarvel::PrepareProcessForMidi();
    int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    if (seconds < 1) seconds = 1;
    std::vector<int> periods;
    for (int i = 2; i < argc; ++i) periods.push_back(std::atoi(argv[i]));
    if (periods.empty()) periods = {64, 1024};
    int status = 0;
    for (int period : periods) status |= tarvel::Measure(seconds, period);
    return status;
}
