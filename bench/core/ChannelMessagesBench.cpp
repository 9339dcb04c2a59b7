#include <benchmark/benchmark.h>

#include <mutex>

#include "support/RecordingUi.h"

namespace tarvel {
namespace {

void BM_ResetSong(benchmark::State& state) {
    testing::TestDocument t;
    std::lock_guard lock(t.doc->mutex);
    for (auto _ : state) {
        t.doc->ResetSong();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ResetSong)->Unit(benchmark::kMicrosecond);

void BM_NoteOnNoteOff(benchmark::State& state) {
    testing::TestDocument t;
    std::lock_guard lock(t.doc->mutex);
    int pairs = 0;
    for (auto _ : state) {
        t.doc->NoteOn(0, 0, 60, 100);
        t.doc->NoteOff(0, 0);
        if (++pairs == 30000) {  // keep the recorder from filling up
            pairs = 0;
            state.PauseTiming();
            t.midi.Clear();
            state.ResumeTiming();
        }
    }
}
BENCHMARK(BM_NoteOnNoteOff);

}  // namespace
}  // namespace tarvel
