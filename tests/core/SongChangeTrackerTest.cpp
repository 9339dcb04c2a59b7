#include "document/SongChangeTracker.h"

#include <gtest/gtest.h>

#include <mutex>

#include "support/RecordingUi.h"

namespace tarvel::testing {
namespace {

TEST(SongChangeTrackerTest, SeesEveryKindOfEditButNotTheSoundingNotes) {
    TestDocument test;
    CFennoralDoc& doc = *test.doc;
    SongChangeTracker changes;
    changes.MarkUnchanged(doc);
    EXPECT_FALSE(changes.IsChanged(doc));

    // Each edit under the lock, then whether it counts; the tracker takes the lock itself.
    const auto changed = [&](auto edit) {
        {
            std::lock_guard lock(doc.mutex);
            edit();
        }
        const bool result = changes.IsChanged(doc);
        changes.MarkUnchanged(doc);
        return result;
    };
    EXPECT_FALSE(changed([&] { doc.NoteOn(0, 0, 60, 100); }));  // playing is not editing
    EXPECT_TRUE(changed([&] { doc.song.patterns[5].cells[3][2].velocity = 0x40; }));
    EXPECT_TRUE(changed([&] { doc.song.sequence[16383][15].pattern = 1; }));
    EXPECT_TRUE(changed([&] { doc.SetBpm(140); }));
    EXPECT_TRUE(changed([&] { doc.editor.loopStartRow = 16; }));  // stored with the song
    EXPECT_TRUE(changed([&] { doc.editor.loopEndRow = 32; }));
    EXPECT_FALSE(changed([&] { doc.editor.cursorLine = 7; }));  // not stored
}

}  // namespace
}  // namespace tarvel::testing
