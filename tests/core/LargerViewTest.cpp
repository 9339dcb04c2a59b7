// The view at sizes beyond the classic one: what the layout gives, and that the display, the
// cursor and Follow play keep their rules at every size.
#include <gtest/gtest.h>

#include <mutex>
#include <string>

#include "editor/DisplayModel.h"
#include "editor/KeyEditing.h"
#include "editor/ViewPlacement.h"
#include "support/DocumentTest.h"

namespace tarvel {
namespace {

TEST(EditorLayoutTest, ExtraRoomShowsTracksThenWiderColumnsAndMoreRows) {
    // width, height -> tracks, rows, slot width, sequencer x
    const int cases[][6] = {
        {400, 100, 4, 25, 28, 308},          // never less than the classic layout
        {871, 335, 4, 25, 32, 308},          // short of a track: wider columns
        {872, 336, 5, 26, 28, 378},          //
        {1642, 600, 16, 48, 28, 1148},       // all sixteen tracks
        {1920, 1000, 16, 81, 45, 1148},      // the rest widens the columns
        {99999, 99999, 16, 664, 425, 1148},  // bounded
    };
    for (const auto& c : cases) {
        const EditorLayout layout = LayoutForViewSize(c[0], c[1]);
        EXPECT_EQ((std::vector{layout.visibleTracks, layout.visibleRows, layout.slotWidth,
                               layout.sequencerX}),
                  (std::vector{c[2], c[3], c[4], c[5]}))
            << c[0] << " x " << c[1];
        EXPECT_LE(layout.sequencerX + layout.sequencerWidth, layout.width);
    }
}

class LargerView : public testing::DocumentTest {
  protected:
    std::string TextAt(int x, int y) {
        std::lock_guard lock(doc.mutex);
        BuildDisplayModel(doc.edit, model);
        for (const DisplayItem& item : model.items)
            if (item.kind == DisplayItem::Kind::Box && item.x == x && item.y == y) return item.text;
        return "(none)";
    }
    DisplayModel model;
};

TEST_F(LargerView, EveryShownTrackAndRowIsDrawnAndTheCursorScrollsByWhatShows) {
    doc.song.patterns[0].lineCount = 128;
    doc.song.sequence[3][15] = {5, 2, 0};
    doc.song.patterns[5].name[0] = 'B';
    doc.song.patterns[5].name[1] = '\0';
    e.seqStep = 1;
    EXPECT_EQ(TextAt(344 + 28 * 15, 24 + 12 * 3), "B");  // a classic column: the name alone

    SetViewSize(doc.edit, 1920, 1000);  // 16 tracks, 81 rows, 45-pixel columns
    EXPECT_EQ(TextAt(24 + 70 * 15, 12), "Track 015");
    EXPECT_EQ(TextAt(0, 24 + 12 * 80), "080");
    EXPECT_EQ(TextAt(1184 + 45 * 15, 24 + 12 * 3), "5 B");          // the number before the name
    EXPECT_EQ(TextAt(1184 + 45 * 16 - 16, 24 + 12 * 3 + 3), "02");  // the badge in the corner
    for (const DisplayItem& item : model.items) EXPECT_LE(item.x + item.width, 1920);

    for (int i = 0; i < 90; ++i) EditorKeyDown(doc.edit, vk::kDown, false);
    EXPECT_EQ(e.firstVisibleLine, 90 - 80);  // the cursor on the last of 81 rows
    for (int i = 0; i < 8; ++i) EditorKeyDown(doc.edit, vk::kTab, false);
    SetViewSize(doc.edit, 802, 324);
    EditorKeyDown(doc.edit, vk::kTab, false);
    EXPECT_EQ(e.firstVisibleTrack, 9 - 3);  // four tracks again
}

TEST_F(LargerView, FollowPlayScrollsWithThePlayedLineOfTheShownPatternAndLeavesTheCursor) {
    doc.song.patterns[0].lineCount = 64;
    std::unique_lock lock(doc.mutex);
    doc.StartPlayback(kPatternMode);
    doc.player.patternLine = 40;
    FollowPlayedLine(doc.edit);
    EXPECT_EQ(e.firstVisibleLine, 0);  // off by default
    doc.edit.followPlay = true;
    FollowPlayedLine(doc.edit);
    EXPECT_EQ(e.firstVisibleLine, 40 - 12);  // the played line in the middle
    doc.player.patternLine = 63;
    FollowPlayedLine(doc.edit);
    EXPECT_EQ(e.firstVisibleLine, 64 - 25);  // not past the last line
    EXPECT_EQ(e.cursorLine, 0);

    // In song mode only while the current channel's track plays the shown pattern.
    doc.StartPlayback(kSongMode);
    doc.player.trackPattern[0] = 1;
    doc.player.trackLine[0] = 30;
    FollowPlayedLine(doc.edit);
    EXPECT_EQ(e.firstVisibleLine, 64 - 25);
    doc.player.trackPattern[0] = 0;
    FollowPlayedLine(doc.edit);
    EXPECT_EQ(e.firstVisibleLine, 30 - 12);
}

}  // namespace
}  // namespace tarvel
