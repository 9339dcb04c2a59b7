// The main window with real key and mouse events: its shape and start-up, notes, Record and
// undo in the view; beyond its classic size, more tracks, lines and rows as it grows, its size,
// zoom, "Follow play" and when launches start kept in the settings; note keys read by their
// place.
#include <QKeyEvent>
#include <QMenu>
#include <QStatusBar>

#include "AppFixture.h"
#include "editor/EditorLayout.h"

namespace tarvel::testing {
namespace {

using namespace widget_id;

TEST_F(AppTest, StartUpShowsTheClassicSizeWindowThenTheAboutBox) {
    EXPECT_EQ(services.calls, std::vector<std::string>{"about"});
    EXPECT_TRUE(frame().acceptDrops());
    // The classic size is the default and the least; the window may grow.
    EXPECT_EQ(frame().size(), frame().minimumSize());
    EXPECT_TRUE(frame().windowFlags() & Qt::WindowMaximizeButtonHint);
    // The header and all 25 rows of 12 pixels show, none cut off.
    EXPECT_EQ(view().visibleRegion().boundingRect().height(), 24 + 25 * 12);
    EXPECT_EQ(frame().statusBar()->currentMessage(), "Ready");
    EXPECT_EQ(frame().action(cmd::kStop)->toolTip(), "Stop [F8]");
}

// A window gone while the about box is up (closed from it) leaves nothing to run: the start fails.
TEST_F(AppTest, StartUpFailsWhenTheWindowIsGoneBeforeTheProgramRuns) {
    QApplication::setQuitOnLastWindowClosed(false);  // the other tests still need event loops
    services.duringAboutBox = [](QWidget* frame) { frame->close(); };
    EXPECT_FALSE(Start());
    QApplication::setQuitOnLastWindowClosed(true);
}

// A stored zoom that is no step shows the actual size.
TEST_F(AppTest, SizeZoomFollowPlayAndWhenLaunchesStartComeBackAfterARestart) {
    const QLabel* scrollPane = frame().findChild<QLabel*>("followPlayPane");
    EXPECT_EQ(scrollPane->text(), "");
    frame().resize(1300, 800);
    frame().Execute(cmd::kFollowPlay);
    frame().Execute(cmd::kLaunchAtNextBar);
    frame().Execute(cmd::kZoomIn);
    frame().Execute(cmd::kZoomIn);
    EXPECT_EQ(scrollPane->text(), "SCRL");
    EXPECT_TRUE(frame().close());
    ASSERT_TRUE(Start());
    EXPECT_EQ(frame().size(), QSize(1300, 800));
    EXPECT_EQ(Locked()->songEditor.layout,
              LayoutForZoomedView(view().width(), view().height(), 150));
    EXPECT_TRUE(frame().action(cmd::kFollowPlay)->isChecked());
    EXPECT_TRUE(frame().action(cmd::kLaunchAtNextBar)->isChecked());
    EXPECT_FALSE(frame().action(cmd::kLaunchAtPatternEnd)->isChecked());
    EXPECT_TRUE(frame().close());
    QSettings(SettingsFile(), QSettings::IniFormat).setValue("Window/Zoom", 170);
    ASSERT_TRUE(Start());
    EXPECT_EQ(view().zoom(), 100);
}

class ViewTest : public AppTest {
  public:
    std::string UndoAndRedo() {
        frame().UpdateCommandStates();
        return (frame().action(cmd::kEditUndo)->isEnabled() ? "on " : "off ") +
               frame().action(cmd::kEditUndo)->text().toStdString() + " / " +
               frame().action(cmd::kEditRedo)->text().toStdString();
    }
};

// Note keys are read by their place on the keyboard.
TEST_F(ViewTest, NoteKeyWithRecordWritesAnUndoableCellAndSoundsUntilTheRealRelease) {
    QTest::keyClick(&view(), Qt::Key_Space);  // Record, even with the keyboard in the view
    EXPECT_TRUE(frame().action(cmd::kRecord)->isChecked());
    EXPECT_EQ(UndoAndRedo(), "off &Undo\tCtrl+Z / &Redo\tCtrl+Y");
    TakeSent();
    QTest::keyPress(&view(), Qt::Key_Q);  // C of octave 4, written (the Undo item below)
    EXPECT_EQ(TakeSent(), std::vector<std::string>{"90 3c 64@0"});

    // A held key's repeated releases do not stop the note; the real release does.
    QKeyEvent repeatedRelease(QEvent::KeyRelease, Qt::Key_Q, Qt::NoModifier, "q", true);
    QApplication::sendEvent(&view(), &repeatedRelease);
    EXPECT_TRUE(TakeSent().empty());
    QTest::keyRelease(&view(), Qt::Key_Q);
    EXPECT_EQ(TakeSent(), std::vector<std::string>{"80 3c 64@0"});
    // Ctrl+Z taking it back, the title following, is the window script undo_recovery.sh's.
    EXPECT_EQ(UndoAndRedo(), "on &Undo Typing\tCtrl+Z / &Redo\tCtrl+Y");
    // The key where a US keyboard has Y prints Z on a German one: A of octave 4 either way.
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Z, Qt::NoModifier, 29, 0x7A, 0, "z");
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Z, Qt::NoModifier, 29, 0x7A, 0, "z");
    QApplication::sendEvent(&view(), &press);
    QApplication::sendEvent(&view(), &release);
    EXPECT_EQ(TakeSent(), (std::vector<std::string>{"90 45 64@0", "80 45 64@0"}));
}

