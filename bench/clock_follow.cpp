// Measures following a MIDI clock master on a private JACK server: a master client sends Start
// and clocks at 125 BPM, each moved by a uniform +-1 ms (as USB MIDI does), then a ramp from 90
// to 180 BPM over 8 bars; a monitor hears Tarvel's notes, one per line. Prints when the lines
// locked (from which line on each stays within 0.5 ms of the steady lateness), the tempo error
// after lock, the p99 and largest distance of a line from the master's nominal sixth clock
// (less the constant latency), and whether the ramp skipped or doubled a line.
//
//   clock_follow [seconds at 125 BPM] [period-frames]     (default 30 s, 128 frames)
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "support/JackClockRig.h"

namespace tarvel {
namespace {

constexpr std::int64_t kMs = 1'000'000;
constexpr double kClockNs125 = 60e9 / (125 * 24);

struct Lines {
    std::vector<double> latenessMs;  // each line's note minus its nominal sixth clock
    std::vector<int> rows;
};

Lines Measure(testing::JackClockRig& rig, const testing::ClockScript& script,
              std::size_t firstClock, std::size_t lines, std::size_t firstNote, std::int64_t zero) {
    const std::vector<testing::StampedMessage> ons = rig.Notes(true);
    Lines got;
    for (std::size_t line = 0; line < lines && firstNote + line < ons.size(); ++line) {
        const auto& note = ons[firstNote + line];
        const std::int64_t nominal =
            zero + rig.FrameOfNs(script.nominalClockNs[firstClock + line * 6]);
        got.latenessMs.push_back(static_cast<double>(note.frame - nominal) * 1000.0 /
                                 testing::JackHarness::kSampleRate);
        got.rows.push_back(note.bytes[1] - 36);
    }
    return got;
}

double Percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(p * static_cast<double>(values.size() - 1))];
}

int Run(int seconds, int period) {
    testing::JackClockRig rig(period);
    if (!rig.failure().empty()) return std::fprintf(stderr, "%s\n", rig.failure().c_str()), 1;
    const int steadyLines = seconds * 1000 / 120;
    testing::ClockScript script;
    script.Add(0, 0xFA);
    std::int64_t at = script.Clocks(1 * kMs, steadyLines * 6, kClockNs125, kClockNs125, 1 * kMs);
    const int rampLines = 8 * 16;  // 8 bars of 4 beats of 4 lines
    at = script.Clocks(at, rampLines * 6, 60e9 / (90 * 24), 60e9 / (180 * 24), 1 * kMs);
    script.Add(at, 0xFC);
    const int xrunsBefore = rig.Xruns();
    const std::int64_t zero = rig.Play(script);

    const Lines steady = Measure(rig, script, 0, steadyLines, 0, zero);
    const Lines ramp = Measure(rig, script, steadyLines * 6, rampLines, steadyLines, zero);
    const std::size_t heard = rig.Notes(true).size();
    if (static_cast<int>(steady.latenessMs.size()) < steadyLines)
        return std::fprintf(stderr, "only %zu lines heard\n", heard), 1;
    // The steady lateness: the median of the second half, long after any lock.
    const std::vector<double> late(steady.latenessMs.begin() + steadyLines / 2,
                                   steady.latenessMs.end());
    const double settled = Percentile(late, 0.5);
    int lockLine = steadyLines;
    for (int line = steadyLines - 1; line >= 0; --line) {
        if (std::abs(steady.latenessMs[line] - settled) > 0.5) break;
        lockLine = line;
    }
    std::vector<double> distance;
    for (int line = lockLine; line < steadyLines; ++line)
        distance.push_back(std::abs(steady.latenessMs[line] - settled));
    // Tempo after lock: the line interval measured over the locked lines against 120 ms.
    const double spanMs = steady.latenessMs.back() - steady.latenessMs[lockLine];
    const double tempoErrorPct = 100.0 * spanMs / (120.0 * std::max(1, steadyLines - 1 - lockLine));
    int skippedOrDoubled = 0;
    for (std::size_t i = 1; i < ramp.rows.size(); ++i)
        skippedOrDoubled += ramp.rows[i] != (ramp.rows[i - 1] + 1) % 16;
    skippedOrDoubled += static_cast<int>(rampLines - ramp.rows.size());
    std::vector<double> rampDistance;
    for (double l : ramp.latenessMs) rampDistance.push_back(std::abs(l - settled));

    std::printf("MIDI clock at 125 BPM +-1 ms jitter, %d s, JACK period %d frames\n", seconds,
                period);
    std::printf("  locked at line %d (%.2f beats after Start)\n", lockLine, lockLine / 4.0);
    std::printf("  tempo error after lock %.4f %%  (goal <= 0.1 %%)\n", std::abs(tempoErrorPct));
    std::printf(
        "  line start vs the master's 6th clock: constant %.3f ms, p99 %.3f ms, max %.3f "
        "ms  (goal p99 <= 0.5 ms)\n",
        settled, Percentile(distance, 0.99), Percentile(distance, 1.0));
    std::printf(
        "ramp 90 -> 180 BPM over 8 bars: %zu lines heard of %d, %d skipped or doubled; "
        "distance p99 %.3f ms, max %.3f ms\n",
        ramp.rows.size(), rampLines, skippedOrDoubled, Percentile(rampDistance, 0.99),
        Percentile(rampDistance, 1.0));
    std::printf("xruns %d\n", rig.Xruns() - xrunsBefore);
    return 0;
}

}  // namespace
}  // namespace tarvel

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
    const int period = argc > 2 ? std::atoi(argv[2]) : 128;
    return tarvel::Run(std::max(2, seconds), period);
}
