#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <mutex>

#include "editor/DisplayModel.h"
#include "editor/ViewPlacement.h"
#include "support/RecordingUi.h"

namespace tarvel {
namespace {

// A busy screen: every shown cell and slot filled, names, transposes, marks and a play line,
// so each row of cells and 16 slots costs what it costs in a real song, at any view size.
void FillScreen(CFennoralDoc& doc) {
    Song& song = doc.song;
    for (int pattern = 0; pattern < 16; ++pattern) SetPatternName(doc.song, pattern, "Groove A");
    for (int line = 0; line < kPatternLines; ++line)
        for (int track = 0; track < kTrackCount; ++track)
            song.patterns[0].cells[line][track] = {static_cast<std::uint8_t>(36 + line % 48), 0x64,
                                                   0x07, static_cast<std::uint8_t>(line)};
    for (int row = 0; row < 100 * 16; ++row)
        for (int track = 0; track < kTrackCount; ++track)
            song.sequence[row][track] = {static_cast<std::uint8_t>((row / 16 + track) % 20),
                                         static_cast<std::int8_t>(track % 3 - 1), 0};
    EditorState& e = doc.editor;
    e.blockMarked = 1;
    e.blockEndTrack = 2;
    e.blockEndLine = 7;
    e.cursorLine = 3;
    e.cursorTrack = 1;
    doc.player.playRow = 40;
}

// Arguments: the view's width and height, and what is built: -1 the whole model, else that part
// of it (the window builds each part in a lock hold of its own; the last is the pattern pane).
// 802 x 324 is the classic view, 1920 x 1080 shows all 16 tracks and 88 rows.
void BM_BuildDisplayModel(benchmark::State& state) {
    testing::TestDocument t;
    CFennoralDoc& doc = *t.doc;
    SetViewSize(doc.songEditor, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    std::lock_guard lock(doc.mutex);
    FillScreen(doc);
    DisplayModel model;
    BuildDisplayModel(doc.songEditor, model);
    const int parts = DisplayModelParts(doc.songEditor);
    const int part = static_cast<int>(std::min<std::int64_t>(state.range(2), parts - 1));
    for (auto _ : state) {
        if (part < 0) {
            BuildDisplayModel(doc.songEditor, model);
        } else {
            model.items.clear();
            BuildDisplayModelPart(doc.songEditor, model, part);
        }
        benchmark::DoNotOptimize(model.items.data());
        benchmark::ClobberMemory();
    }
    state.counters["items"] = static_cast<double>(model.items.size());
    state.counters["parts"] = parts;
}
BENCHMARK(BM_BuildDisplayModel)
    ->ArgNames({"width", "height", "part"})
    ->Args({802, 324, -1})
    ->Args({1920, 1080, -1})
    ->Args({1920, 1080, 0})
    ->Args({1920, 1080, 1})
    ->Args({1920, 1080, 99})
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tarvel
