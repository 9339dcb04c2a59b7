#include <benchmark/benchmark.h>

#include <mutex>

#include "song/SongFile.h"
#include "support/RecordingUi.h"
#include "support/TempFolder.h"

namespace tarvel {
namespace {

constexpr const char* kDemo = TARVEL_SOURCE_DIR "/examples/demo.trv";

// The file of a new song; its size is the figure that matters.
void BM_EmptySongFile(benchmark::State& state) {
    testing::TestDocument t;
    std::vector<std::uint8_t> stream;
    {
        std::lock_guard lock(t.doc->mutex);
        WriteSongStream(t.doc->song, t.doc->editor.loopStartRow, t.doc->editor.loopEndRow, stream);
    }
    std::size_t bytes = 0;
    for (auto _ : state) bytes = EncodeSongFile(stream).size();
    state.counters["file_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_EmptySongFile)->Unit(benchmark::kMillisecond);

void ForgetWhatWasShown(testing::TestDocument& t) {
    t.ui.Clear();
    t.midi.Clear();
}

// What the user waits for: a save of the demo song and opening it again, files included.
void BM_SaveAndLoadDemo(benchmark::State& state) {
    testing::TestDocument t;
    testing::TempFolder folder;
    const std::string path = folder.Path("demo.trv");
    if (!t.doc->LoadSong(kDemo)) state.SkipWithError("the demo song did not load");
    for (auto _ : state) {
        if (!t.doc->SaveSong(path) || !t.doc->LoadSong(path)) state.SkipWithError("failed");
        state.PauseTiming();
        ForgetWhatWasShown(t);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SaveAndLoadDemo)->Unit(benchmark::kMillisecond);

void BM_SaveDemo(benchmark::State& state) {
    testing::TestDocument t;
    testing::TempFolder folder;
    if (!t.doc->LoadSong(kDemo)) state.SkipWithError("the demo song did not load");
    for (auto _ : state)
        if (!t.doc->SaveSong(folder.Path("demo.trv"))) state.SkipWithError("not saved");
}
BENCHMARK(BM_SaveDemo)->Unit(benchmark::kMillisecond);

// The same without waiting for the disk: how much of a save is the flush that makes it safe.
void BM_SaveDemoWithoutFlush(benchmark::State& state) {
    testing::TestDocument t;
    testing::TempFolder folder;
    if (!t.doc->LoadSong(kDemo)) state.SkipWithError("the demo song did not load");
    t.doc->fileCalls.fsync = [](int) { return 0; };
    for (auto _ : state)
        if (!t.doc->SaveSong(folder.Path("demo.trv"))) state.SkipWithError("not saved");
}
BENCHMARK(BM_SaveDemoWithoutFlush)->Unit(benchmark::kMillisecond);

void BM_LoadDemo(benchmark::State& state) {
    testing::TestDocument t;
    for (auto _ : state) {
        if (!t.doc->LoadSong(kDemo)) state.SkipWithError("the demo song did not load");
        state.PauseTiming();
        ForgetWhatWasShown(t);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_LoadDemo)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarvel
