#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "document/UndoableEdits.h"
#include "editor/KeyEditing.h"
#include "support/DenseSong.h"
#include "support/RecordingUi.h"

namespace tarvel {
namespace {

void MarkWholePattern(CFennoralDoc& doc, int pattern) {
    std::lock_guard lock(doc.mutex);
    EditorState& e = doc.editor;
    e.sequencerFocus = 0;
    e.currentPattern = pattern;
    e.blockMarked = 1;
    e.blockStartTrack = e.blockStartLine = 0;
    e.blockEndTrack = kTrackCount - 1;
    e.blockEndLine = kPatternLines - 1;
    e.cursorTrack = e.cursorLine = 0;
}

// The largest step: a 16-track x 256-line block pasted over a different full pattern. One
// iteration is an undo and a redo; the longest lock hold of either is a counter.
void BM_UndoRedoFullBlockPaste(benchmark::State& state) {
    testing::TestDocument t;
    CFennoralDoc& doc = *t.doc;
    {
        std::lock_guard lock(doc.mutex);
        FillDenseSong(doc, testing::Density::EveryCommand);
    }
    MarkWholePattern(doc, 1);
    RunEditCommandAsEdit(doc, EditCommand::Copy);
    MarkWholePattern(doc, 40);  // empty: every cell changes
    RunEditCommandAsEdit(doc, EditCommand::Paste);

    // Each call's time is an upper bound of its hold; the longest hold of all is mostly the
    // scheduler's doing on a busy machine, so the 99th percentile is shown beside it.
    HoldWatch watch;
    watch.thread = std::this_thread::get_id();
    doc.mutex.Watch(&watch);
    std::vector<std::int64_t> callNs;
    callNs.reserve(1 << 20);
    const auto timed = [&](bool (CFennoralDoc::*call)()) {
        const auto start = std::chrono::steady_clock::now();
        (doc.*call)();
        if (callNs.size() < callNs.capacity())
            callNs.push_back((std::chrono::steady_clock::now() - start).count());
    };
    for (auto _ : state) {
        timed(&CFennoralDoc::Undo);
        timed(&CFennoralDoc::Redo);
    }
    doc.mutex.Watch(nullptr);
    std::sort(callNs.begin(), callNs.end());
    if (!callNs.empty()) {
        state.counters["call p50 us"] = static_cast<double>(callNs[callNs.size() / 2]) / 1000.0;
        state.counters["call p99 us"] =
            static_cast<double>(callNs[callNs.size() * 99 / 100]) / 1000.0;
    }
    state.counters["longest hold us"] = static_cast<double>(watch.longestNs.load()) / 1000.0;
    state.counters["step bytes"] = static_cast<double>(doc.history.MemoryBytes());
}
BENCHMARK(BM_UndoRedoFullBlockPaste)->Unit(benchmark::kMicrosecond);

// Memory of 1,000 steps of typical editing: notes and digits typed in record mode, now and
// then a painted row of slots, a small block paste or a loop mark.
void BM_MemoryOfThousandTypicalSteps(benchmark::State& state) {
    testing::TestDocument t;
    CFennoralDoc& doc = *t.doc;
    {
        std::lock_guard lock(doc.mutex);
        FillDenseSong(doc, testing::Density::ControllersAndNotes);
        EditorState& e = doc.editor;
        e.blockMarked = 1;
        e.blockStartTrack = e.blockStartLine = 0;
        e.blockEndTrack = 3;
        e.blockEndLine = 15;
    }
    RunEditCommandAsEdit(doc, EditCommand::Copy);  // a 4-track x 16-line block to paste
    std::size_t bytes = 0;
    for (auto _ : state) {
        {
            std::lock_guard lock(doc.mutex);
            doc.history.Clear();
            doc.editor.recordMode = 1;
        }
        for (int step = 0; doc.history.StepCount() < 1000; ++step) {
            {
                std::lock_guard lock(doc.mutex);
                EditorState& e = doc.editor;
                e.sequencerFocus = 0;
                e.currentPattern = 20 + step % 8;
                e.cursorLine = (step * 7) % 64;
                e.cursorTrack = step % 16;
                e.cursorField = step % 3;
            }
            if (step % 50 == 0) {
                {
                    std::lock_guard lock(doc.mutex);
                    doc.editor.sequencerFocus = 1;
                }
                EditorMouse mouse;
                MouseDownAsEdit(doc, mouse, true, 360, 40);
                for (int x = 360; x < 800; x += 28) EditorMouseMove(doc.songEditor, mouse, x, 40);
                MouseUpAsEdit(doc, mouse, true);
            } else if (step % 50 == 25) {
                RunEditCommandAsEdit(doc, EditCommand::Paste);
            } else {
                KeyDownAsEdit(doc, {step % 2 ? 'Q' : '5', 0}, false);
                EditorKeyUp(doc.songEditor, step % 2 ? 'Q' : '5');
            }
        }
        bytes = doc.history.MemoryBytes();
    }
    state.counters["history KB"] = static_cast<double>(bytes) / 1024.0;
}
BENCHMARK(BM_MemoryOfThousandTypicalSteps)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace tarvel
