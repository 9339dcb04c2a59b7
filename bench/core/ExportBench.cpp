// Exporting the demo song as the user waits for it, through the document, files included: as a
// MIDI file (goal: at most 50 ms) and as a WAV file (goal: at least ten times faster than the
// song plays, shown as times_real_time).
#include <benchmark/benchmark.h>

#include <memory>

#include "support/RecordingUi.h"
#include "support/TempFolder.h"

namespace tarvel {
namespace {

constexpr const char* kDemo = TARVEL_SOURCE_DIR "/examples/demo.trv";

void BM_ExportDemoAsMidiFile(benchmark::State& state) {
    testing::TestDocument t;
    testing::TempFolder folder;
    if (!t.doc->LoadSong(kDemo)) state.SkipWithError("the demo song did not load");
    for (auto _ : state)
        if (!t.doc->ExportMidiSong(folder.Path("demo.mid"))) state.SkipWithError("failed");
}
BENCHMARK(BM_ExportDemoAsMidiFile)->Unit(benchmark::kMillisecond);

void BM_ExportDemoAsAudioFile(benchmark::State& state) {
    testing::TestDocument t;
    testing::TempFolder folder;
    if (!t.doc->LoadSong(kDemo)) state.SkipWithError("the demo song did not load");
    const auto song = std::make_unique<Song>();
    std::int32_t loopStart;
    std::int32_t loopEnd;
    t.doc->CopySong(*song, loopStart, loopEnd);
    RenderedPass pass;
    std::string whyNot;
    RenderSongPass(*song, loopEnd, pass, whyNot);
    const AudioExportSettings settings;
    for (auto _ : state)
        if (!t.doc->ExportAudioSong(folder.Path("demo.wav"), settings, {}))
            state.SkipWithError("failed");
    // Seconds of sound (the song and its tail) made per second.
    state.counters["times_real_time"] =
        benchmark::Counter((pass.LengthMs() + settings.tailMs) / 1000.0,
                           benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ExportDemoAsAudioFile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace
}  // namespace tarvel
