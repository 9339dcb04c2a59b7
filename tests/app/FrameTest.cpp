// The main frame: its shape, menu, accelerators, toolbar, prompts, recent files, the wake-up
// from the timer thread and the close sequence.
#include <QAction>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <map>
#include <mutex>
#include <thread>

#include "AppFixture.h"
#include "app/Accelerators.h"
#include "app/CommandIds.h"

namespace tarvel::testing {
namespace {

TEST_F(AppTest, FrameIsFixedSizeWithRoomForEveryEditorRow) {
    EXPECT_EQ(frame().width(), 802);
    EXPECT_EQ(frame().minimumSize(), frame().maximumSize());
    EXPECT_FALSE(frame().windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(frame().windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(view().height(), 24 + 25 * 12);
    const QRect shown = view().visibleRegion().boundingRect();
    EXPECT_EQ(shown.height(), view().height());
    EXPECT_EQ(frame().windowTitle(), "Untitled - Tarvel");
}

TEST_F(AppTest, StartUpShowsTheWindowThenTheAboutBox) {
    EXPECT_TRUE(frame().isVisible());
    ASSERT_EQ(services.calls, std::vector<std::string>{"about"});
    EXPECT_TRUE(frame().acceptDrops());
}

TEST_F(AppTest, MenuCarriesEveryCommandWithItsLabel) {
    const std::map<int, QString> expected = {
        {57600, "&New\tCtrl+N"},
        {57601, "&Open...\tCtrl+O"},
        {57603, "&Save\tCtrl+S"},
        {57604, "Save &As..."},
        {32771, "Edit song header..."},
        {57607, "&Print...\tCtrl+P"},
        {57609, "Print Pre&view"},
        {57606, "P&rint Setup..."},
        {57665, "E&xit"},
        {32787, "Mark pattern block start\tCtrl+B"},
        {32788, "Mark pattern block end\tCtrl+E"},
        {57635, "Cu&t\tCtrl+X"},
        {57634, "&Copy\tCtrl+C"},
        {57637, "&Paste\tCtrl+V"},
        {32810, "Interpolate velocity\tCtrl+U"},
        {32809, "Interpolate parameter\tCtrl+I"},
        {32779, "Shift octave down\t/"},
        {32780, "Shift octave up\t*"},
        {32796, "Prev. pattern\t-"},
        {32795, "Next pattern\t+"},
        {32811, "Transpose up sequencer row\tCtrl +"},
        {32812, "Transpose down sequencer row\tCtrl -"},
        {32793, "Cut pattern\tCtrl+F3"},
        {32792, "Copy pattern\tCtrl+F4"},
        {32794, "Paste pattern\tCtrl+F5"},
        {32797, "Pattern properties...\tAlt+ENTER"},
        {59392, "&Toolbar"},
        {59393, "&Status Bar"},
        {32790, "Record\tSpace"},
        {32801, "Play current pattern\tF4"},
        {32773, "Play song\tF5"},
        {32786, "Stop\tF8"},
        {32776, "Seek start"},
        {32777, "Seek end"},
        {32782, "All controllers reset"},
        {32784, "All notes off"},
        {32798, "Open Multimedia mixer panel"},
        {32805, "View delay times..."},
        {57664, "&About TARVEL..."},
        {32799, "Show help file...\tF1"},
    };
    std::map<int, QString> labels = MenuLabels(frame());
    for (const auto& [id, label] : expected) EXPECT_EQ(labels[id], label) << id;
    int links = 0;
    for (const auto& [id, label] : labels) links += cmd::IsWebLink(id) ? 1 : 0;
    EXPECT_EQ(links, 14);
    // With no recent file the greyed placeholder stands in the list.
    EXPECT_EQ(frame().action(57616)->isVisible(), false);
}

TEST_F(AppTest, PromptsAndTooltipsFollowTheStringTable) {
    EXPECT_EQ(frame().action(32786)->toolTip(), "Stop [F8]");
    EXPECT_EQ(frame().action(32786)->statusTip(), "Stop");
    EXPECT_EQ(frame().action(32773)->toolTip(), "Play song [F5]");
    EXPECT_EQ(frame().action(32809)->statusTip(),
              "Interpolate linearly parameter control value between marked rows");
    EXPECT_EQ(frame().action(32805)->statusTip(),
              "Helper message box showing proper delay times in ms.");
    EXPECT_EQ(frame().action(32779)->statusTip(), "");
    EXPECT_EQ(frame().statusBar()->currentMessage(), "Ready");
}

TEST_F(AppTest, ToolbarHasTwentyFiveSlotsWithNineteenImages) {
    const QList<QAction*> slots = frame().toolBar().actions();
    ASSERT_EQ(slots.size(), 25);
    std::vector<int> ids;
    for (QAction* slot : slots) {
        if (slot->isSeparator()) {
            ids.push_back(0);
            continue;
        }
        EXPECT_FALSE(slot->icon().isNull()) << slot->data().toInt();
        EXPECT_EQ(slot->icon().pixmap(26, 18).size(), QSize(26, 18));
        ids.push_back(slot->data().toInt());
    }
    const std::vector<int> expected = {57600, 57601, 57603, 0,     57635, 57634, 57637, 0, 57607,
                                       0,     32790, 32801, 32773, 32786, 32776, 32777, 0, 57664,
                                       32782, 32784, 0,     32805, 0,     32799, 32808};
    EXPECT_EQ(ids, expected);
}

QKeyEvent Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    return QKeyEvent(QEvent::KeyPress, key, modifiers);
}

TEST(AcceleratorTest, KeypadKeysAreToldApartFromTheMainKeyboard) {
    const auto num = Qt::KeypadModifier;
    const auto ctrl = Qt::ControlModifier;
    const auto shift = Qt::ShiftModifier;
    EXPECT_EQ(AcceleratorCommand(Press(Qt::Key_Plus, num)), 32795);
    EXPECT_EQ(AcceleratorCommand(Press(Qt::Key_Plus, shift)), 0);  // '+' above '='
    EXPECT_EQ(AcceleratorCommand(Press(Qt::Key_Plus, ctrl | num)), 32811);
    EXPECT_EQ(AcceleratorCommand(Press(Qt::Key_Minus, num)), 32796);
    EXPECT_EQ(AcceleratorCommand(Press(Qt::Key_Minus)), 0);
    EXPECT_EQ(AcceleratorCommand(Press(Qt::Key_Minus, ctrl | num)), 32812);
    EXPECT_EQ(AcceleratorCommand(Press(Qt::Key_Asterisk, num)), 32780);
    EXPECT_EQ(AcceleratorCommand(Press(Qt::Key_Asterisk, shift)), 0);  // Shift+8
    EXPECT_EQ(AcceleratorCommand(Press(Qt::Key_Slash, num)), 32779);
    EXPECT_EQ(AcceleratorCommand(Press(Qt::Key_Slash)), 0);
}

TEST(AcceleratorTest, ModifiersMustMatchExactly) {
    EXPECT_EQ(AcceleratorCommand(Press(Qt::Key_Space)), 32790);
    EXPECT_EQ(AcceleratorCommand(Press(Qt::Key_Space, Qt::ShiftModifier)), 0);
    EXPECT_EQ(AcceleratorCommand(Press(Qt::Key_B, Qt::ControlModifier)), 32787);
    EXPECT_EQ(AcceleratorCommand(Press(Qt::Key_B, Qt::ControlModifier | Qt::ShiftModifier)), 0);
    EXPECT_EQ(AcceleratorCommand(Press(Qt::Key_B)), 0);
    EXPECT_EQ(AcceleratorCommand(Press(Qt::Key_F4)), 32801);
    EXPECT_EQ(AcceleratorCommand(Press(Qt::Key_F4, Qt::ControlModifier)), 32792);
    EXPECT_EQ(AcceleratorCommand(Press(Qt::Key_F8)), 32786);
    EXPECT_EQ(AcceleratorCommand(Press(Qt::Key_F6)), 57680);
    EXPECT_EQ(AcceleratorCommand(Press(Qt::Key_F6, Qt::ShiftModifier)), 57681);
    EXPECT_EQ(AcceleratorCommand(Press(Qt::Key_Z, Qt::ControlModifier)), 57643);
    EXPECT_EQ(AcceleratorCommand(Press(Qt::Key_Enter, Qt::AltModifier | Qt::KeypadModifier)),
              32797);
    EXPECT_EQ(AcceleratorCommand(Press(Qt::Key_Delete, Qt::ShiftModifier)), 57635);
    EXPECT_EQ(AcceleratorCommand(Press(Qt::Key_Insert, Qt::ControlModifier)), 57634);
    EXPECT_EQ(AcceleratorCommand(Press(Qt::Key_Insert, Qt::ShiftModifier)), 57637);
}

TEST_F(AppTest, UndoAndThePaneKeysAreNeverEnabled) {
    for (int id : {57643, 57680, 57681}) EXPECT_FALSE(frame().IsCommandEnabled(id)) << id;
    // Their keys are still taken by the frame and reach nothing else.
    services.calls.clear();
    QTest::keyClick(&view(), Qt::Key_F6);
    QTest::keyClick(&view(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(services.calls.empty());
}

TEST_F(AppTest, AcceleratorsWorkWhereverTheKeyboardIsInTheWindow) {
    QLineEdit* tempo = Control<QLineEdit>(1032);
    tempo->setFocus();
    QTest::keyClick(tempo, Qt::Key_F1);
    EXPECT_EQ(services.Last(), "help");
}

TEST_F(AppTest, RecentFilesAreShortenedToThirtyCharacters) {
    frame().ShowRecentFiles({"/home/musician/songs/2026/winter/long-song-name.trv", "/a/b.trv"});
    const QString first = frame().action(57616)->text();
    EXPECT_TRUE(first.startsWith("&1 "));
    EXPECT_LE(first.size() - 3, 30);
    EXPECT_TRUE(first.endsWith("long-song-name.trv"));
    EXPECT_EQ(frame().action(57617)->text(), "&2 /a/b.trv");
    EXPECT_TRUE(frame().action(57616)->isVisible());
    EXPECT_FALSE(frame().action(57618)->isVisible());
}

TEST_F(AppTest, TimerThreadSignalsReachTheWindowThroughTheWakeUp) {
    std::thread timer([this] {
        std::lock_guard lock(doc().mutex);
        doc().SetBpm(130);
        doc().ShowBpm();
    });
    timer.join();
    QLineEdit* tempo = Control<QLineEdit>(1032);
    QTRY_COMPARE(tempo->text(), QString("130"));
}

TEST_F(AppTest, ClosingAChangedSongAsksFirstAndCancelKeepsTheWindow) {
    Control<QSlider>(1035)->setValue(64);  // the channel's velocity is part of the song
    services.saveAnswer = SaveAnswer::Cancel;
    EXPECT_FALSE(frame().close());
    EXPECT_EQ(services.Last(), "ask-save");
    EXPECT_TRUE(frame().isVisible());
    EXPECT_TRUE(midi.IsOpen(0));

    services.saveAnswer = SaveAnswer::No;
    EXPECT_TRUE(frame().close());
    EXPECT_FALSE(midi.IsOpen(0));
    EXPECT_FALSE(midi.IsOpen(1));
}

TEST_F(AppTest, ClosingAnUnchangedSongAsksNothing) {
    services.calls.clear();
    EXPECT_TRUE(frame().close());
    EXPECT_TRUE(services.calls.empty());
    EXPECT_FALSE(midi.IsOpen(0));
}

TEST_F(AppTest, NewOnAChangedSongAsksAndYesWithoutANameAsksForOne) {
    Control<QSlider>(1035)->setValue(64);
    services.saveAnswer = SaveAnswer::Yes;
    services.songToSave.reset();  // the user then cancels the file chooser
    frame().Execute(cmd::kFileNew);
    EXPECT_EQ(services.calls, (std::vector<std::string>{"about", "ask-save", "choose-save"}));
    std::lock_guard lock(doc().mutex);
    EXPECT_EQ(doc().song.channelVelocity[0], 64);  // nothing was lost
}

TEST_F(AppTest, NewAnsweredNoStartsAFreshSong) {
    Control<QSlider>(1035)->setValue(64);
    services.saveAnswer = SaveAnswer::No;
    frame().Execute(cmd::kFileNew);
    EXPECT_FALSE(app->IsSongChanged());
    EXPECT_EQ(Control<QSlider>(1035)->value(), 100);
    std::lock_guard lock(doc().mutex);
    EXPECT_EQ(doc().song.channelVelocity[0], 100);
}

}  // namespace
}  // namespace tarvel::testing
