#include <benchmark/benchmark.h>

#include <mutex>

#include "support/DenseSong.h"
#include "support/RecordingUi.h"

namespace tarvel {
namespace {

// A document playing the worst line there is: 16 tracks x 16 cells, each cell a controller and
// a note (the note also releases the one before it), in song mode.
struct BusyDocument {
    explicit BusyDocument(int devices)
        : midi(devices, kCapacity),
          doc(std::make_unique<CFennoralDoc>(ui, midi, DocOptions{.startTimer = false})) {
        std::lock_guard lock(doc->mutex);
        FillDenseSong(*doc, testing::Density::ControllersAndNotes);
        doc->StartPlayback(kSongMode);
    }
    static constexpr std::size_t kCapacity = 1 << 20;

    testing::RecordingUi ui;
    RecordingMidiOut midi;
    std::unique_ptr<CFennoralDoc> doc;
};

void BM_WorstCaseLineStart(benchmark::State& state) {
    BusyDocument busy(static_cast<int>(state.range(0)));
    CFennoralDoc& doc = *busy.doc;
    std::lock_guard lock(doc.mutex);
    const std::size_t messagesPerLine = 256 * (state.range(0) + 2);
    std::size_t lines = 0;
    for (auto _ : state) {
        doc.player.lineClock = 0;
        doc.player.playRow = 0;  // row 0 starts every track's pattern: slots are read too
        doc.PlayerTick();
        if (++lines * messagesPerLine > BusyDocument::kCapacity - messagesPerLine) {
            state.PauseTiming();
            busy.midi.Clear();
            lines = 0;
            state.ResumeTiming();
        }
    }
    state.counters["messages/line"] = static_cast<double>(messagesPerLine);
}
BENCHMARK(BM_WorstCaseLineStart)->ArgName("ports")->Arg(1)->Arg(4)->Unit(benchmark::kMicrosecond);

// Most ticks only count: no line starts and no half-line point is reached.
void BM_QuietTick(benchmark::State& state) {
    BusyDocument busy(1);
    CFennoralDoc& doc = *busy.doc;
    std::lock_guard lock(doc.mutex);
    doc.PlayerTick();
    for (auto _ : state) {
        doc.player.lineClock = 2;
        doc.PlayerTick();
    }
}
BENCHMARK(BM_QuietTick);

}  // namespace
}  // namespace tarvel
