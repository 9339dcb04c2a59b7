#include <gtest/gtest.h>

#include <gmock/gmock.h>

#include <cstring>
#include <mutex>
#include <string>

#include "editor/DisplayColours.h"
#include "editor/DisplayModel.h"
#include "support/RecordingUi.h"

namespace tarvel {
namespace {

using testing::TestDocument;

constexpr int CellX(int k) {
    return 24 + 70 * k;
}
constexpr int SlotX(int c) {
    return 344 + 28 * c;
}
constexpr int RowY(int i) {
    return 24 + 12 * i;
}

class Display : public ::testing::Test {
  protected:
    const DisplayModel& Build() {
        std::lock_guard lock(doc.mutex);
        BuildDisplayModel(doc.edit, model);
        return model;
    }
    // The first box drawn at (x, y); the tests build before they look.
    const DisplayItem& BoxAt(int x, int y) {
        for (const DisplayItem& item : model.items)
            if (item.kind == DisplayItem::Kind::Box && item.x == x && item.y == y) return item;
        ADD_FAILURE() << "no box at " << x << "," << y;
        static DisplayItem none{};
        return none;
    }
    std::string TextAt(int x, int y) { return BoxAt(x, y).text; }
    std::vector<DisplayItem> Inverts() {
        std::vector<DisplayItem> inverts;
        for (const DisplayItem& item : model.items)
            if (item.kind == DisplayItem::Kind::Invert) inverts.push_back(item);
        return inverts;
    }
    PatternCell& Cell(int line, int track) { return doc.song.patterns[0].cells[line][track]; }

