// The sequencer pane: 16 columns of slots, as many displayed lines of seqStep rows each as the
// layout shows (25 at the least).
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "editor/DisplayBoxes.h"
#include "editor/EditorBounds.h"
#include "editor/LiveLaunching.h"

namespace tarvel {

namespace {

constexpr int kClassicSlotWidth = 28;
constexpr int kSmallAdvance = 4;

// Characters of the small font that fit in a column: six in the classic 28 pixels.
int SlotCharacters(const EditorLayout& layout) {
    return std::min((layout.slotWidth - kSmallAdvance) / kSmallAdvance, 30);
}

const char* ProgramName(const Song& song, int channel) {
    return song.patchNames[song.channelProgram[channel]];
}

// A pattern still called "empty" shows its number, as does a number past the pattern table.
// A column wider than the classic one shows the number before the name, so that patterns of
// the same name tell apart.
void WriteSlotText(char* out, const Song& song, int pattern, const EditorLayout& layout) {
    if (pattern < kPatternCount) {
        const auto& name = song.patterns[pattern].name;
        if (std::strncmp(name, "empty", 6) != 0) {
            const int room = SlotCharacters(layout);
            char* at = out;
            if (layout.slotWidth > kClassicSlotWidth) {
                at = WriteDecimal(at, pattern, 1);
                *at++ = ' ';
            }
            const int left = room - static_cast<int>(at - out);
            const int nameLength = static_cast<int>(BoundedLength(name));
            WriteBounded(at, name, std::clamp(left, 0, nameLength));
            return;
        }
    }
    WriteDecimal(out, pattern, 1);
}

void AddTitle(const SongEditor& edit, DisplayModel& model) {
    const EditorState& e = edit.editor;
    const int patternIndex = CurrentPatternIndex(e);
    const Pattern& pattern = edit.song.patterns[patternIndex];
    const int column = ClampTrack(e.seqCursorColumn);
    BoxText title;
    std::snprintf(title, sizeof title,
                  "SEQ >> P: [%.2x] %.*s >> L: %.3d >> CH: %.2d >> [%.16s] >> TRP: %d",
                  patternIndex, static_cast<int>(BoundedLength(pattern.name)), pattern.name,
                  pattern.lineCount, column + 1, ProgramName(edit.song, column), e.insertTranspose);
    AddBox(model, edit.layout.sequencerX, 0, edit.layout.sequencerWidth, kRowHeight,
           TitleColours(e.sequencerFocus == 1, 0x90A0BF), DisplayFont::Large, title);
}

// A muted or soloed channel's header says so in its colours; a muted one is greyed out whatever
// else it is, since its notes are what the musician misses, unless a launch or an unmute waits
// on the track: that it shows first.
const BoxColours& HeaderColours(const SongEditor& edit, int channel) {
    static constexpr BoxColours kCurrentChannel{0x5C70AA, 0x587066, kWhite, 0x5A7088, false};
    static constexpr BoxColours kMuted{0xA0A0A0, 0x505050, 0x303030, 0x787878, false};
    static constexpr BoxColours kSoloed{0x99FFFF, 0x008888, kBlack, 0x33CCEE, false};
    const TrackMutes& mutes = edit.engine.mutes;
    if (HasQueuedLaunch(edit.player, channel)) return kQueuedHeaderColours;
    if (mutes.muted >> channel & 1) return kMuted;
    if (mutes.soloed >> channel & 1) return kSoloed;
    return channel == edit.editor.currentChannel ? kCurrentChannel : kHeaderColours;
}

void AddColumnHeaders(const SongEditor& edit, DisplayModel& model) {
    const EditorLayout& layout = edit.layout;
    for (int c = 0; c < kTrackCount; ++c) {
        BoxText header;
        WriteBounded(header, ProgramName(edit.song, c), SlotCharacters(layout));
        AddBox(model, SequencerGridX(layout) + layout.slotWidth * c, 12, layout.slotWidth,
               kRowHeight, HeaderColours(edit, c), DisplayFont::Small, header);
    }
}

void AddSlotRow(const SongEditor& edit, DisplayModel& model, int y, int row, int step) {
    const EditorState& e = edit.editor;
    const EditorLayout& layout = edit.layout;
    const int playRow = edit.player.playRow;
    const bool playing = row <= playRow && playRow < 0LL + row + step;
    const bool inLoop = e.loopStartRow <= row && row <= 0LL + e.loopEndRow - 1;
    const bool cursorRow = row == e.seqCursorRow;

    BoxText label;
    WriteDecimal(label, row, 5);
    AddBox(model, layout.sequencerX, y, kRowLabelWidth, kRowHeight,
           SequencerRowLabelColours(playing, cursorRow, inLoop), DisplayFont::Large, label);

    for (int c = 0; c < kTrackCount; ++c) {
        const SequenceSlot& slot = edit.song.sequence[row][c];
        const int x = SequencerGridX(layout) + layout.slotWidth * c;
        const bool empty = slot.pattern == kEmptySlot;
        const SlotPlace place{row,
                              step,
                              c,
                              empty,
                              slot.reserved,
                              c == e.seqCursorColumn,
                              c == e.currentChannel,
                              inLoop,
                              cursorRow,
                              playing,
                              !empty && IsQueuedSlot(edit.player, row, c)};
        BoxText text;
        if (empty)
            WriteBounded(text, " ... ", 5);
        else
            WriteSlotText(text, edit.song, slot.pattern, layout);
        AddBox(model, x, y, layout.slotWidth, kRowHeight, SequencerSlotColours(place),
               DisplayFont::Small, text);

        if (slot.transpose != 0) {
            // In the slot's lower right corner, however wide the column.
            BoxText badge;
            WriteDecimal(badge, slot.transpose, 2);
            AddBox(model, x + layout.slotWidth - 16, y + 3, 16, 9,
                   {kWhite, kBlack, kBlack, 0x44FFFF, false}, DisplayFont::Small, badge);
        }
    }
    // A two-pixel line at the play row's place within the displayed line.
    if (playing) {
        const long long offset = (0LL + playRow - row) * kRowHeight / step;
        // Across the pane and on to the view's right edge.
        AddInvert(model, layout.sequencerX, y + static_cast<int>(offset),
                  layout.width - layout.sequencerX, 2);
    }
}

}  // namespace

void AddSequencerPane(const SongEditor& edit, DisplayModel& model, int firstRow, int endRow) {
    const EditorState& e = edit.editor;
    const EditorLayout& layout = edit.layout;
    const int step = SequencerStep(e);

    if (firstRow == 0) {
        AddTitle(edit, model);
        AddBox(model, layout.sequencerX, 12, kRowLabelWidth, kRowHeight, kCornerColours,
               DisplayFont::Large, "Line");
        AddColumnHeaders(edit, model);
    }

    for (int i = firstRow; i < std::min(endRow, layout.visibleRows); ++i) {
        const int y = RowY(i);
        const long long row = 0LL + e.seqTopRow + 1LL * i * step;
        // The blank box starts past the row label and ends a column short, as it always has.
        if (row < 0 || row >= kSequenceRows)
            AddBlankRow(model, layout.sequencerX + 56, y, layout.sequencerWidth - 64);
        else
            AddSlotRow(edit, model, y, static_cast<int>(row), step);
    }
}

}  // namespace tarvel
