// Measures the player's clock as it really runs: the 2 ms timer thread plays a dense song into
// recording ports under the document lock, and every call's lateness against its deadline is
// kept. Prints lateness p50 / p99 / max and the drift of ticks played against wall-clock time.
//
//   timer_lateness [seconds] [--busy] [--window-load] [--midi-flood]
//   timer_lateness [seconds] --synth
//     seconds        how long to run (default 30)
//     --busy         keep every core busy with an ordinary thread meanwhile
//     --window-load  a second thread does the window's heaviest work over and over meanwhile
//                    (open, New, save, a full block paste, interpolation, pattern commands,
//                    undo and redo, the display model of a 1920 x 1080 view, 512 notes
//                    recorded from input, all programs sent) and the longest time each kind of
//                    work held the lock is printed, with the holds over budget and, beside
//                    them, the same tail of a bare copy without the lock
//     --midi-flood   a MIDI input sweeps a controller at ten times a MIDI cable's rate (a
//                    message every 100 us) through thru meanwhile
//     --synth        instead: a line of 60 ms with a program change before its note, played
//                    twice, once with the real built-in synth as device 0 (its sound into a
//                    private JACK server) and once without it; prints the lateness of each and
//                    the worst gap between the notes, which a device beside the synth receives
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "document/UndoableEdits.h"
#include "editor/DisplayModel.h"
#include "editor/ViewPlacement.h"
#include "platform/PeriodicTimer.h"
#include "platform/SynthMidiOut.h"
#include "song/SongFile.h"
#include "support/DenseSong.h"
#include "support/JackHarness.h"
#include "support/RecordingUi.h"
#include "support/TempFolder.h"