    TestDocument t;
    CFennoralDoc& doc = *t.doc;
    EditorState& e = doc.editor;
    DisplayModel model;
};

TEST(NoteNameTest, NamesOctavesAndMarkers) {
    EXPECT_STREQ(NoteName(60).data(), "C-5");
    EXPECT_STREQ(NoteName(0).data(), "C-0");
    EXPECT_STREQ(NoteName(121).data(), "C#:");
    EXPECT_STREQ(NoteName(kNoNote).data(), "---");
    EXPECT_STREQ(NoteName(kNoteOff).data(), "off");
    EXPECT_STREQ(NoteName(200).data(), "?C8");  // no note the keys can enter
}

TEST(DisplayColoursTest, CarriesAndBorrowsRunAcrossBytesAndStayWithin24Bits) {
    EXPECT_EQ(Darken(0xAA9105, 0x080C10), 0xA284F5u);
    EXPECT_EQ(Lighten(0xAA90FF, 0x000001), 0xAA9100u);
    EXPECT_EQ(Darken(0x000000, 0x000001), 0xFFFFFFu);
    EXPECT_EQ(Lighten(0xFFFFFF, 0x000001), 0x000000u);
}

TEST_F(Display, CellsShowNoteVelocityCommandAndParameter) {
    Cell(1, 0) = {kNoteOff, 0x40, 0xB0, 0x05};
    Cell(2, 3) = {60, 0xFF, 0x07, 0x7F};
    Build();
    EXPECT_EQ(TextAt(CellX(0), RowY(0)), "--- .. ..00");
    EXPECT_EQ(TextAt(CellX(0), RowY(1)), "off 40 B005");
    EXPECT_EQ(TextAt(CellX(3), RowY(2)), "C-5 .. 077F");
    EXPECT_EQ(TextAt(0, RowY(2)), "002");
    EXPECT_EQ(BoxAt(CellX(0), RowY(0)).font, DisplayFont::Large);
}

TEST_F(Display, TrackHeadersFollowTheFirstVisibleTrack) {
    Build();
    EXPECT_EQ(TextAt(CellX(0), 12), "Track 000");
    e.firstVisibleTrack = 12;
    Cell(0, 15).note = 0;
    Build();
    EXPECT_EQ(TextAt(CellX(0), 12), "Track 012");
    EXPECT_EQ(TextAt(CellX(3), 12), "Track 015");
    EXPECT_EQ(TextAt(CellX(3), RowY(0)), "C-0 .. ..00");
}

TEST_F(Display, RowsPastTheLineCountAreBlank) {
    e.firstVisibleLine = 50;
    Build();
    EXPECT_EQ(TextAt(0, RowY(13)), "063");
    for (int row = 14; row < 25; ++row) {
        const DisplayItem& blank = BoxAt(0, RowY(row));
        EXPECT_EQ(blank.width, 304);
        EXPECT_STREQ(blank.text, " ");
        EXPECT_EQ(blank.fill, 0xB0C0CFu);
    }

    // Damaged counts never show lines outside the record.
    doc.song.patterns[0].lineCount = 5000;
    e.firstVisibleLine = 240;
    Build();
    EXPECT_EQ(TextAt(0, RowY(15)), "255");
    EXPECT_EQ(BoxAt(0, RowY(16)).width, 304);
    doc.song.patterns[0].lineCount = -1;
    e.firstVisibleLine = 0;
    Build();
    EXPECT_EQ(BoxAt(0, RowY(0)).width, 304);
}

TEST_F(Display, SequencerRowsPastTheGridAreBlank) {
    e.seqTopRow = 16368;
    Build();
    EXPECT_EQ(TextAt(308, RowY(0)), "16368");
    for (int row = 1; row < 25; ++row) {
        const DisplayItem& blank = BoxAt(364, RowY(row));
        EXPECT_EQ(blank.width, 420);
        EXPECT_STREQ(blank.text, " ");
    }
}

TEST_F(Display, TheCursorCellIsSunkenAndItsFieldInverted) {
    e.cursorLine = 1;
    e.cursorTrack = 1;
    e.cursorField = 3;
    doc.player.playRow = 9999;  // no play line on screen
    Build();
    const DisplayItem& cursor = BoxAt(CellX(1), RowY(1));
    const Colour fill = 0x99A0A9 + 0x111C1C - 0x413C33 + 0x080C05;
    EXPECT_EQ(cursor.fill, fill);
    EXPECT_TRUE(cursor.sunken);
    EXPECT_EQ(cursor.light, fill - 0x111111);
    EXPECT_EQ(cursor.dark, fill + 0x111111);
    EXPECT_EQ(BoxAt(CellX(0), RowY(1)).fill, 0x99A0A9u + 0x111C1C);

    // Line 0 is on every beat; it is raised.
    const DisplayItem& beat = BoxAt(CellX(0), RowY(0));
    EXPECT_EQ(beat.fill, 0x99A0A9u + 0x0C0C0C + 3 * 0x080808);
    EXPECT_FALSE(beat.sunken);
    EXPECT_EQ(beat.light, beat.fill + 0x111111);

    // The field's rectangle is drawn right after the cursor cell.
    const auto at = std::find_if(model.items.begin(), model.items.end(),
                                 [&](const auto& item) { return &item == &cursor; });
    ASSERT_NE(at + 1, model.items.end());
    EXPECT_EQ(at[1].kind, DisplayItem::Kind::Invert);
    EXPECT_EQ(at[1].x, CellX(1) + 44);
    EXPECT_EQ(at[1].width, 6);
    EXPECT_EQ(at[1].height, 12);
    EXPECT_EQ(Inverts().size(), 1u);
}

TEST_F(Display, BlockAndPatternPlayLineShadeTheirCells) {
    e.blockMarked = 1;
    e.blockStartTrack = 0;
    e.blockEndTrack = 1;
    e.blockStartLine = 2;
    e.blockEndLine = 3;
    doc.player.playMode = kPatternMode;
    doc.player.patternLine = 3;
    Build();
    EXPECT_EQ(BoxAt(CellX(0), RowY(2)).fill, 0xCABCBAu);
    EXPECT_EQ(BoxAt(CellX(2), RowY(2)).fill, 0x99A0A9u);
    EXPECT_EQ(BoxAt(CellX(0), RowY(3)).fill, 0xCABCBAu - 0x442211);
    doc.player.playMode = kSongMode;
    Build();
    EXPECT_EQ(BoxAt(CellX(0), RowY(3)).fill, 0xCABCBAu);
}

TEST_F(Display, SlotsShowPatternNamesOrNumbersAndTheirTranspose) {
    doc.song.sequence[0][1] = {12, 0, 0};
    SetPatternName(doc.song, 5, "Bassline");
    doc.song.sequence[0][2] = {5, -5, 0};
    doc.song.sequence[0][3] = {200, 0, 0};  // a damaged slot: past the pattern table
    Build();
    EXPECT_EQ(TextAt(SlotX(0), RowY(0)), " ... ");
    EXPECT_EQ(TextAt(SlotX(1), RowY(0)), "12");
    EXPECT_EQ(TextAt(SlotX(2), RowY(0)), "Bassli");
    EXPECT_EQ(TextAt(SlotX(3), RowY(0)), "200");
    EXPECT_EQ(BoxAt(SlotX(2), RowY(0)).font, DisplayFont::Small);
    const DisplayItem& badge = BoxAt(SlotX(2) + 12, RowY(0) + 3);
    EXPECT_STREQ(badge.text, "-05");
    EXPECT_EQ(badge.width, 16);
    EXPECT_EQ(badge.height, 9);
    EXPECT_EQ(badge.fill, 0x44FFFFu);
}

TEST_F(Display, ThePlayRowIsMarkedWithALineAtItsPlaceInTheDisplayedRow) {
    doc.player.playRow = 20;
    Build();  // not playing: the mark follows playRow alone
    const DisplayItem& label = BoxAt(308, RowY(1));
    EXPECT_STREQ(label.text, "00016");
    EXPECT_EQ(label.fill, 0x8AB9C8u - 0x30101F);  // playing, inside the loop
    const auto inverts = Inverts();
    ASSERT_EQ(inverts.size(), 2u);  // the pattern cursor and the play line
    EXPECT_EQ(inverts[0].x, 308);
    EXPECT_EQ(inverts[0].y, RowY(1) + 3);
    EXPECT_EQ(inverts[0].width, 494);
    EXPECT_EQ(inverts[0].height, 2);
}

TEST_F(Display, SlotShadingBorrowsAcrossColourBytes) {
    e.currentChannel = 1;
    e.seqCursorColumn = 5;
    e.loopStartRow = 1000;
    e.loopEndRow = 1064;
    doc.song.sequence[16][1].reserved = 0x80;
    Build();
    EXPECT_EQ(BoxAt(SlotX(1), RowY(1)).fill, 0xA284F5u);  // 0xAA9085 + 0x80 - 0x080C10
    EXPECT_EQ(BoxAt(308, RowY(1)).fill, 0xCCCCCCu);
}

TEST_F(Display, TheLoopRangeIsHighlightedUpToTheRowBeforeItsEnd) {
    e.loopEndRow = 32;
    Build();
    EXPECT_EQ(BoxAt(308, RowY(1)).fill, 0xCCCCCCu - 0x30101F);
    EXPECT_EQ(BoxAt(308, RowY(2)).fill, 0xCCCCCCu);
}

TEST_F(Display, TitlesNameThePatternWithinItsFieldAndShowTheFocus) {
    CopyText(doc.song.patchNames[0], "Piano");
    Build();
    EXPECT_EQ(TextAt(0, 0), "Pattern editor: [00] empty");
    EXPECT_EQ(BoxAt(0, 0).fill, 0x80A0BFu);
    EXPECT_EQ(TextAt(308, 0), "SEQ >> P: [00] empty >> L: 064 >> CH: 01 >> [Piano] >> TRP: 0");
    EXPECT_EQ(BoxAt(308, 0).fill, 0xB0C0DFu);
    EXPECT_EQ(TextAt(SlotX(0), 12), "Piano");
    EXPECT_EQ(BoxAt(SlotX(0), 12).fill, 0x5A7088u);  // the current channel

    std::memset(doc.song.patterns[127].name, 'A', kNameSize);  // no NUL
    e.currentPattern = 300;                                    // damaged: the last pattern is shown
    e.sequencerFocus = 1;
    Build();
    EXPECT_EQ(TextAt(0, 0), "Pattern editor: [7F] " + std::string(kNameSize, 'A'));
    EXPECT_EQ(BoxAt(308, 0).fill, 0x90A0BFu);
    EXPECT_EQ(TextAt(308, 0).substr(0, 15), "SEQ >> P: [7f] ");
}

TEST_F(Display, ItemsComeInDrawingOrderAndTheStorageIsReused) {
    Build();
    // Titles, corners, headers and rows; row 0 holds the play line (playRow 0) and line 0 the
    // cursor's field.
    ASSERT_EQ(model.items.size(), 1u + 1 + 16 + 25 * 17 + 1 + (1 + 1 + 1 + 4 + 25 * 5 + 1));
    EXPECT_EQ(model.items.front().x, 308);  // the sequencer first
    EXPECT_EQ(model.items[444].x, 0);       // then the pattern pane's title
    EXPECT_EQ(model.items[444].width, 304);
    const DisplayItem* storage = model.items.data();
    Build();
    EXPECT_EQ(model.items.data(), storage);
}

}  // namespace
}  // namespace tarvel
