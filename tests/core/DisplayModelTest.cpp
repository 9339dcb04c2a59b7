// What the editor shows, at the classic size and larger: texts, the places of boxes and inverts,
// which boxes stand out, and the helper texts on the field under the cursor. The colours
// themselves are the display's business; the tests only ask that the states a musician must
// tell apart look different.
#include <gmock/gmock.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "editor/DisplayColours.h"
#include "editor/DisplayModel.h"
#include "editor/HelperTexts.h"
#include "editor/KeyEditing.h"
#include "editor/ViewPlacement.h"
#include "support/DocumentTest.h"

namespace tarvel {
namespace {

using ::testing::ElementsAre;

class Display : public testing::DocumentTest {
  protected:
    static int CellX(int track) { return 24 + 70 * track; }
    static int SlotX(int column) { return 344 + 28 * column; }
    static int RowY(int row) { return 24 + 12 * row; }
    void Build() {
        std::lock_guard lock(doc.mutex);
        BuildDisplayModel(doc.songEditor, model);
    }
    // The first box drawn at (x, y); the tests build before they look.
    const DisplayItem& BoxAt(int x, int y) {
        for (const DisplayItem& item : model.items)
            if (item.kind == DisplayItem::Kind::Box && item.x == x && item.y == y) return item;
        ADD_FAILURE() << "no box at " << x << "," << y;
        static DisplayItem none{};
        return none;
    }
    std::string TextAt(int x, int y) { return std::string(model.TextOf(BoxAt(x, y))); }
    // The texts at x0, y0, x1, y1, ...
    std::vector<std::string> Texts(std::initializer_list<int> places) {
        std::vector<std::string> texts;
        for (const int* at = places.begin(); at != places.end(); at += 2)
            texts.push_back(TextAt(at[0], at[1]));
        return texts;
    }
    Colour FillAt(int x, int y) { return BoxAt(x, y).fill; }
    static std::vector<int> Rect(const DisplayItem& item) {
        return {item.x, item.y, item.width, item.height};
    }
    std::vector<std::vector<int>> Inverts() {
        std::vector<std::vector<int>> inverts;
        for (const DisplayItem& item : model.items)
            if (item.kind == DisplayItem::Kind::Invert) inverts.push_back(Rect(item));
        return inverts;
    }