// A drag whose release never came (a box took it) ends at the next move without the button, or
// when the view loses the keyboard: hovering paints nothing after it, its step is closed, and
// while it was open it already counted as a change.
TEST_F(ViewTest, ADragWhoseReleaseWasLostEnds) {
    const auto move = [this](int y, Qt::MouseButtons held = Qt::NoButton) {
        QMouseEvent move(QEvent::MouseMove, QPointF(350, y), view().mapToGlobal(QPointF(350, y)),
                         Qt::NoButton, held, Qt::NoModifier);
        QApplication::sendEvent(&view(), &move);
    };
    const struct {
        const char* name;
        std::function<void()> loseTheRelease;
    } ways[] = {
        {.name = "a move with the button up", .loseTheRelease = [&] { move(42); }},
        {.name = "the keyboard taken",
         .loseTheRelease = [this] { Control<QLineEdit>(kTempo)->setFocus(); }},
    };
    for (const auto& way : ways) {
        QTest::mouseClick(&view(), Qt::LeftButton, {}, QPoint(350, 30));  // the sequencer's keys
        QTest::mousePress(&view(), Qt::LeftButton, {}, QPoint(350, 30));
        EXPECT_TRUE(app->IsSongChanged()) << way.name << ": a drag under way";
        move(30, Qt::LeftButton);
        EXPECT_TRUE(Locked()->history.IsOpen()) << way.name << ": a move with the button down";
        way.loseTheRelease();
        EXPECT_FALSE(Locked()->history.IsOpen()) << way.name;
        move(54);
        EXPECT_EQ(Locked()->song.sequence[32][0].pattern, kEmptySlot) << way.name;
        ASSERT_TRUE(doc().Undo());
        EXPECT_EQ(UndoAndRedo(), "off &Undo\tCtrl+Z / &Redo Paint Slots\tCtrl+Y") << way.name;
    }
}

// Ctrl and a click on a slot launch it, and paint nothing; a channel changed in the sequencer
// shows in the panel.
TEST_F(ViewTest, CtrlAndAClickLaunchTheSlotAndTheSequencersChannelShowsInThePanel) {
    {
        auto doc = Locked();
        doc->song.sequence[16][1] = {5, 0, 0};
        doc->engine.SetLiveMode(true);
        doc->StartPlayback(kSongMode);
    }
    QTest::mouseClick(&view(), Qt::LeftButton, {}, QPoint(500, 100));  // the sequencer's keys
    QTest::keyClick(&view(), Qt::Key_Left);                            // wraps from channel 1 to 16
    Settle();
    EXPECT_EQ(Control<QComboBox>(kChannelList)->currentText(), "16");
    QTest::mouseClick(&view(), Qt::LeftButton, Qt::ControlModifier, QPoint(344 + 28 + 5, 41));
    EXPECT_EQ(Locked()->player.live.tracks[1].pattern.fromRow, 16);
    EXPECT_EQ(UndoAndRedo(), "off &Undo\tCtrl+Z / &Redo\tCtrl+Y");  // the first click too
    Locked()->engine.SetLiveMode(false);  // an ordinary click again: it paints
    QTest::mouseClick(&view(), Qt::LeftButton, Qt::ControlModifier, QPoint(344 + 28 + 5, 41));
    EXPECT_EQ(Locked()->song.sequence[16][1].pattern, 0);
}

TEST_F(ViewTest, RightClickOnThePatternOpensTheEditMenu) {
    QTimer::singleShot(0, [this] {
        QWidget* popup = QApplication::activePopupWidget();
        EXPECT_EQ(popup, static_cast<QWidget*>(&frame().editMenu()));
        if (popup) popup->close();
    });
    QTest::mouseClick(&view(), Qt::RightButton, {}, QPoint(100, 100));
}

}  // namespace
}  // namespace tarvel::testing
