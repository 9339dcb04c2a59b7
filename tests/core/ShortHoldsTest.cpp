// The window thread's largest pieces of work take the lock many times for a little each, so the
// clock never waits long: counted as holds and as what each hold did, not timed.
#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <thread>

#include "document/UndoableEdits.h"
#include "editor/DisplayModel.h"
#include "editor/ViewPlacement.h"
#include "support/DocumentTest.h"

namespace tarvel {
namespace {

class ShortHolds : public testing::DocumentTest {
  protected:
    // How often `work` took the lock.
    std::int64_t HoldsOf(const std::function<void()>& work) {
        HoldWatch watch;
        watch.thread = std::this_thread::get_id();
        doc.mutex.Watch(&watch);
        work();
        doc.mutex.Watch(nullptr);
        return watch.holds.load();
    }
};

// A whole pattern pasted over an empty one: its name and 16 KB of cells, written back in pieces.
TEST_F(ShortHolds, UndoAndRedoOfTheLargestStepWriteInPieces) {
    testing::Locked(doc, [&] {
        for (auto& line : doc.song.patterns[0].cells)
            for (PatternCell& cell : line) cell = {60, 100, 0x07, 0x40};
        SetPatternName(doc.song, 0, "full");
    });
    RunPatternCommandAsEdit(doc, PatternCommand::Copy);
    testing::Locked(doc, [&] { e.currentPattern = 2; });
    RunPatternCommandAsEdit(doc, PatternCommand::Paste);
    // The name and the cells: more than one hold's bytes. The step's start and the turn of the
    // recorded input take a hold each.
    const std::int64_t holds = sizeof(Pattern::cells) / CFennoralDoc::kHistoryBytesPerHold + 3;
    EXPECT_GE(HoldsOf([&] { doc.Undo(); }), holds);
    EXPECT_GE(HoldsOf([&] { doc.Redo(); }), holds);
}

// A full buffer of notes recorded from MIDI input becomes steps a few at a time.
TEST_F(ShortHolds, RecordedInputBecomesStepsInBatches) {
    testing::Locked(doc, [&] { e.recordMode = 1; });
    for (int i = 0; i <= InputRecording::kCapacity; ++i)  // and one more than is kept
        doc.ReceiveMidi({0x90, static_cast<std::uint8_t>(40 + i % 40), 100});
    EXPECT_GE(HoldsOf([&] { doc.TakeInputEdits(); }),
              InputRecording::kCapacity / CFennoralDoc::kInputEditsPerHold);
}

// The model of a 1920 x 1080 view comes in parts of a few hundred boxes each, in either pane.
TEST_F(ShortHolds, TheDisplayModelOfALargeViewIsBuiltInParts) {
    SetViewSize(doc.songEditor, 1920, 1080);
    std::lock_guard hold(doc.mutex);
    DisplayModel model;
    for (int part = 0; part < DisplayModelParts(doc.songEditor); ++part) {
        const std::size_t before = part == 0 ? 0 : model.items.size();
        BuildDisplayModelPart(doc.songEditor, model, part);
        EXPECT_LE(model.items.size() - before, 300u) << "part " << part;
    }
}

}  // namespace
}  // namespace tarvel
