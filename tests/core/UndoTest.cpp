#include <gmock/gmock.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "document/EditAction.h"
#include "document/UndoableEdits.h"
#include "editor/KeyEditing.h"
#include "editor/VirtualKeys.h"
#include "support/DenseSong.h"
#include "support/RecordingUi.h"
#include "support/TempFolder.h"

namespace tarvel {
namespace {

using testing::Locked;
using testing::TempFolder;
using testing::TestDocument;

// What a song file holds: the song image but its note-tracking table, and the loop rows.
using Snapshot = std::vector<std::uint8_t>;

Snapshot Take(CFennoralDoc& doc) {
    std::lock_guard lock(doc.mutex);
    const auto* song = reinterpret_cast<const std::uint8_t*>(&doc.song);
    Snapshot s(song, song + sizeof(Song));
    std::fill_n(s.begin() + offsetof(Song, soundingNote), sizeof(Song::soundingNote), 0);
    const std::int32_t loop[] = {doc.editor.loopStartRow, doc.editor.loopEndRow};
    s.insert(s.end(), reinterpret_cast<const std::uint8_t*>(loop),
             reinterpret_cast<const std::uint8_t*>(loop) + sizeof loop);
    return s;
}

void Press(CFennoralDoc& doc, int key) {
    KeyDownAsEdit(doc, {key, 0}, false);
    EditorKeyUp(doc.songEditor, key);
}

void Drag(CFennoralDoc& doc, bool left, std::initializer_list<std::pair<int, int>> points) {
    EditorMouse mouse;
    auto at = points.begin();
    MouseDownAsEdit(doc, mouse, left, at->first, at->second);
    for (++at; at != points.end(); ++at)
        EditorMouseMove(doc.songEditor, mouse, at->first, at->second);
    MouseUpAsEdit(doc, mouse, left);
}

void PutCursor(CFennoralDoc& doc, int track, int line) {
    std::lock_guard lock(doc.mutex);
    doc.editor.cursorTrack = track;
    doc.editor.cursorLine = line;
}

void PutSeqCursor(CFennoralDoc& doc, int row, int column) {
    std::lock_guard lock(doc.mutex);
    doc.editor.seqCursorRow = row;
    doc.editor.seqCursorColumn = column;
}

void MarkBlock(CFennoralDoc& doc, int firstTrack, int firstLine, int lastTrack, int lastLine) {
    PutCursor(doc, firstTrack, firstLine);
    RunEditCommandAsEdit(doc, EditCommand::MarkBlockStart);
    PutCursor(doc, lastTrack, lastLine);
    RunEditCommandAsEdit(doc, EditCommand::MarkBlockEnd);
}

void Focus(CFennoralDoc& doc, int sequencer, int pattern = 2, int line = 5, int field = 0) {
    std::lock_guard lock(doc.mutex);
    EditorState& e = doc.editor;
    e.sequencerFocus = sequencer;
    e.recordMode = 1;
    e.currentPattern = pattern;
    e.cursorLine = line;
    e.cursorTrack = 3;
    e.cursorField = field;
}

struct EditCase {
    const char* label;                         // of the one undo step
    int sequencer, pattern;                    // where the focus and, on line 5, the cursor stand
    std::function<void(CFennoralDoc&)> setUp;  // more, when needed
    std::function<void(CFennoralDoc&)> edit;
};

const EditCase kEditCases[] = {
    {"Clear Slots", 1, 2, nullptr,
     [](auto& doc) {
         Drag(doc, false, {{350, 30}, {350, 42}, {378, 54}, {600, 66}});
     }},
    {"Cut", 0, 2, [](auto& doc) { MarkBlock(doc, 1, 4, 6, 40); },
     [](auto& doc) { RunEditCommandAsEdit(doc, EditCommand::Cut); }},
    {"Interpolate", 0, 2, [](auto& doc) { MarkBlock(doc, 0, 3, 0, 60); },  // empty: all become 0
     [](auto& doc) { RunEditCommandAsEdit(doc, EditCommand::InterpolateVelocity); }},
    {"Cut Pattern", 0, 4, nullptr,
     [](auto& doc) { RunPatternCommandAsEdit(doc, PatternCommand::Cut); }},
    {"Paste Pattern", 0, 7,
     [](auto& doc) {
         RunPatternCommandAsEdit(doc, PatternCommand::Copy);
         Focus(doc, 0, 40);
     },
     [](auto& doc) { RunPatternCommandAsEdit(doc, PatternCommand::Paste); }},
    {"Loop Mark", 1, 2,  // the start moves, the end stays
     [](auto& doc) {
         Locked(doc, [&] {
             doc.editor.loopStartRow = 100;
             doc.editor.loopEndRow = 600;
             doc.editor.seqCursorRow = 500;
         });
     },
     [](auto& doc) { RunEditCommandAsEdit(doc, EditCommand::MarkBlockStart); }},
    {"Velocity", 0, 2, nullptr,  // a byte the editor writes unannounced
     [](auto& doc) {
         Locked(doc, [&] { SetChannelVelocityAsEdit(doc, 5, 200); });
         EXPECT_EQ(doc.song.channelVelocity[5], 127);
     }},
    {"Song Header", 0, 2, nullptr,
     [](auto& doc) {
         EditAction session(doc, "Song Header", {HeaderRange()});
         for (const char* typed : {"A", "An", "Ann"}) {
             std::lock_guard lock(doc.mutex);
             CopyText(doc.song.header.author, typed);
             CopyText(doc.song.header.comments, typed);
         }
     }},
    {"Patch Name", 0, 2, nullptr, [](auto& doc) { doc.EditPatchName("Warm Pad"); }},
    {"Load Patch List", 0, 2, nullptr,
     [](auto& doc) {
         TempFolder folder;
         testing::WriteBytes(folder.Path("bank.lst"),
                             std::vector<std::uint8_t>(kPatchTableSize, 'x'));
         ASSERT_TRUE(doc.LoadPatchList(folder.Path("bank.lst")));
     }},
};

TEST(Undo, EveryEditUndoesToTheSongBeforeAndRedoesToTheSongAfter) {
    for (const EditCase& edit : kEditCases) {
        SCOPED_TRACE(edit.label);
        TestDocument t;
        CFennoralDoc& doc = *t.doc;
        Locked(doc, [&] { FillDenseSong(doc, testing::Density::EveryCommand); });
        Focus(doc, edit.sequencer, edit.pattern);
        if (edit.setUp) edit.setUp(doc);
        const Snapshot before = Take(doc);

        edit.edit(doc);
        const Snapshot after = Take(doc);
        EXPECT_STREQ(doc.history.UndoLabel(), edit.label);
        // One undo takes the whole edit back: one action, one step. Whether the song differs
        // from the saved one is the random test's.
        ASSERT_TRUE(doc.Undo());
        EXPECT_TRUE(Take(doc) == before);
        ASSERT_TRUE(doc.Redo());
        EXPECT_TRUE(Take(doc) == after);
        EXPECT_LT(doc.history.MemoryBytes(), 64u * 1024) << "only the changed runs are kept";
    }
}

TEST(Undo, MovingAndPlayingAreNoEditsUndoBringsTheCursorBackAndANewSongForgetsTheHistory) {
    TestDocument t;
    CFennoralDoc& doc = *t.doc;
    {
        std::lock_guard lock(doc.mutex);
        FillDenseSong(doc, testing::Density::EveryCommand);
        doc.history.MarkSaved();
        doc.StartPlayback(kSongMode);
    }
    Focus(doc, 0);
    ToggleRecord(doc.songEditor);  // off
    for (int key : {vk::kDown, vk::kRight, int{'Q'}}) Press(doc, key);
    for (int tick = 0; tick < 2000; ++tick)
        Locked(doc, [&] { doc.PlayerTick(); });  // tempo and program cells write the song
    EXPECT_FALSE(doc.history.IsChanged());       // no step, no unrecorded write

    Focus(doc, 0, 6, 30);
    PutSeqCursor(doc, 40, 0);
    Press(doc, 'Z');
    Locked(doc, [&] { doc.StepCurrentPattern(+40); });
    PutCursor(doc, 9, 70);
    PutSeqCursor(doc, 0, 5);
    ASSERT_TRUE(doc.Undo());
    const EditorState& e = doc.editor;
    EXPECT_EQ((std::vector{e.currentPattern, e.cursorLine, e.cursorTrack, e.seqCursorRow,
                           e.seqCursorColumn}),
              (std::vector{6, 30, 3, 40, 0}));
    ASSERT_TRUE(doc.Redo());
    PutCursor(doc, 9, 70);  // in the same pattern, the line comes back too
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(e.cursorLine, 30);
    doc.NewSong();
    EXPECT_FALSE(doc.history.CanUndo() || doc.history.IsChanged());
    Press(doc, 'Z');
    EXPECT_TRUE(doc.history.CanUndo()) << "the new song's history takes edits";
}

// What an undo brings back reaches past the song: the outputs hear the channel's program again,
// and the tempo box, the panel and the view show it.
TEST(Undo, WhatComesBackIsSentAndShown) {
    TestDocument t(2);
    CFennoralDoc& doc = *t.doc;
    t.Settle();
    Locked(doc, [&] {
        SetChannelProgramAsEdit(doc, 0, 42);
        SetBpmAsEdit(doc, 100);
    });
    doc.DispatchUiSignals();
    t.ui.Clear();
    t.TakeSent();
    ASSERT_TRUE(doc.Undo());  // the tempo
    ASSERT_TRUE(doc.Undo());  // the program
    doc.DispatchUiSignals();
    EXPECT_THAT(t.ui.Events(), ::testing::IsSupersetOf({"bpm:125", "panel", "invalidate"}));
    EXPECT_EQ(t.TakeSent(), (std::vector<std::string>{"c0 00@0", "c0 00@1"}));
}

// Each stretch is the bytes of what it names; a name off the song gives none.
TEST(Undo, RangesAreTheBytesOfWhatTheyNameAndNoneOffTheSong) {
    const struct {
        const char* name;
        SongRange range;
        std::size_t offset, size;
    } rows[] = {
        {"pattern 127", PatternRange(127), offsetof(Song, patterns[127]), sizeof(Pattern)},
        {"pattern 128", PatternRange(128), 0, 0},
        {"pattern -1", PatternRange(-1), 0, 0},
        {"slot 0, 0", SequenceSlotRange(0, 0), offsetof(Song, sequence), sizeof(SequenceSlot)},
        {"slot 16383, 15", SequenceSlotRange(16383, 15), offsetof(Song, sequence[16383][15]),
         sizeof(SequenceSlot)},
        {"row 16384", SequenceSlotRange(16384, 0), 0, 0},
        {"row -1", SequenceSlotRange(-1, 0), 0, 0},
        {"column 16", SequenceSlotRange(0, 16), 0, 0},
        {"column -1", SequenceSlotRange(1, -1), 0, 0},
    };
    for (const auto& row : rows)
        EXPECT_EQ(std::pair(row.range.offset, row.range.size), std::pair(row.offset, row.size))
            << row.name;
}

// One action of many watches, some nested, overlapping or of one byte, with writes between
// them: undo gives back the bytes from before it and redo those from after. While open it is a
// change exactly when a byte differs.
TEST(Undo, NestedAndOverlappingWatchesOfOneActionKeepTheOldestBytes) {
    auto song = std::make_unique<Song>();
    EditorState editor{};
    EditHistory history(*song, editor);
    auto* image = reinterpret_cast<std::uint8_t*>(song.get());
    const auto now = [&] { return Snapshot(image, image + 600); };
    for (unsigned seed = 1; seed <= 20; ++seed) {
        SCOPED_TRACE(::testing::Message() << "seed " << seed);
        std::mt19937 random(seed);
        const auto pick = [&](unsigned n) { return random() % n; };
        const Snapshot before = now();
        history.Begin("Typing");
        int depth = 1;
        for (int write = 0; write < 12; ++write) {
            if (pick(3) == 0) {
                history.Begin("Inner");
                ++depth;
            }
            const std::size_t offset = pick(560), size = pick(4) == 0 ? 1 : 1 + pick(40);
            history.Watch({offset, size});
            for (std::size_t i = offset; i < offset + size; ++i)
                if (pick(2)) image[i] = static_cast<std::uint8_t>(pick(3));
            if (depth > 1 && pick(2)) {
                history.End();
                --depth;
            }
            ASSERT_EQ(history.IsChanged(), now() != before) << "write " << write;
        }
        for (; depth > 1; --depth) history.End();
        EXPECT_FALSE(history.CanUndo()) << "the outer action is still open";
        history.End();
        const Snapshot after = now();
        ASSERT_TRUE(after != before) << "the seed makes no change";
        EditPlace place;
        ASSERT_TRUE(history.Undo(place));
        EXPECT_TRUE(now() == before);
        ASSERT_TRUE(history.Redo(place));
        EXPECT_TRUE(now() == after);
        EXPECT_STREQ(history.UndoLabel(), "Typing");
        history.MarkSaved();
    }
}

// A saved place lost to undos and a different edit is the random test's; one lost with the
// oldest steps is here.
TEST(Undo, TheOldestStepsGoFirstAndAWriteOutsideAnActionStillCountsAsAChange) {
    const struct {
        const char* name;
        HistoryLimits limits;
        int kept;
    } cases[] = {
        {.name = "past the most steps", .limits = {.maxSteps = 3}, .kept = 3},
        {.name = "past the most memory, the newest kept", .limits = {.maxBytes = 1}, .kept = 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto song = std::make_unique<Song>();
        EditorState editor{};
        EditHistory history(*song, editor, c.limits);
        history.MarkSaved();
        for (std::uint8_t value = 1; value <= 5; ++value) {
            history.Begin("Typing");
            history.Watch(PatternRange(0));
            song->patterns[0].cells[0][0].note = value;
            history.End();
        }
        EditPlace place;
        for (int step = 0; step < c.kept; ++step) ASSERT_TRUE(history.Undo(place));
        EXPECT_FALSE(history.Undo(place));
        EXPECT_EQ(song->patterns[0].cells[0][0].note, 5 - c.kept);  // after the oldest kept
        EXPECT_TRUE(history.IsChanged());  // not the saved song, which went with it
        history.MarkSaved();
        // A write that came with no action open cannot be undone but still counts as a change.
        history.WillWrite(offsetof(Song, sequence), 3);
        EXPECT_TRUE(history.IsChanged());
    }
}

// Random edits, undos and redos against a model that keeps every state whole; the undo of block
// pastes, the tempo and pattern properties is checked here only.
TEST(Undo, RandomEditsUndosAndRedosAgreeWithWholeCopies) {
    for (unsigned seed = 1; seed <= 3; ++seed) {
        TestDocument t;
        CFennoralDoc& doc = *t.doc;
        {
            std::lock_guard lock(doc.mutex);
            FillDenseSong(doc, testing::Density::ControllersAndNotes);
            doc.history.MarkSaved();
        }
        std::mt19937 random(seed);
        const auto pick = [&](int n) { return static_cast<int>(random() % n); };
        std::vector<Snapshot> states;
        states.push_back(Take(doc));
        int at = 0;
        int saved = 0;
        for (int step = 0; step < 30; ++step) {
            SCOPED_TRACE(::testing::Message() << "seed " << seed << " step " << step);
            const int what = pick(10);
            if (what < 2) {
                if (doc.Undo()) --at;
            } else if (what < 3) {
                if (doc.Redo()) ++at;
            } else if (what < 4) {
                std::lock_guard lock(doc.mutex);
                doc.history.MarkSaved();
                saved = at;
            } else if (what == 4) {
                Focus(doc, 0, pick(3), pick(256), pick(7));
                Press(doc, "QZ1A5F"[pick(6)]);
            } else if (what == 5) {
                Focus(doc, 1, pick(3));
                Drag(doc, pick(2) == 0,
                     {{350 + pick(400), 30 + pick(200)}, {350 + pick(400), 30 + pick(200)}});
            } else if (what == 6) {
                Focus(doc, 0, pick(3), pick(200));
                MarkBlock(doc, pick(8), pick(100), 8 + pick(8), 100 + pick(156));
                RunEditCommandAsEdit(doc, EditCommand::Copy);
                Focus(doc, 0, pick(3), pick(256));
                RunEditCommandAsEdit(doc, EditCommand::Paste);
            } else if (what == 7) {
                Focus(doc, 1);
                Locked(doc, [&] { doc.editor.seqCursorRow = pick(1000); });
                RunEditCommandAsEdit(
                    doc, pick(2) ? EditCommand::MarkBlockStart : EditCommand::MarkBlockEnd);
            } else if (what == 8) {
                Locked(doc, [&] { SetBpmAsEdit(doc, 40 + pick(200)); });
            } else {
                Focus(doc, 0, pick(3));
                ApplyPatternPropertiesAsEdit(doc, "P", std::to_string(1 + pick(256)));
            }
            // An edit makes a new state, unless it changed nothing.
            if (Snapshot now = Take(doc); what >= 4 && now != states[at]) {
                states.resize(at + 1);
                if (saved > at) saved = -1;
                states.push_back(std::move(now));
                ++at;
            }
            ASSERT_TRUE(Take(doc) == states[at]);
            ASSERT_EQ(doc.history.IsChanged(), at != saved);
        }
    }
}

}  // namespace
}  // namespace tarvel
