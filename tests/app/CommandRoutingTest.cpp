// Every command reaches its operation and nothing else: one row per command, run on a fresh
// application through its key where it has one, else through the menu's own action, with what it
// changed written down; keys the editor reads, too. A command that is not enabled never runs,
// whichever key asks for it.
#include <QKeyEvent>
#include <QStatusBar>
#include <QToolBar>
#include <set>

#include "AppFixture.h"
#include "app/Accelerators.h"
#include "app/WebLinks.h"

namespace tarvel::testing {
namespace {

struct Route {
    int id;               // the menu command; 0 for a key
    std::string changes;  // "name old>new" for each probe that changed, the calls, the first send
    std::function<void(AppTest&)> prepare = nullptr;
    QKeyCombination key = {};  // with no command: pressed where the keyboard is
    const char* name = "";
};

// What a command may change, as numbers.
const std::pair<const char*, int (*)(AppTest&)> kProbes[] = {
    {"window", [](AppTest& t) { return int(t.frame().isVisible()); }},
    {"toolbar", [](AppTest& t) { return int(!t.frame().toolBar().isHidden()); }},
    {"statusbar", [](AppTest& t) { return int(!t.frame().statusBar()->isHidden()); }},
    {"ports", [](AppTest& t) { return t.midi.IsOpen(0) + t.midi.IsOpen(1); }},
    {"note0", [](AppTest& t) { return int(t.Cell(0).note); }},
    {"velocity1", [](AppTest& t) { return int(t.Cell(1).velocity); }},
    {"parameter1", [](AppTest& t) { return int(t.Cell(1).parameter); }},
    {"blockStart", [](AppTest& t) { return t.Locked()->editor.blockStartLine; }},
    {"blockEnd", [](AppTest& t) { return t.Locked()->editor.blockEndLine; }},
    {"clipboard", [](AppTest& t) { return t.Locked()->editor.clipboardHeight; }},
    {"patternClipboard",
     [](AppTest& t) { return int(t.Locked()->editor.patternClipboard.cells[0][0].note); }},
    {"octave", [](AppTest& t) { return t.Locked()->editor.octave; }},
    {"record", [](AppTest& t) { return int(t.Locked()->editor.recordMode); }},
    {"pattern", [](AppTest& t) { return t.Locked()->editor.currentPattern; }},
    {"transpose", [](AppTest& t) { return t.Locked()->editor.insertTranspose; }},
    {"playing", [](AppTest& t) { return int(t.Locked()->player.isPlaying); }},
    {"mode", [](AppTest& t) { return t.Locked()->player.playMode; }},
    {"row", [](AppTest& t) { return t.Locked()->player.playRow; }},
    {"follow", [](AppTest& t) { return int(t.Locked()->songEditor.followPlay); }},
    {"track", [](AppTest& t) { return t.Locked()->editor.cursorTrack; }},
    {"viewFocus", [](AppTest& t) { return int(QApplication::focusWidget() == &t.view()); }},
    {"patternChecked",
     [](AppTest& t) { return int(t.frame().action(cmd::kPlayPattern)->isChecked()); }},
    {"muted", [](AppTest& t) { return int(t.Locked()->engine.mutes.muted); }},
    {"soloed", [](AppTest& t) { return int(t.Locked()->engine.mutes.soloed); }},
    {"zoom", [](AppTest& t) { return t.view().zoom(); }},
    {"layoutWidth", [](AppTest& t) { return t.Locked()->songEditor.layout.width; }},
    // Live mode, the boundary, Record arrangement, track 0's launch and track 2's mute, a digit
    // each.
    {"live",
     [](AppTest& t) {
         const LiveState& live = t.Locked()->player.live;
         return live.on + 10 * live.boundary + 100 * live.recordArrangement +
                1000 * live.tracks[0].pattern.kind + 10000 * live.tracks[2].mute.kind;
     }},
};

std::map<std::string, int> Probe(AppTest& t) {
    std::map<std::string, int> values;
    for (const auto& [name, read] : kProbes) values[name] = read(t);
    return values;
}

// Live mode on, the song playing from row 0, whose slot on track 0 holds pattern 1; channel 3
// current.
void LiveSong(AppTest& t) {
    auto doc = t.Locked();
    doc->editor.currentChannel = 2;
    doc->engine.SetLiveMode(true);
    doc->song.sequence[0][0] = {1, 0, 0};
    doc->StartPlayback(kSongMode);
}

std::vector<Route> Routes() {
    using namespace cmd;
    const auto undone = [](AppTest& t) {
        t.frame().Execute(cmd::kCutPattern);
        t.frame().Execute(cmd::kEditUndo);
    };
    std::vector<Route> routes = {
        {kFileNew, "note0 60>255 c0 00@0"},  // set up outside the history: nothing to save
        {kFileOpen, "choose-open"},
        {kFileSave, "choose-save"},  // not named yet
        {kFileSaveAs, "choose-save"},
        {kImportMidiFile, "choose-midi-import"},
        {kExportMidiFile, "choose-midi-export"},
        {kExportAudioFile, "choose-audio-export"},
        {kFilePrintSetup, "print-setup"},
        {kFilePrint, "print"},
        {kFilePrintPreview, "print-preview"},
        {kAppExit, "ports 2>0 viewFocus 1>0 window 1>0"},
        {kViewToolbar, "toolbar 1>0"},
        {kViewStatusBar, "statusbar 1>0"},
        {kEditSongHeader, "header"},
        {kMidiResetControllers, "message:MIDI Message send b0 79 00@0"},
        {kMidiAllNotesOff, "message:MIDI Message send b0 7b 00@0"},
        {kOpenMixer, "mixer"},
        {kDelayTimes, "delay:120"},
        {kAppAbout, "about"},
        {kMarkBlockStart, "blockStart 0>1", [](AppTest& t) { t.Locked()->editor.cursorLine = 1; }},
        {kMarkBlockEnd, "blockEnd 2>0"},
        {kEditCopy, "clipboard 1>3"},
        {kEditPaste, "note0 60>61"},
        {kInterpolateVelocity, "velocity1 255>32"},
        {kInterpolateParameter, "parameter1 0>32"},
        {kOctaveDown, "octave 4>3"},
        {kRecord, "record 0>1"},
        {kPrevPattern, "pattern 3>2", [](AppTest& t) { t.Locked()->editor.currentPattern = 3; }},
        {kTransposeDown, "transpose 0>-1"},
        {kCutPattern, "note0 60>255 patternClipboard 62>60"},
        {kCopyPattern, "patternClipboard 62>60"},
        {kPastePattern, "note0 60>62"},
        {kSeekStart, "row 99>0"},
        {kSeekEnd, "row 99>384"},
        {kMuteTrack, "muted 0>4", [](AppTest& t) { t.Locked()->editor.currentChannel = 2; }},
        {kSoloTrack, "soloed 0>1"},
        {kQueueMute, "live 1>20001", LiveSong},
        {kLaunchAtNextBar, "live 0>10"},
        {kLaunchAtPatternEnd, "live 10>0",
         [](AppTest& t) { t.Locked()->player.live.boundary = kAtNextBar; }},
        {kRecordArrangement, "live 0>100"},
    };
    for (const WebLink& link : kWebLinks)
        routes.push_back({link.commandId, "web:" + std::to_string(link.commandId)});
    // Keys run their commands and sound no note, the keypad's only where it is meant; the keys of
    // commands not enabled do nothing.
    const auto playing = [](AppTest& t) { t.Locked()->StartPlayback(kSongMode); };
    const auto cut = [](AppTest& t) { t.frame().Execute(cmd::kCutPattern); };
    const auto noBlock = [](AppTest& t) { t.Locked()->editor.blockMarked = 0; };
    const auto inTheTempoBox = [](AppTest& t) {
        t.Control<QLineEdit>(widget_id::kTempo)->setFocus();
    };
    const auto zoomed = [](AppTest& t) { t.view().SetZoom(150); };
    const auto large = [](AppTest& t) { t.ResizeView({1920, 1000}); };  // the layout follows zoom
    const auto ctrlPad = Qt::ControlModifier | Qt::KeypadModifier;
    const auto altPad = Qt::AltModifier | Qt::KeypadModifier;
    const auto shiftPad = Qt::ShiftModifier | Qt::KeypadModifier;
    const Route keys[] = {
        {0, "octave 4>5", nullptr, Qt::KeypadModifier | Qt::Key_Asterisk, "KeypadStar"},
        {0, "pattern 0>1", nullptr, Qt::KeypadModifier | Qt::Key_Plus, "KeypadPlus"},
        {0, "", nullptr, Qt::ShiftModifier | Qt::Key_Plus, "PlusAboveEquals"},
        {0, "transpose 0>1", nullptr, ctrlPad | Qt::Key_Plus, "CtrlKeypadPlus"},
        {0, "", nullptr, Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_F3, "CtrlShiftF3"},
        {0, "pattern-properties:empty:64", nullptr, altPad | Qt::Key_Enter, "AltKeypadEnter"},
        {0, "clipboard 1>3 note0 60>255", nullptr, shiftPad | Qt::Key_Delete, "ShiftKeypadDel"},
        {0, "track 0>1", nullptr, Qt::Key_Tab, "Tab"},
        {0, "follow 0>1", nullptr, Qt::Key_ScrollLock, "ScrollLock"},
        {0, "mode 0>1 patternChecked 0>1 playing 0>1 row 99>0", nullptr, Qt::Key_F4, "F4"},
        {0, "playing 0>1 row 99>0", nullptr, Qt::Key_F5, "F5"},
        {0, "", playing, Qt::Key_F6, "F6IsNotStop"},
        {0, "playing 1>0", playing, Qt::Key_F8, "F8"},
        {0, "viewFocus 0>1 help", inTheTempoBox, Qt::Key_F1, "F1InTheTempoBox"},
        {0, "note0 255>60", cut, Qt::ControlModifier | Qt::Key_Z, "CtrlZ"},
        {0, "note0 60>255", undone, Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_Z,
         "CtrlShiftZ"},
        {0, "note0 60>255", undone, Qt::ControlModifier | Qt::Key_Y, "CtrlY"},
        {0, "", noBlock, Qt::ControlModifier | Qt::Key_X, "CtrlXWithNoBlock"},
        {0, "", nullptr, Qt::ShiftModifier | Qt::Key_F6, "ShiftF6"},
        {0, "live 0>1", nullptr, Qt::Key_F7, "F7"},
        {0, "live 1>1001", LiveSong, Qt::ShiftModifier | Qt::Key_F7, "ShiftF7"},
        {0, "", playing, Qt::ShiftModifier | Qt::Key_F7, "ShiftF7NotInLiveMode"},
        {0, "zoom 100>125", nullptr, Qt::ControlModifier | Qt::Key_Plus, "CtrlPlus"},
        {0, "layoutWidth 1920>1536 zoom 100>125", large, Qt::ControlModifier | Qt::Key_Equal,
         "CtrlEquals"},
        {0, "layoutWidth 1920>1536 zoom 100>125", large,
         Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_Plus, "CtrlShiftPlusOnAUsKeyboard"},
        {0, "zoom 150>125", zoomed, Qt::ControlModifier | Qt::Key_Minus, "CtrlMinus"},
        {0, "zoom 150>100", zoomed, Qt::ControlModifier | Qt::Key_0, "Ctrl0"},
    };
    routes.insert(routes.end(), std::begin(keys), std::end(keys));
    return routes;
}

class CommandRoutingTest : public AppTest, public ::testing::WithParamInterface<Route> {};

TEST_P(CommandRoutingTest, CommandOrKeyReachesItsOperationAndNothingElse) {
    const Route& route = GetParam();
    // A block over lines 0..2 of track 0 with a note at line 0 and a velocity and a parameter at
    // line 2; both clipboards hold a note; the player stands at row 99.
    services.saveAnswer = SaveAnswer::No;
    {
        auto doc = Locked();
        EditorState& editor = doc->editor;
        editor.blockMarked = 1;
        editor.blockStartLine = 0;
        editor.blockEndLine = 2;
        editor.blockStartTrack = editor.blockEndTrack = 0;
        editor.clipboardValid = 1;
        editor.clipboardWidth = editor.clipboardHeight = 1;
        editor.blockClipboard.cells[0][0] = PatternCell{61, 1, 2, 3};
        editor.patternClipboard.cells[0][0] = PatternCell{62, 1, 2, 3};
        doc->song.patterns[0].cells[0][0] = PatternCell{60, 0x00, 7, 0x00};
        doc->song.patterns[0].cells[2][0] = PatternCell{kNoNote, 0x40, 7, 0x40};
        doc->player.playRow = 99;
    }
    if (route.prepare) route.prepare(*this);
    frame().UpdateCommandStates();
    const std::map<std::string, int> before = Probe(*this);
    services.calls.clear();
    TakeSent();
    if (route.id) {
        QAction* action = frame().action(route.id);
        ASSERT_TRUE(action && action->isEnabled());
        action->trigger();
    } else {
        QTest::keyClick(QApplication::focusWidget(), route.key.key(),
                        route.key.keyboardModifiers());
    }

    QStringList changes;
    for (const auto& [name, value] : Probe(*this))
        if (const int old = before.at(name); value != old)
            changes << QString("%1 %2>%3").arg(name.c_str()).arg(old).arg(value);
    for (const std::string& call : services.calls) changes << call.c_str();
    if (const auto sent = TakeSent(); !sent.empty()) changes << sent.front().c_str();
    EXPECT_EQ(changes.join(' ').toStdString(), route.changes);
}

INSTANTIATE_TEST_SUITE_P(EveryCommandAndKey, CommandRoutingTest, ::testing::ValuesIn(Routes()),
                         [](const ::testing::TestParamInfo<Route>& info) {
                             return info.param.id ? std::to_string(info.param.id) : info.param.name;
                         });

// Every command but the recent files; those that no row reaches, by its menu item or by its key,
// are the ones never enabled. Each one reached has its menu item.
TEST_F(AppTest, EveryCommandIsRoutedAndNamedOrNeverEnabled) {
    std::set<int> routed;
    for (const Route& route : Routes()) {
        const QKeyEvent key(QEvent::KeyPress, route.key.key(), route.key.keyboardModifiers());
        if (!route.changes.empty()) routed.insert(route.id ? route.id : AcceleratorCommand(key));
    }
    for (const int id : routed) EXPECT_TRUE(id == 0 || frame().action(id)) << id;
    for (QAction* action : frame().findChildren<QAction*>()) {
        const int id = action->data().toInt();
        if (!action->data().isValid() || cmd::IsRecentFile(id)) continue;
        const bool routedOrOff =
            routed.count(id) ? !action->text().isEmpty() : !frame().IsCommandEnabled(id);
        EXPECT_TRUE(routedOrOff) << id;
    }
    EXPECT_EQ(frame().action(cmd::kStop)->text(), "Stop\tF8");  // the key that really stops
    EXPECT_FALSE(frame().IsCommandEnabled(cmd::kZoomOut));      // the actual size is the least
}

}  // namespace
}  // namespace tarvel::testing
