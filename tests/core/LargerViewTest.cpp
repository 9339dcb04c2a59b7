// The view at sizes beyond the classic one: what the layout gives, and that the display and the
// cursor keep their rules at every size.
#include <gtest/gtest.h>

#include <mutex>
#include <string>

#include "editor/DisplayModel.h"
#include "editor/EditorLayout.h"
#include "editor/KeyEditing.h"
#include "editor/ViewPlacement.h"
#include "support/DocumentTest.h"

namespace tarvel {
namespace {

TEST(EditorLayoutTest, ExtraRoomShowsTracksThenWiderColumnsAndMoreRows) {
    struct Case {
        int width, height;
        int tracks, rows, slotWidth, sequencerX;
    };
    const Case cases[] = {
        {802, 324, 4, 25, 28, 308},  // the classic layout
        {400, 100, 4, 25, 28, 308},  // never less
        {871, 335, 4, 25, 32, 308},  // short of a track: wider columns; a pixel short of a row
        {872, 336, 5, 26, 28, 378},         {1082, 504, 8, 40, 28, 588},  // eight tracks
        {1642, 600, 16, 48, 28, 1148},                                    // all sixteen
        {1920, 1000, 16, 81, 45, 1148},      // the rest widens the sequencer's columns
        {99999, 99999, 16, 664, 425, 1148},  // bounded
    };
    for (const Case& c : cases) {
        const EditorLayout layout = LayoutForViewSize(c.width, c.height);
        SCOPED_TRACE(::testing::Message() << c.width << " x " << c.height);
        EXPECT_EQ(layout.visibleTracks, c.tracks);
        EXPECT_EQ(layout.visibleRows, c.rows);
        EXPECT_EQ(layout.slotWidth, c.slotWidth);
        EXPECT_EQ(layout.sequencerX, c.sequencerX);
        // Everything fits in the view.
        EXPECT_LE(layout.sequencerX + layout.sequencerWidth, layout.width);
        EXPECT_LE(24 + 12 * layout.visibleRows, layout.height);
    }
}

class LargerView : public testing::DocumentTest {
  protected:
    void Resize(int width, int height) { SetViewSize(doc.edit, width, height); }
    void Build() {
        std::lock_guard lock(doc.mutex);
        BuildDisplayModel(doc.edit, model);
    }
    const DisplayItem* BoxAt(int x, int y) {
        for (const DisplayItem& item : model.items)
            if (item.kind == DisplayItem::Kind::Box && item.x == x && item.y == y) return &item;
        return nullptr;
    }
    std::string TextAt(int x, int y) {
        const DisplayItem* box = BoxAt(x, y);
        return box ? box->text : "(none)";
    }
    DisplayModel model;
};

TEST_F(LargerView, EveryShownTrackLineAndRowIsDrawnWithinTheView) {
    Resize(1920, 1000);  // 16 tracks, 81 rows
    doc.song.patterns[0].lineCount = 128;
    e.seqStep = 1;
    doc.song.sequence[3][15] = {5, 2, 0};
    doc.song.patterns[5].name[0] = 'B';
    doc.song.patterns[5].name[1] = '\0';
    Build();
    EXPECT_EQ(TextAt(24 + 70 * 15, 12), "Track 015");
    EXPECT_EQ(TextAt(0, 24 + 12 * 80), "080");  // the last row's line number
    const int gridX = 1148 + 36;
    EXPECT_EQ(TextAt(gridX + 45 * 15, 24 + 12 * 3), "5 B");  // the number before the name
    EXPECT_EQ(TextAt(1148, 24 + 12 * 80), "00080");
    for (const DisplayItem& item : model.items) {
        EXPECT_GE(item.x, 0);
        EXPECT_LE(item.x + item.width, 1920);
    }
    // The transpose badge stays in the slot's right corner.
    EXPECT_EQ(TextAt(gridX + 45 * 15 + 45 - 16, 24 + 12 * 3 + 3), "02");
}

TEST_F(LargerView, TheClassicColumnKeepsTheNameAloneAndTheCursorScrollsByTheShownRows) {
    doc.song.sequence[0][0] = {5, 0, 0};
    doc.song.patterns[5].name[0] = 'B';
    doc.song.patterns[5].name[1] = '\0';
    Build();
    EXPECT_EQ(TextAt(344, 24), "B");

    Resize(802, 24 + 12 * 40);  // 40 rows
    doc.song.patterns[0].lineCount = 64;
    for (int i = 0; i < 50; ++i) EditorKeyDown(doc.edit, vk::kDown, false);
    EXPECT_EQ(e.cursorLine, 50);
    EXPECT_EQ(e.firstVisibleLine, 11);  // the cursor on the last shown row
    for (int i = 0; i < 8; ++i) EditorKeyDown(doc.edit, vk::kTab, false);
    Resize(1700, 400);  // all 16 tracks: a start of 5 would show past track 15
    EXPECT_EQ(e.cursorTrack, 8);
    Build();
    EXPECT_EQ(TextAt(24, 12), "Track 000");
}

TEST_F(LargerView, FollowPlayScrollsWithThePlayedLineAndLeavesTheCursor) {
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
    doc.StopPlayback();
    EXPECT_EQ(PlayedLineOfShownPattern(doc.edit), -1);
}

}  // namespace
}  // namespace tarvel
