#include "document/SongChangeTracker.h"

#include <gtest/gtest.h>

#include <mutex>

#include "support/RecordingUi.h"

namespace tarvel::testing {
namespace {

TEST(SongChangeTrackerTest, SeesEveryKindOfEditButNotTheSoundingNotes) {
    TestDocument test;
    CFennoralDoc& doc = *test.doc;
    std::lock_guard lock(doc.mutex);
    SongChangeTracker changes;
    changes.MarkUnchanged(doc);
    EXPECT_FALSE(changes.IsChanged(doc));

    doc.NoteOn(0, 0, 60, 100);  // playing is not editing
    EXPECT_FALSE(changes.IsChanged(doc));

    doc.song.patterns[5].cells[3][2].velocity = 0x40;
    EXPECT_TRUE(changes.IsChanged(doc));
    changes.MarkUnchanged(doc);

    doc.song.sequence[16383][15].pattern = 1;
    EXPECT_TRUE(changes.IsChanged(doc));
    changes.MarkUnchanged(doc);

    doc.SetBpm(140);
    EXPECT_TRUE(changes.IsChanged(doc));
    changes.MarkUnchanged(doc);

    doc.editor.loopEndRow = 32;  // stored with the song
    EXPECT_TRUE(changes.IsChanged(doc));
    changes.MarkUnchanged(doc);

    doc.editor.cursorLine = 7;  // not stored
    EXPECT_FALSE(changes.IsChanged(doc));
}

}  // namespace
}  // namespace tarvel::testing
