// Measures MIDI thru on JACK: a keyboard client on a private server plays notes into Tarvel's
// own input port, each at a random frame of its cycle, and listens on a port of its own that
// Tarvel's current channel is routed to. The latency of each message is its arrival frame
// minus its departure frame, both on the server's frame clock. Prints p50 / p99 / max in ms
// and the goal, one period + 0.5 ms. The player's clock runs meanwhile, with the pattern
// playing when asked.
//
//   thru_latency [period-frames] [notes] [--playing] [--window-load]
//     period-frames  the server's period (default 128; 48 kHz)
//     notes          how many note-ons (each with its note-off; default 1000)
//     --playing      a dense pattern plays on the same ports meanwhile
//     --window-load  a window thread holds the document lock for 100 us (the longest a window
//                    hold may take) every 0.5 ms meanwhile, so input often finds it taken
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "document/DocumentMidiInput.h"
#include "platform/JackMidiIn.h"
#include "platform/RtMidiOutDriver.h"
#include "support/JackHarness.h"
#include "support/JackKeyboard.h"
#include "support/RecordingUi.h"

namespace tarvel {
namespace {

double Percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1));
    return values[index];
}

int Run(int period, int notes, bool playing, bool windowLoad) {
    testing::JackHarness jack(/*realtime=*/true, period);
    if (!jack.failure().empty()) {
        std::fprintf(stderr, "%s\n", jack.failure().c_str());
        return 1;
    }
    // Listening before Tarvel lists its outputs, so that its port becomes one of them.
    testing::JackKeyboard keys("keys", /*listen=*/true);
    if (!keys.ok()) return std::fprintf(stderr, "keyboard client failed\n"), 1;
    RtMidiOutDriver driver(RtMidiOutDriver::Api::Jack, "tarvel");
    int probe = -1;
    for (int device = 0; device < driver.DeviceCount(); ++device)
        if (std::strcmp(driver.Describe(device).productName, "keys:in") == 0) probe = device;
    if (probe < 0) return std::fprintf(stderr, "keys:in is not among the outputs\n"), 1;
    testing::RecordingUi ui;
    auto doc = std::make_unique<CFennoralDoc>(ui, driver, DocOptions{.startTimer = true});
    DocumentMidiInput sink(*doc);
    auto input = JackMidiIn::Connect("tarvel-in", sink);
    if (!input || !input->Open(kOwnInputPortName) || !keys.ConnectTo(input->OwnPortName()))
        return std::fprintf(stderr, "could not connect to Tarvel's input\n"), 1;
    {
        std::lock_guard lock(doc->mutex);
        for (int channel = 0; channel < kTrackCount; ++channel)
            doc->SetChannelDevice(channel, probe);
        if (playing) {
            for (int line = 0; line < 64; ++line)
                for (int column = 0; column < kTrackCount; ++column)
                    doc->song.patterns[0].cells[line][column] = {
                        static_cast<std::uint8_t>(100 + column), 100, kNoCommand, 0};
            doc->StartPlayback(kPatternMode);
        }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // connections settle
    std::atomic<bool> stopLoad{false};
    std::thread window;
    if (windowLoad)
        window = std::thread([&] {
            while (!stopLoad.load()) {
                {
                    std::lock_guard lock(doc->mutex);
                    const auto until =
                        std::chrono::steady_clock::now() + std::chrono::microseconds(100);
                    while (std::chrono::steady_clock::now() < until) {
                    }
                }
                std::this_thread::sleep_for(std::chrono::microseconds(400));
            }
        });

    // The keyboard sends one message a cycle: a little more than a period apart.
    const auto gap = std::chrono::microseconds(1000 + period * 1'000'000LL / 48'000);
    for (int i = 0; i < notes; ++i) {
        const auto note = static_cast<std::uint8_t>(40 + i % 40);
        keys.Play(0x90, note, 100);
        std::this_thread::sleep_for(gap);
        keys.Play(0x80, note, 0);
        std::this_thread::sleep_for(gap);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    stopLoad = true;
    if (window.joinable()) window.join();
    doc->CloseMidiPorts();
    const std::vector<testing::StampedMessage> sent = keys.Sent();
    std::vector<testing::StampedMessage> received;
    // Only what thru played: the player's own notes are 100 and above.
    for (const auto& message : keys.Received())
        if ((message.bytes[0] & 0xE0) == 0x80 && message.bytes[1] < 100)
            received.push_back(message);
    // Each message sent is matched with the next one received of the same kind and note; a
    // server that falls behind (an xrun) may drop a cycle's messages on the way.
    std::vector<double> latencyMs;
    int lost = 0;
    std::size_t next = 0;
    for (const testing::StampedMessage& out : sent) {
        std::size_t at = next;
        while (at < received.size() && at < next + 8 &&
               ((received[at].bytes[0] & 0xF0) != (out.bytes[0] & 0xF0) ||
                received[at].bytes[1] != out.bytes[1]))
            ++at;
        if (at >= received.size() || at >= next + 8) {
            ++lost;
            continue;
        }
        latencyMs.push_back(static_cast<double>(received[at].frame - out.frame) * 1000.0 /
                            testing::JackHarness::kSampleRate);
        next = at + 1;
    }
    if (latencyMs.empty()) return std::fprintf(stderr, "nothing came through\n"), 1;
    const double periodMs = period * 1000.0 / testing::JackHarness::kSampleRate;
    std::printf("period %d frames (%.3f ms)%s%s: %zu sent, %zu received, %d unmatched\n", period,
                periodMs, playing ? ", pattern playing" : "", windowLoad ? ", window load" : "",
                sent.size(), received.size(), lost);
    std::printf("thru latency ms: p50 %.3f  p99 %.3f  max %.3f  (goal p99 <= %.3f); xruns %d\n",
                Percentile(latencyMs, 0.5), Percentile(latencyMs, 0.99), Percentile(latencyMs, 1.0),
                periodMs + 0.5, jack.Xruns());
    return 0;
}

}  // namespace
}  // namespace tarvel

int main(int argc, char** argv) {
    int period = 128;
    int notes = 1000;
    bool playing = false;
    bool windowLoad = false;
    int positional = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--playing") == 0)
            playing = true;
        else if (std::strcmp(argv[i], "--window-load") == 0)
            windowLoad = true;
        else if (positional++ == 0)
            period = std::atoi(argv[i]);
        else
            notes = std::atoi(argv[i]);
    }
    if (period < 16 || notes < 1) {
        std::fprintf(stderr,
                     "usage: thru_latency [period-frames] [notes] [--playing] [--window-load]\n");
        return 2;
    }
    return tarvel::Run(period, notes, playing, windowLoad);
}