    DisplayModel model;
};

TEST(DisplayColoursTest, CarriesAndBorrowsRunAcrossBytesAndStayWithin24Bits) {
    EXPECT_THAT((std::vector{Darken(0xAA9105, 0x080C10), Lighten(0xAA90FF, 1), Darken(0, 1),
                             Lighten(0xFFFFFF, 1)}),
                ElementsAre(0xA284F5u, 0xAA9100u, 0xFFFFFFu, 0u));
}

TEST_F(Display, RowsPastTheLineCountOrTheGridAreBlank) {
    SetViewSize(doc.songEditor, 1920, 1000);  // 81 rows; the sequencer from 1148, its slots 45 wide
    e.firstVisibleLine = 50;
    e.seqTopRow = 16368;
    Build();
    EXPECT_THAT(Texts({0, RowY(13), 1148, RowY(0)}), ElementsAre("063", "16368"));
    for (int row : {14, 80}) {
        EXPECT_THAT(Texts({0, RowY(row), 1204, RowY(row - 13)}), ElementsAre(" ", " "));
        EXPECT_EQ(BoxAt(0, RowY(row)).width, 1144);
        EXPECT_EQ(BoxAt(1204, RowY(row - 13)).width, 692);
    }

    // Damaged counts never show lines outside the record.
    doc.song.patterns[0].lineCount = 5000;
    e.firstVisibleLine = 240;
    Build();
    EXPECT_EQ(TextAt(0, RowY(15)), "255");
    EXPECT_EQ(BoxAt(0, RowY(16)).width, 1144);
    doc.song.patterns[0].lineCount = -1;
    e.firstVisibleLine = 0;
    Build();
    EXPECT_EQ(BoxAt(0, RowY(0)).width, 1144);
    const std::size_t characters = model.characters.size();
    Build();
    EXPECT_EQ(model.characters.size(), characters) << "a repaint's texts must not pile up";
}

TEST_F(Display, TheCursorCellIsSunkenItsFieldInvertedAndBlockAndPlayLineShadeTheirCells) {
    e.cursorLine = 1;
    e.cursorTrack = 1;
    e.cursorField = 3;
    e.blockMarked = 1;
    e.blockStartTrack = 0;
    e.blockEndTrack = 1;
    e.blockStartLine = 5;
    e.blockEndLine = 6;
    doc.player.playMode = kPatternMode;
    doc.player.patternLine = 6;
    doc.player.playRow = 9999;  // no play row on screen
    Build();
    const DisplayItem& cursor = BoxAt(CellX(1), RowY(1));
    EXPECT_TRUE(cursor.sunken);
    EXPECT_NE(cursor.fill, FillAt(CellX(3), RowY(1)));  // the rest of the cursor line
    EXPECT_NE(FillAt(CellX(3), RowY(1)), FillAt(CellX(3), RowY(2)));
    EXPECT_FALSE(BoxAt(CellX(3), RowY(2)).sunken);
    const DisplayItem& field = model.items.at(&cursor - model.items.data() + 1);
    EXPECT_EQ(Rect(field), (std::vector{CellX(1) + 44, RowY(1), 6, 12}));  // right after its cell
    EXPECT_THAT(Inverts(), ElementsAre(Rect(field)));                      // the only one
    for (int f = 0; f <= 6; ++f) {  // every field, from the note to the parameter's last digit
        e.cursorField = f;
        Build();
        EXPECT_EQ(Inverts().size(), 1u) << "field " << f;
    }

    const Colour plain = FillAt(CellX(2), RowY(5));
    const Colour block = FillAt(CellX(0), RowY(5));
    EXPECT_NE(block, plain);
    EXPECT_NE(FillAt(CellX(1), RowY(5)), FillAt(CellX(3), RowY(5)));  // the block's last track
    EXPECT_EQ(FillAt(CellX(0), RowY(7)), plain);
    EXPECT_NE(FillAt(CellX(0), RowY(6)), block);  // the play line
    doc.player.playMode = kSongMode;
    Build();
    EXPECT_EQ(FillAt(CellX(0), RowY(6)), block);
}

// One view of a song: cells under their tracks, slots, titles and the play row.
TEST_F(Display, CellsSlotsTitlesAndThePlayRowShowWhatTheSongHolds) {
    Cell(1, 0) = {kNoteOff, 0x40, 0xB0, 0x05};
    Cell(2, 3) = {60, 0xFF, 0x07, 0x7F};
    Cell(3, 0).note = 121;  // the octave digit runs on past 9
    Cell(4, 0).note = 200;  // no note at all: its value
    doc.song.sequence[0][1] = {12, 0, 0};
    SetPatternName(doc.song, 5, "Bassline");
    doc.song.sequence[0][2] = {5, -5, 0};
    doc.song.sequence[0][3] = {200, 0, 0};  // a damaged slot: past the pattern table
    doc.song.sequence[0][5] = {12, 0, 0x80};
    CopyText(doc.song.patchNames[0], "Piano");
    doc.player.playRow = 20;  // not playing: the mark follows playRow alone
    Build();
    EXPECT_THAT(Texts({CellX(0), RowY(0), CellX(0), RowY(1), CellX(0), RowY(3), CellX(0), RowY(4),
                       CellX(3), RowY(2), 0, RowY(2), CellX(0), 12}),
                ElementsAre("--- .. ..00", "off 40 B005", "C#: .. ..00", "?C8 .. ..00",
                            "C-5 .. 077F", "002", "Track 000"));
    EXPECT_THAT(Texts({SlotX(0), RowY(0), SlotX(1), RowY(0), SlotX(2), RowY(0), SlotX(3), RowY(0)}),
                ElementsAre(" ... ", "12", "Bassli", "200"));
    EXPECT_EQ(TextAt(SlotX(2) + 12, RowY(0) + 3), "-05");  // the badge
    // The reserved byte tints its slot, as it always has.
    EXPECT_EQ(FillAt(SlotX(5), RowY(0)), Lighten(FillAt(SlotX(1), RowY(0)), 0x80));

    EXPECT_THAT(Texts({0, 0, 308, 0, SlotX(0), 12, 308, RowY(1)}),
                ElementsAre("Pattern editor: [00] empty",
                            "SEQ >> P: [00] empty >> L: 064 >> CH: 01 >> [Piano] >> TRP: 0",
                            "Piano", "00016"));
    EXPECT_NE(FillAt(SlotX(0), 12), FillAt(SlotX(1), 12));  // the current channel
    EXPECT_THAT(Inverts(), ElementsAre(std::vector{308, RowY(1) + 3, 494, 2},     // the play line
                                       std::vector{CellX(0), RowY(0), 24, 12}));  // the cursor
    // A new song loops rows 0..63, shaded up to the row before the end; the play row stands out.
    const Colour inLoop = FillAt(308, RowY(2));
    EXPECT_EQ(FillAt(308, RowY(3)), inLoop);
    EXPECT_NE(FillAt(308, RowY(1)), inLoop);
    EXPECT_NE(FillAt(308, RowY(4)), inLoop);
    EXPECT_EQ(FillAt(308, RowY(4)), FillAt(308, RowY(5)));
    // The sequencer's cursor: its row sunken, its column lighter; the current channel darker.
    e.currentChannel = 4;
    Build();
    const Colour plainSlot = FillAt(SlotX(2), RowY(2));
    EXPECT_EQ(FillAt(SlotX(0), RowY(2)), Lighten(plainSlot, 0x080808));
    EXPECT_EQ(FillAt(SlotX(4), RowY(2)), Darken(plainSlot, 0x080C10));
    EXPECT_TRUE(BoxAt(SlotX(2), RowY(0)).sunken);
    EXPECT_FALSE(BoxAt(SlotX(2), RowY(2)).sunken);

    const Colour patternFocused = FillAt(0, 0);
    const Colour sequencerUnfocused = FillAt(308, 0);
    e.firstVisibleTrack = 12;
    Cell(0, 15, 127).note = 0;                                 // the pattern shown below
    std::memset(doc.song.patterns[127].name, 'A', kNameSize);  // no NUL
    e.currentPattern = 300;                                    // damaged: the last pattern is shown
    e.sequencerFocus = 1;
    Build();
    EXPECT_THAT(Texts({CellX(0), 12, CellX(3), 12, CellX(3), RowY(0)}),
                ElementsAre("Track 012", "Track 015", "C-0 .. ..00"));
    EXPECT_EQ(TextAt(0, 0), "Pattern editor: [7F] " + std::string(kNameSize, 'A'));
    EXPECT_EQ(TextAt(308, 0).substr(0, 15), "SEQ >> P: [7f] ");
    EXPECT_NE(FillAt(0, 0), patternFocused);
    EXPECT_NE(FillAt(308, 0), sequencerUnfocused);
}

TEST_F(Display, ALargerViewDrawsEveryShownTrackAndRowAndTheCursorScrollsByWhatShows) {
    doc.song.patterns[0].lineCount = 128;
    doc.song.sequence[3][15] = {5, 2, 0};
    SetPatternName(doc.song, 5, "B");
    e.seqStep = 1;
    SetViewSize(doc.songEditor, 1920, 1000);  // 16 tracks, 81 rows, 45-pixel columns
    Build();
    // A slot shows the number before the name, and the badge in its corner.
    EXPECT_THAT(Texts({CellX(15), 12, 0, RowY(80), 1184 + 45 * 15, RowY(3), 1184 + 45 * 16 - 16,
                       RowY(3) + 3}),
                ElementsAre("Track 015", "080", "5 B", "02"));
    const std::vector<int> playLine = Inverts().at(0);
    EXPECT_EQ(playLine[0] + playLine[2], 1920) << "the play line runs on to the view's edge";
    // The loop's first and last rows are shaded as the rows between; the row after is not.
    e.seqCursorRow = 40;
    doc.player.playRow = 40;
    Build();
    const Colour loopRow = FillAt(1148, RowY(1));
    EXPECT_EQ(FillAt(1148, RowY(0)), loopRow);
    EXPECT_EQ(FillAt(1148, RowY(63)), loopRow);
    EXPECT_NE(FillAt(1148, RowY(64)), loopRow);

    for (int i = 0; i < 90; ++i) EditorKeyDown(doc.songEditor, vk::kDown, false);
    EXPECT_EQ(e.firstVisibleLine, 90 - 80);  // the cursor on the last of 81 rows
    for (int i = 0; i < 15; ++i) EditorKeyDown(doc.songEditor, vk::kTab, false);
    EXPECT_EQ(e.firstVisibleTrack, 0);  // all 16 tracks shown
}

TEST_F(Display, FollowPlayScrollsWithThePlayedLineOfTheShownPatternAndLeavesTheCursor) {
    SetViewSize(doc.songEditor, 802, RowY(41));  // 41 rows
    Hold();
    // The first line shown once the view has followed the play.
    const auto followed = [this] {
        FollowPlayedLine(doc.songEditor);
        return e.firstVisibleLine;
    };
    doc.StartPlayback(kPatternMode);
    doc.player.patternLine = 40;
    EXPECT_EQ(followed(), 0);  // off by default
    doc.songEditor.followPlay = true;
    EXPECT_EQ(followed(), 40 - 20);  // the played line in the middle
    doc.player.patternLine = 63;
    EXPECT_EQ(followed(), 64 - 41);  // not past the last line
    EXPECT_EQ(e.cursorLine, 0);

    // In song mode only while the current channel's track plays the shown pattern.
    doc.StartPlayback(kSongMode);
    doc.player.trackPattern[0] = 1;
    doc.player.trackLine[0] = 30;
    EXPECT_EQ(followed(), 64 - 41);
    doc.player.trackPattern[0] = 0;
    EXPECT_EQ(followed(), 30 - 20);
}

TEST_F(Display, HelperTextsDescribeTheFieldUnderTheCursorAndNameControllersAndCommands) {
    struct Case {
        PatternCell cell;
        int field;
        const char* texts;  // row / value / status, or how they start
    };
    // An empty note's texts are the panel's, which shows them at start.
    const Case cases[] = {
        {{60, 0xFF, 0xFF, 0}, 0, "Note / 0x3C (60) / C-5"},
        {{kNoteOff, 0xFF, 0xFF, 0}, 0, "Note / 0xFE (254) / off"},
        {{0x9A, 0xFF, 0xFF, 0}, 0, "Note / 0x9A (154) / Not a MIDI note"},
        {{0, 0x7F, 0xFF, 0}, 2, "Velo / 0x7F (127) / Note velocity"},
        {kEmptyCell, 1, "Velo / Default / Note velocity"},
        {{0, 0, 0x00, 0}, 6, "Data / 0x00 (0) / Parameter argument"},
        {{0, 0, 0x07, 0}, 3, "Control / 0x07 (7) / [MSB] Channel volume"},
        {{0, 0, 0x90, 0}, 4, "Control / 0x90 (144) / Set BPM"},
        {kEmptyCell, 3, "Control / Default / None"},
        {{0, 0, 0xC0, 0}, 3, "Control / 0xC0 (192) / Unassigned (no effect)"},
        {{0, 0, 0xE1, 4}, 3, "Control / 0xE1 (225) / Ratchet ("},
        {{0, 0, 0xC1, 0}, 3, "Control / 0xC1 (193) / Chance ("},
        {{0, 0, 0x91, 0}, 3, "Control / 0x91 (145) / Swing ("},
    };
    Hold();
    for (const Case& c : cases) {
        Cell(0, 0) = c.cell;
        e.cursorField = c.field;
        const HelperTexts texts = UpdateHelperTexts(doc.songEditor);
        EXPECT_THAT(texts.row + " / " + texts.value + " / " + texts.status.value_or("(kept)"),
                    ::testing::StartsWith(c.texts));
    }
    for (const auto& name : controllerNames) EXPECT_GT(std::strlen(name), 5u);  // none missing
}

// The model is laid out for the view's size divided by the zoom: extra room shows tracks, then
// wider columns and more rows, up to a bound; each zoom step shows fewer, never fewer than the
// classic layout's.
TEST_F(Display, EachSizeAndZoomStepShowsTheTracksRowsAndColumnsOfTheZoomedSize) {
    struct Case {
        const char* name;
        int w, h, zoom;           // the view's size and its zoom in percent
        std::vector<int> layout;  // tracks, rows, slot width, sequencer x
    };
    const Case cases[] = {
        {"short of a track: wider columns", 871, 335, 100, {4, 25, 32, 308}},
        {"a fifth track", 872, 336, 100, {5, 26, 28, 378}},
        {"bounded", 99999, 99999, 100, {16, 664, 425, 1148}},
        {"at 300: classic", 1920, 1080, 300, {4, 28, 28, 308}},
        {"no step: at 100", 1920, 1080, 170, {16, 88, 45, 1148}},
    };
    doc.song.patterns[0].lineCount = 256;
    const EditorLayout& layout = doc.songEditor.layout;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetZoomedViewSize(doc.songEditor, c.w, c.h, c.zoom);
        Build();
        EXPECT_EQ((std::vector{layout.visibleTracks, layout.visibleRows, layout.slotWidth,
                               layout.sequencerX}),
                  c.layout);
        int tracks = 0, lines = 0;
        for (const DisplayItem& item : model.items) {
            EXPECT_LE(item.x + item.width, layout.width);  // the zoomed width, or the classic one
            if (item.kind != DisplayItem::Kind::Box) continue;
            const std::string_view text = model.TextOf(item);
            tracks += text.starts_with("Track ");
            lines += item.x == 0 && item.y >= RowY(0) && !text.empty() && text[0] >= '0' &&
                     text[0] <= '9';
        }
        EXPECT_EQ((std::vector{tracks, lines}),
                  (std::vector{c.layout[0], std::min(c.layout[1], 256)}));
    }
}

// The model keeps its items' texts in one store, each its own as every view above shows; a long
// one is cut.
TEST(DisplayModelTextTest, ALongTextIsCut) {
    DisplayModel model;
    model.items.resize(1);
    SetText(model, model.items[0], std::string(200, 'x').c_str());
    EXPECT_EQ(model.TextOf(model.items[0]), std::string(kMaxDisplayText, 'x'));
}

// A step from one zoom to the next is the zoom keys' to show; here the ends and the values between.
TEST(EditorZoomTest, StepsStopAtTheEndsAndGoOnFromBetweenSteps) {
    const struct {
        const char* name;
        int from, direction, to;
    } cases[] = {
        {.name = "in at the end", .from = 300, .direction = +1, .to = 300},
        {.name = "out at the end", .from = 100, .direction = -1, .to = 100},
        {.name = "out from between steps", .from = 170, .direction = -1, .to = 150},
    };
    for (const auto& c : cases) EXPECT_EQ(NextZoomStep(c.from, c.direction), c.to) << c.name;
}

// Every editor pixel's edge lands on a whole device pixel at every scale a zoom step and a
// screen's ratio make; boxes that meet still meet, and the mouse's device pixel maps back to the
// editor pixel drawn there.
TEST(EditorZoomTest, EdgesLandOnWholeDevicePixelsAndTheMouseFindsThePixelDrawnThere) {
    for (const double ratio : {1.0, 1.25, 1.5, 2.0}) {
        for (const int percent : kZoomSteps) {
            const double scale = ratio * percent / 100;
            SCOPED_TRACE(::testing::Message() << "scale " << scale);
            for (int v = -20; v < 2000; ++v) {
                const int edge = DeviceEdge(v, scale);
                ASSERT_LE(std::abs(edge - v * scale), 0.5);     // at a whole scale: equal
                ASSERT_GE(DeviceEdge(v + 1, scale) - edge, 1);  // a one-pixel line never vanishes
            }
            for (int p = -30; p < 4000; ++p) {
                const int v = EditorPixelAt(p, scale);
                ASSERT_LE(DeviceEdge(v, scale), p);
                ASSERT_GT(DeviceEdge(v + 1, scale), p);
            }
        }
    }
}

}  // namespace
}  // namespace tarvel