namespace tarvel {
namespace {

constexpr std::int64_t kPeriodNs = 2'000'000;
constexpr int kWorkKinds = 11;

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

// One kind of the window's work, with the lock holds it took.
struct WatchedWork {
    const char* name;
    HoldWatch holds;
};

// The window thread's heaviest work, in a loop, each kind with its lock holds watched.
void WindowLoad(CFennoralDoc& doc, const std::atomic<bool>& stop, WatchedWork (&work)[kWorkKinds]) {
    std::vector<std::uint8_t> denseFile;
    {
        // Copied out in short holds and encoded outside them, as a save does: encoding under
        // the lock would itself keep the clock waiting for milliseconds.
        auto copy = std::make_unique<Song>();
        std::int32_t loopStart = 0, loopEnd = 0;
        doc.CopySong(*copy, loopStart, loopEnd);
        std::vector<std::uint8_t> stream;
        WriteSongStream(*copy, loopStart, loopEnd, stream);
        denseFile = EncodeSongFile(stream);
    }
    testing::TempFolder folder;
    SetViewSize(doc.songEditor, 1920, 1080);
    DisplayModel model;
    int kind = 0;
    const auto watched = [&](auto&& run) {
        WatchedWork& w = work[kind++];
        w.holds.thread = std::this_thread::get_id();
        doc.mutex.Watch(&w.holds);
        run();
        doc.mutex.Watch(nullptr);
    };
    while (!stop.load()) {
        kind = 0;
        watched([&] { doc.NewSong(); });
        watched([&] { (void)doc.LoadSongFromBytes(denseFile, "dense"); });
        {
            std::lock_guard lock(doc.mutex);
            EditorState& e = doc.editor;
            e.currentPattern = 0;
            e.blockMarked = 1;
            e.blockStartTrack = e.blockStartLine = 0;
            e.blockEndTrack = kTrackCount - 1;
            e.blockEndLine = kPatternLines - 1;
        }
        watched([&] {
            RunEditCommandAsEdit(doc, EditCommand::Copy);
            RunEditCommandAsEdit(doc, EditCommand::Paste);
        });
        watched([&] {
            RunEditCommandAsEdit(doc, EditCommand::InterpolateVelocity);
            RunEditCommandAsEdit(doc, EditCommand::InterpolateParameter);
        });
        watched([&] {
            RunPatternCommandAsEdit(doc, PatternCommand::Copy);
            RunPatternCommandAsEdit(doc, PatternCommand::Paste);
        });
        watched([&] {
            while (doc.Undo()) {
            }
        });
        watched([&] {
            while (doc.Redo()) {
            }
        });
        watched([&] {
            const int parts = [&] {
                std::lock_guard lock(doc.mutex);
                return DisplayModelParts(doc.songEditor);
            }();
            for (int part = 0; part < parts; ++part) {
                std::lock_guard lock(doc.mutex);
                BuildDisplayModelPart(doc.songEditor, model, part);
            }
        });
        {
            std::lock_guard lock(doc.mutex);
            doc.editor.recordMode = 1;
        }
        for (int i = 0; i < InputRecording::kCapacity; ++i)
            doc.ReceiveMidi({0x90, static_cast<std::uint8_t>(40 + i % 40), 100});
        {
            std::lock_guard lock(doc.mutex);
            doc.editor.recordMode = 0;
        }
        watched([&] { doc.TakeInputEdits(); });
        watched([&] {
            std::lock_guard lock(doc.mutex);
            doc.SendAllPrograms();
        });
        watched([&] { (void)doc.SaveSong(folder.Path("song.trv")); });
    }
}

double Microseconds(std::int64_t ns) {
    return static_cast<double>(ns) / 1000.0;
}

std::int64_t ThreadCpuNs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

// The machine's own tail: a window hold's smallest unit of work, one piece of a song's copy,
// done `times` over with no lock at all. What a hold's own time shows beyond its work (an
// interrupt, the hypervisor taking the processor) shows here too, at the same rate.
void PrintBareCopyTail(std::int64_t times) {
    std::vector<unsigned char> from(std::size_t{4} << 20, 1), to(from.size());
    const std::size_t places = from.size() / kShortHoldPieceBytes;
    std::int64_t longest = 0, overBudget = 0;
    for (std::int64_t i = 0; i < times; ++i) {
        const std::size_t at = static_cast<std::size_t>(i) % places * kShortHoldPieceBytes;
        const std::int64_t start = ThreadCpuNs();
        std::memcpy(to.data() + at, from.data() + at, kShortHoldPieceBytes);
        const std::int64_t cost = ThreadCpuNs() - start;
        longest = std::max(longest, cost);
        if (cost > kWindowHoldBudgetNs) ++overBudget;
    }
    std::printf("  %-14s %8lld times, longest %7.1f us own time, %lld over %.0f us\n", "bare copy",
                static_cast<long long>(times), Microseconds(longest),
                static_cast<long long>(overBudget), Microseconds(kWindowHoldBudgetNs));
}

// How one run of the real clock went.
struct ClockRun {
    std::vector<std::int64_t> lateness;  // sorted
    std::size_t played = 0;              // 0: the clock did not start
    std::int64_t due = 0;
    std::int64_t skipped = 0;
    bool realtime = false;
};

// Plays `doc` on the real 2 ms clock for `seconds`, each tick as the document's clock runs it.
ClockRun PlayOnTheClock(CFennoralDoc& doc, int seconds) {
    Measurement m{&doc, std::vector<std::int64_t>(static_cast<std::size_t>(seconds) * 600)};
    PeriodicTimer timer;
    ClockRun run;
    if (!timer.Start(kPeriodNs, &MeasuredTick, &m)) {
        std::fprintf(stderr, "the timer thread could not be started\n");
        return run;
    }
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    // Ticks finished against ticks due by now, counted from the first deadline; a tick that is
    // due but still running (or waking) counts as behind.
    run.played = m.calls.load(std::memory_order_acquire);
    run.due = (PeriodicTimer::MonotonicNowNs() - m.firstDeadline.load()) / kPeriodNs + 1;
    timer.Stop();
    run.skipped = timer.SkippedCalls();
    run.realtime = timer.IsRealtime();
    run.lateness.assign(
        m.lateness.begin(),
        m.lateness.begin() + static_cast<std::ptrdiff_t>(std::min(run.played, m.lateness.size())));
    std::sort(run.lateness.begin(), run.lateness.end());
    return run;
}

void PrintLateness(const ClockRun& run) {
    const std::vector<std::int64_t>& late = run.lateness;
    const auto percentile = [&late](double p) {
        return late.empty() ? 0 : late[static_cast<std::size_t>(p * (late.size() - 1))];
    };
    std::printf("lateness   p50 %.1f us   p99 %.1f us   max %.1f us\n",
                Microseconds(percentile(0.50)), Microseconds(percentile(0.99)),
                Microseconds(late.empty() ? 0 : late.back()));
}

// Device 1 of the --synth runs: keeps the time each note-on was sent.
class NoteOnTimes final : public MidiOutDriver {
  public:
    explicit NoteOnTimes(std::size_t capacity) : times_(capacity) {}
    int DeviceCount() override { return 1; }
    MidiOutCaps Describe(int) override { return {}; }
    bool Open(int, std::string&) override { return true; }
    void Close(int) noexcept override {}
    void Send(int, const std::uint8_t* bytes, int length) noexcept override {
        const std::size_t at = count_.load(std::memory_order_relaxed);
        if (length == 3 && (bytes[0] & 0xF0) == 0x90 && bytes[2] > 0 && at < times_.size()) {
            times_[at] = PeriodicTimer::MonotonicNowNs();
            count_.store(at + 1, std::memory_order_release);
        }
    }
    // After the clock stopped: the longest time between two note-ons beyond `lineNs`.
    std::int64_t WorstGapNs(std::int64_t lineNs) const {
        std::int64_t worst = 0;
        for (std::size_t i = 1; i < count_.load(std::memory_order_acquire); ++i)
            worst = std::max(worst, std::abs(times_[i] - times_[i - 1] - lineNs));
        return worst;
    }

