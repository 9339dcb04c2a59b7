// Measures the player's clock as it really runs: the 2 ms timer thread plays a dense song into
// recording ports under the document lock, and every call's lateness against its deadline is
// kept. Prints lateness p50 / p99 / max and the drift of ticks played against wall-clock time.
//
//   timer_lateness [seconds] [--busy] [--window-load] [--midi-flood]
//     seconds        how long to run (default 30)
//     --busy         keep every core busy with an ordinary thread meanwhile
//     --window-load  a second thread does the window's heaviest work over and over meanwhile
//                    (open, New, save, a full block paste, interpolation, pattern commands,
//                    undo and redo) and the longest time it held the lock is printed
//     --midi-flood   a MIDI input sweeps a controller at ten times a MIDI cable's rate (a
//                    message every 100 us) through thru meanwhile
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "document/UndoableEdits.h"
#include "platform/PeriodicTimer.h"
#include "song/SongFile.h"
#include "support/DenseSong.h"
#include "support/RecordingUi.h"
#include "support/TempFolder.h"

namespace tarvel {
namespace {

constexpr std::int64_t kPeriodNs = 2'000'000;

struct Measurement {
    CFennoralDoc* doc;
    std::vector<std::int64_t> lateness;  // reserved up front; the timer thread only writes
    std::atomic<std::size_t> calls{0};
    std::atomic<std::int64_t> firstDeadline{0};
};

void MeasuredTick(void* context, std::int64_t deadlineNs) {
    Measurement& m = *static_cast<Measurement*>(context);
    const std::int64_t late = PeriodicTimer::MonotonicNowNs() - deadlineNs;
    if (m.calls.load(std::memory_order_relaxed) == 0) m.firstDeadline.store(deadlineNs);
    {
        std::lock_guard lock(m.doc->mutex);
        m.doc->PlayerTick();
    }
    const std::size_t index = m.calls.load(std::memory_order_relaxed);
    if (index < m.lateness.size()) m.lateness[index] = late;
    m.calls.store(index + 1, std::memory_order_release);
}

// The window thread's heaviest work, in a loop, with its lock holds watched.
void WindowLoad(CFennoralDoc& doc, const std::atomic<bool>& stop, HoldWatch& watch) {
    std::vector<std::uint8_t> denseFile;
    {
        std::vector<std::uint8_t> stream;
        std::lock_guard lock(doc.mutex);
        WriteSongStream(doc.song, doc.editor.loopStartRow, doc.editor.loopEndRow, stream);
        denseFile = EncodeSongFile(stream);
    }
    testing::TempFolder folder;
    watch.thread = std::this_thread::get_id();
    doc.mutex.Watch(&watch);
    while (!stop.load()) {
        doc.NewSong();
        doc.LoadSongFromBytes(denseFile, "dense");
        {
            std::lock_guard lock(doc.mutex);
            EditorState& e = doc.editor;
            e.currentPattern = 0;
            e.blockMarked = 1;
            e.blockStartTrack = e.blockStartLine = 0;
            e.blockEndTrack = kTrackCount - 1;
            e.blockEndLine = kPatternLines - 1;
        }
        RunEditCommandAsEdit(doc, EditCommand::Copy);
        RunEditCommandAsEdit(doc, EditCommand::Paste);
        RunEditCommandAsEdit(doc, EditCommand::InterpolateVelocity);
        RunEditCommandAsEdit(doc, EditCommand::InterpolateParameter);
        RunPatternCommandAsEdit(doc, PatternCommand::Copy);
        RunPatternCommandAsEdit(doc, PatternCommand::Paste);
        while (doc.Undo()) {
        }
        while (doc.Redo()) {
        }
        doc.SaveSong(folder.Path("song.trv"));
    }
    doc.mutex.Watch(nullptr);
}

double Microseconds(std::int64_t ns) {
    return static_cast<double>(ns) / 1000.0;
}

int Run(int seconds, bool busy, bool windowLoad, bool midiFlood) {
    testing::RecordingUi ui;
    // Room for every message of the run, so the ports never stop recording part-way.
    RecordingMidiOut midi(4, static_cast<std::size_t>(seconds) * 30000 + 100000);
    auto doc = std::make_unique<CFennoralDoc>(ui, midi, DocOptions{.startTimer = false});
    {
        std::lock_guard lock(doc->mutex);
        FillDenseSong(*doc, testing::Density::EveryCommand);
        doc->StartPlayback(kSongMode);
    }

    std::atomic<bool> stopLoad{false};
    std::vector<std::thread> load;
    if (busy) {
        for (unsigned core = 0; core < std::max(1u, std::thread::hardware_concurrency()); ++core)
            load.emplace_back([&stopLoad] {
                volatile std::uint64_t spin = 0;
                while (!stopLoad.load(std::memory_order_relaxed)) spin = spin + 1;
            });
    }

    HoldWatch windowHolds;
    if (windowLoad) load.emplace_back([&] { WindowLoad(*doc, stopLoad, windowHolds); });
    std::atomic<long> floodMessages{0};
    if (midiFlood) {
        load.emplace_back([&] {
            for (int value = 0; !stopLoad.load(std::memory_order_relaxed);
                 value = (value + 1) & 0x7F) {
                doc->ReceiveMidi({0xB0, 1, static_cast<std::uint8_t>(value)});
                floodMessages.fetch_add(1, std::memory_order_relaxed);
                std::this_thread::sleep_for(std::chrono::microseconds(100));
            }
        });
    }

    Measurement m{doc.get(), std::vector<std::int64_t>(static_cast<std::size_t>(seconds) * 600)};
    PeriodicTimer timer;
    if (!timer.Start(kPeriodNs, &MeasuredTick, &m)) {
        std::fprintf(stderr, "the timer thread could not be started\n");
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    // Ticks finished against ticks due by now, counted from the first deadline; a tick that is
    // due but still running (or waking) counts as behind.
    const std::size_t played = m.calls.load(std::memory_order_acquire);
    const std::int64_t due =
        (PeriodicTimer::MonotonicNowNs() - m.firstDeadline.load()) / kPeriodNs + 1;
    timer.Stop();
    stopLoad = true;
    for (std::thread& thread : load) thread.join();

    std::vector<std::int64_t> late(
        m.lateness.begin(),
        m.lateness.begin() + static_cast<std::ptrdiff_t>(std::min(played, m.lateness.size())));
    std::sort(late.begin(), late.end());
    const auto percentile = [&late](double p) {
        return late.empty() ? 0 : late[static_cast<std::size_t>(p * (late.size() - 1))];
    };
    std::printf("%d s, %s%s%s, SCHED_FIFO %s, %zu messages sent\n", seconds,
                busy ? "a busy thread on every core" : "idle",
                windowLoad ? ", window work in a loop" : "",
                midiFlood ? ", a controller sweep from a MIDI input" : "",
                timer.IsRealtime() ? "granted" : "refused", midi.Messages().size());
    std::printf("lateness   p50 %.1f us   p99 %.1f us   max %.1f us\n",
                Microseconds(percentile(0.50)), Microseconds(percentile(0.99)),
                Microseconds(late.empty() ? 0 : late.back()));
    std::printf(
        "ticks      played %zu   due by wall clock %lld   drift %+lld ticks   skipped %lld\n",
        played, static_cast<long long>(due),
        static_cast<long long>(static_cast<std::int64_t>(played) - due),
        static_cast<long long>(timer.SkippedCalls()));
    if (windowLoad)
        std::printf(
            "window     %lld lock holds, longest %.1f us (%.1f us of its own processor time)\n",
            static_cast<long long>(windowHolds.holds.load()),
            Microseconds(windowHolds.longestNs.load()),
            Microseconds(windowHolds.longestCpuNs.load()));
    if (midiFlood)
        std::printf("midi input %ld controller messages played through\n", floodMessages.load());
    return 0;
}

}  // namespace
}  // namespace tarvel

int main(int argc, char** argv) {
    int seconds = 30;
    bool busy = false;
    bool windowLoad = false;
    bool midiFlood = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--busy") == 0)
            busy = true;
        else if (std::strcmp(argv[i], "--window-load") == 0)
            windowLoad = true;
        else if (std::strcmp(argv[i], "--midi-flood") == 0)
            midiFlood = true;
        else if (std::atoi(argv[i]) > 0)
            seconds = std::atoi(argv[i]);
        else {
            std::fprintf(stderr, "usage: %s [seconds] [--busy] [--window-load] [--midi-flood]\n",
                         argv[0]);
            return 2;
        }
    }
    return tarvel::Run(seconds, busy, windowLoad, midiFlood);
}
