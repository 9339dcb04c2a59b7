// Every command of the menu reaches its operation: one row per command id, each run on a fresh
// application through the menu's own action.
#include <QAction>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <functional>
#include <mutex>
#include <set>

#include "AppFixture.h"
#include "app/CommandIds.h"

namespace tarvel::testing {
namespace {

struct Route {
    int id;
    std::function<void(AppTest&)> prepare;
    std::function<void(AppTest&)> verify;
};

void Nothing(AppTest&) {}

void ForgetSent(AppTest& test) {
    test.TakeSent();
}

void PrintTo(const Route& route, std::ostream* out) {
    *out << "command " << route.id;
}

std::function<void(AppTest&)> Calls(std::string call) {
    return [call](AppTest& test) { EXPECT_EQ(test.services.Last(), call); };
}

// Checks a value of the document, read under its lock.
std::function<void(AppTest&)> Holds(std::function<bool(const CFennoralDoc&)> check) {
    return [check](AppTest& test) {
        std::lock_guard lock(test.doc().mutex);
        EXPECT_TRUE(check(test.doc()));
    };
}

void MarkTwoLines(AppTest& test) {
    std::lock_guard lock(test.doc().mutex);
    EditorState& editor = test.doc().editor;
    editor.blockMarked = 1;
    editor.blockStartLine = 0;
    editor.blockEndLine = 2;
    editor.blockStartTrack = editor.blockEndTrack = 0;
    editor.clipboardValid = 1;
    editor.clipboardWidth = editor.clipboardHeight = 1;
    test.doc().song.patterns[0].cells[0][0] = PatternCell{60, 0x00, 7, 0x00};
    test.doc().song.patterns[0].cells[2][0] = PatternCell{kNoNote, 0x40, 7, 0x40};
}

const PatternCell& Cell(const CFennoralDoc& doc, int line) {
    return doc.song.patterns[0].cells[line][0];
}

std::vector<Route> Routes() {
    using namespace cmd;
    std::vector<Route> routes = {
        {kFileNew,
         [](AppTest& t) {
             std::lock_guard lock(t.doc().mutex);
             t.doc().song.channelVelocity[0] = 5;
             t.services.saveAnswer = SaveAnswer::No;
         },
         Holds([](const CFennoralDoc& d) { return d.song.channelVelocity[0] == 100; })},
        {kFileOpen, Nothing, Calls("choose-open")},
        {kFileSave, Nothing, Calls("choose-save")},  // not named yet
        {kFileSaveAs, Nothing, Calls("choose-save")},
        {kImportMidiFile, Nothing, Calls("choose-midi-import")},
        {kExportMidiFile, Nothing, Calls("choose-midi-export")},
        {kExportAudioFile, Nothing, Calls("choose-audio-export")},
        {kFilePrintSetup, Nothing, Calls("print-setup")},
        {kFilePrint, Nothing, Calls("print")},
        {kFilePrintPreview, Nothing, Calls("print-preview")},
        {kAppExit, Nothing,
         [](AppTest& t) {
             EXPECT_FALSE(t.frame().isVisible());
             EXPECT_FALSE(t.midi.IsOpen(0));
         }},
        {kViewToolbar, Nothing, [](AppTest& t) { EXPECT_TRUE(t.frame().toolBar().isHidden()); }},
        {kViewStatusBar, Nothing,
         [](AppTest& t) { EXPECT_TRUE(t.frame().statusBar()->isHidden()); }},
        {kEditSongHeader, Nothing, Calls("header")},
        {kPatternProperties, Nothing, Calls("pattern-properties:empty:64")},
        {kMidiResetControllers, ForgetSent,
         [](AppTest& t) {
             EXPECT_EQ(t.services.Last(), "message:MIDI Message send");
             EXPECT_EQ(t.TakeSent().front(), "b0 79 00@0");
         }},
        {kMidiAllNotesOff, ForgetSent,
         [](AppTest& t) {
             EXPECT_EQ(t.services.Last(), "message:MIDI Message send");
             EXPECT_EQ(t.TakeSent().front(), "b0 7b 00@0");
         }},
        {kOpenMixer, Nothing, Calls("mixer")},
        {kDelayTimes, Nothing, Calls("delay:120")},
        {kAppAbout, Nothing, Calls("about")},
        {kShowHelp, Nothing, Calls("help")},

        {kMarkBlockStart, Nothing,
         Holds([](const CFennoralDoc& d) { return d.editor.blockMarked == 1; })},
        {kMarkBlockEnd, Nothing,
         Holds([](const CFennoralDoc& d) { return d.editor.blockMarked == 1; })},
        {kEditCut, MarkTwoLines,
         Holds([](const CFennoralDoc& d) { return Cell(d, 0).note == kNoNote; })},
        {kEditCopy, MarkTwoLines,
         Holds([](const CFennoralDoc& d) { return d.editor.clipboardHeight == 3; })},
        {kEditPaste,
         [](AppTest& t) {
             MarkTwoLines(t);
             std::lock_guard lock(t.doc().mutex);
             t.doc().editor.blockClipboard.cells[0][0] = PatternCell{61, 1, 2, 3};
         },
         Holds([](const CFennoralDoc& d) { return Cell(d, 0).note == 61; })},
        {kInterpolateVelocity, MarkTwoLines,
         Holds([](const CFennoralDoc& d) { return Cell(d, 1).velocity == 0x20; })},
        {kInterpolateParameter, MarkTwoLines,
         Holds([](const CFennoralDoc& d) { return Cell(d, 1).parameter == 0x20; })},
        {kOctaveDown, Nothing, Holds([](const CFennoralDoc& d) { return d.editor.octave == 3; })},
        {kOctaveUp, Nothing, Holds([](const CFennoralDoc& d) { return d.editor.octave == 5; })},
        {kRecord, Nothing, Holds([](const CFennoralDoc& d) { return d.editor.recordMode == 1; })},

        {kNextPattern, Nothing,
         Holds([](const CFennoralDoc& d) { return d.editor.currentPattern == 1; })},
        {kPrevPattern,
         [](AppTest& t) {
             std::lock_guard lock(t.doc().mutex);
             t.doc().editor.currentPattern = 3;
         },
         Holds([](const CFennoralDoc& d) { return d.editor.currentPattern == 2; })},
        {kTransposeUp, Nothing,
         Holds([](const CFennoralDoc& d) { return d.editor.insertTranspose == 1; })},
        {kTransposeDown, Nothing,
         Holds([](const CFennoralDoc& d) { return d.editor.insertTranspose == -1; })},
        {kCutPattern, MarkTwoLines,
         Holds([](const CFennoralDoc& d) { return Cell(d, 0).note == kNoNote; })},
        {kCopyPattern, MarkTwoLines, Holds([](const CFennoralDoc& d) {
             return d.editor.patternClipboard.cells[0][0].note == 60;
         })},
        {kPastePattern,
         [](AppTest& t) {
             std::lock_guard lock(t.doc().mutex);
             t.doc().editor.patternClipboard.cells[0][0] = PatternCell{62, 1, 2, 3};
         },
         Holds([](const CFennoralDoc& d) { return Cell(d, 0).note == 62; })},

        {kPlayPattern, Nothing, Holds([](const CFennoralDoc& d) {
             return d.player.isPlaying && d.player.playMode == kPatternMode;
         })},
        {kPlaySong, Nothing, Holds([](const CFennoralDoc& d) {
             return d.player.isPlaying && d.player.playMode == kSongMode;
         })},
        {kStop,
         [](AppTest& t) {
             std::lock_guard lock(t.doc().mutex);
             t.doc().StartPlayback(kSongMode);
         },
         Holds([](const CFennoralDoc& d) { return !d.player.isPlaying; })},
        {kSeekStart,
         [](AppTest& t) {
             std::lock_guard lock(t.doc().mutex);
             t.doc().player.playRow = 99;
         },
         Holds([](const CFennoralDoc& d) { return d.player.playRow == 0; })},
        {kSeekEnd, Nothing, Holds([](const CFennoralDoc& d) { return d.player.playRow == 384; })},
    };
    for (int id : {32808, 32813, 32814, 32815, 32816, 32817, 32818, 32819, 32820, 32821, 32822,
                   32823, 32824, 32825})
        routes.push_back({id, Nothing, Calls("web:" + std::to_string(id))});
    return routes;
}

class CommandRoutingTest : public AppTest, public ::testing::WithParamInterface<Route> {};

TEST_P(CommandRoutingTest, MenuCommandReachesItsOperation) {
    const Route& route = GetParam();
    route.prepare(*this);
    frame().UpdateCommandStates();
    QAction* action = frame().action(route.id);
    ASSERT_NE(action, nullptr);
    ASSERT_TRUE(action->isEnabled());
    action->trigger();
    route.verify(*this);
}

INSTANTIATE_TEST_SUITE_P(EveryCommand, CommandRoutingTest, ::testing::ValuesIn(Routes()),
                         [](const ::testing::TestParamInfo<Route>& info) {
                             return std::to_string(info.param.id);
                         });

TEST_F(AppTest, RoutingTableCoversEveryMenuCommand) {
    std::set<int> routed;
    for (const Route& route : Routes()) routed.insert(route.id);
    for (const auto& [id, label] : MenuLabels(frame())) {
        if (!cmd::IsRecentFile(id)) {
            EXPECT_TRUE(routed.count(id)) << id;
        }
    }
}

TEST_F(AppTest, DisabledEditCommandsDoNothingFromTheirKeys) {
    {
        std::lock_guard lock(doc().mutex);
        doc().song.patterns[0].cells[0][0].note = 60;
    }
    frame().UpdateCommandStates();
    EXPECT_FALSE(frame().action(cmd::kEditCut)->isEnabled());
    QTest::keyClick(&view(), Qt::Key_X, Qt::ControlModifier);
    QTest::keyClick(&view(), Qt::Key_Delete, Qt::ShiftModifier);
    std::lock_guard lock(doc().mutex);
    EXPECT_EQ(doc().song.patterns[0].cells[0][0].note, 60);
}

}  // namespace
}  // namespace tarvel::testing