  private:
    std::vector<std::int64_t> times_;
    std::atomic<std::size_t> count_{0};
};

// A line of 60 ms with a program change before its note, the program another each line, on
// the real synth or on nothing.
int RunSynth(int seconds) {
    testing::JackHarness jack(/*realtime=*/true, 256);
    if (!jack.failure().empty()) {
        std::fprintf(stderr, "no JACK server for the synth: %s\n", jack.failure().c_str());
        return 1;
    }
    for (const bool withSynth : {true, false}) {
        ChainedMidiOut devices;
        if (withSynth) {
            auto synth =
                std::make_unique<SynthMidiOut>(SynthMidiOut::kDefaultSoundFont, SynthMidiOut::kGain,
                                               std::vector<std::string>{"jack"});
            if (synth->DeviceCount() == 0) {
                std::fprintf(stderr, "no synth: %s\n", synth->Failure().c_str());
                return 1;
            }
            devices.Add(std::move(synth));
        } else {
            devices.Add(std::make_unique<NoteOnTimes>(1));  // stands where the synth stood
        }
        auto* times = new NoteOnTimes(static_cast<std::size_t>(seconds) * 20 + 100);
        devices.Add(std::unique_ptr<MidiOutDriver>(times));
        testing::RecordingUi ui;
        auto doc = std::make_unique<CFennoralDoc>(ui, devices, DocOptions{.startTimer = false});
        {
            std::lock_guard lock(doc->mutex);
            testing::PlayTimingLines(*doc, kPatternLines);
        }
        const ClockRun run = PlayOnTheClock(*doc, seconds);
        if (run.played == 0) return 1;
        std::printf("%s: %d s, SCHED_FIFO %s\n", withSynth ? "with the synth" : "without it",
                    seconds, run.realtime ? "granted" : "refused");
        PrintLateness(run);
        std::printf("worst gap  %.1f us beyond the 60 ms line\n",
                    Microseconds(times->WorstGapNs(60'000'000)));
        std::printf("JACK xruns so far %d\n", jack.Xruns());
    }
    return 0;
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

    WatchedWork work[kWorkKinds] = {
        {"New", {}},           {"open", {}},          {"block paste", {}}, {"interpolate", {}},
        {"pattern paste", {}}, {"undo", {}},          {"redo", {}},        {"display model", {}},
        {"input edits", {}},   {"send programs", {}}, {"save", {}}};
    if (windowLoad) load.emplace_back([&] { WindowLoad(*doc, stopLoad, work); });
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

    const ClockRun run = PlayOnTheClock(*doc, seconds);
    stopLoad = true;
    for (std::thread& thread : load) thread.join();
    if (run.played == 0) return 1;
    std::printf("%d s, %s%s%s, SCHED_FIFO %s, %zu messages sent\n", seconds,
                busy ? "a busy thread on every core" : "idle",
                windowLoad ? ", window work in a loop" : "",
                midiFlood ? ", a controller sweep from a MIDI input" : "",
                run.realtime ? "granted" : "refused", midi.Messages().size());
    PrintLateness(run);
    std::printf(
        "ticks      played %zu   due by wall clock %lld   drift %+lld ticks   skipped %lld\n",
        run.played, static_cast<long long>(run.due),
        static_cast<long long>(static_cast<std::int64_t>(run.played) - run.due),
        static_cast<long long>(run.skipped));
    if (windowLoad) {
        std::printf(
            "window     longest lock hold of each kind of work (its own processor time), and the\n"
            "           holds whose own time passed %.0f us\n",
            Microseconds(kWindowHoldBudgetNs));
        std::int64_t holds = 0;
        for (const WatchedWork& w : work) {
            holds += w.holds.holds.load();
            std::printf("  %-14s %8lld holds, longest %7.1f us (%6.1f us), %lld over\n", w.name,
                        static_cast<long long>(w.holds.holds.load()),
                        Microseconds(w.holds.longestNs.load()),
                        Microseconds(w.holds.longestCpuNs.load()),
                        static_cast<long long>(w.holds.overBudget.load()));
        }
        std::printf("machine    a %zu KB copy without the lock, as many times as the holds above\n",
                    kShortHoldPieceBytes / 1024);
        PrintBareCopyTail(holds);
    }
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
    bool synth = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--synth") == 0)
            synth = true;
        else if (std::strcmp(argv[i], "--busy") == 0)
            busy = true;
        else if (std::strcmp(argv[i], "--window-load") == 0)
            windowLoad = true;
        else if (std::strcmp(argv[i], "--midi-flood") == 0)
            midiFlood = true;
        else if (std::atoi(argv[i]) > 0)
            seconds = std::atoi(argv[i]);
        else {
            std::fprintf(
                stderr,
                "usage: %s [seconds] [--busy] [--window-load] [--midi-flood] | [seconds] --synth\n",
                argv[0]);
            return 2;
        }
    }
    if (synth) return tarvel::RunSynth(seconds);
    return tarvel::Run(seconds, busy, windowLoad, midiFlood);
}
