// The editor view with real key and mouse events: notes, Record, the transport keys, painting.
#include <QKeyEvent>
#include <QMenu>
#include <QTimer>

#include "AppFixture.h"

namespace tarvel::testing {
namespace {

class ViewTest : public AppTest {
  public:
    std::string UndoAndRedo() {
        frame().UpdateCommandStates();
        return (frame().action(cmd::kEditUndo)->isEnabled() ? "on " : "off ") +
               frame().action(cmd::kEditUndo)->text().toStdString() + " / " +
               frame().action(cmd::kEditRedo)->text().toStdString();
    }
};

TEST_F(ViewTest, NoteKeyWithRecordWritesAnUndoableCellAndSoundsTheNoteUntilTheRealRelease) {
    ASSERT_EQ(QApplication::focusWidget(), &view());
    QTest::keyClick(&view(), Qt::Key_Space);  // Record, even with the keyboard in the view
    frame().UpdateCommandStates();
    EXPECT_TRUE(frame().action(cmd::kRecord)->isChecked());
    EXPECT_EQ(UndoAndRedo(), "off &Undo\tCtrl+Z / &Redo\tCtrl+Y");
    TakeSent();
    QTest::keyPress(&view(), Qt::Key_Q);  // C of octave 4
    EXPECT_EQ(Cell(0).note, 60);
    EXPECT_EQ(TakeSent(), std::vector<std::string>{"90 3c 64@0"});

    // A held key's repeated releases do not stop the note; the real release does.
    QKeyEvent repeatedRelease(QEvent::KeyRelease, Qt::Key_Q, Qt::NoModifier, "q", true);
    QApplication::sendEvent(&view(), &repeatedRelease);
    EXPECT_TRUE(TakeSent().empty());
    QTest::keyRelease(&view(), Qt::Key_Q);
    EXPECT_EQ(TakeSent(), std::vector<std::string>{"80 3c 64@0"});
    EXPECT_EQ(Locked()->editor.cursorLine, 1);

    // Ctrl+Z takes the note back and the title follows; Ctrl+Shift+Z and Ctrl+Y redo it.
    EXPECT_EQ(UndoAndRedo(), "on &Undo Typing\tCtrl+Z / &Redo\tCtrl+Y");
    EXPECT_EQ(frame().windowTitle(), "Untitled* - Tarvel");
    QTest::keyClick(&view(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Cell(0).note, kNoNote);
    EXPECT_EQ(UndoAndRedo(), "off &Undo\tCtrl+Z / &Redo Typing\tCtrl+Y");
    EXPECT_EQ(frame().windowTitle(), "Untitled - Tarvel");
    QTest::keyClick(&view(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Cell(0).note, 60);
    QTest::keyClick(&view(), Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(&view(), Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(Cell(0).note, 60);

    QTest::keyClick(&view(), Qt::Key_Space);  // Record off: a note key only sounds
    TakeSent();
    QTest::keyClick(&view(), Qt::Key_Z);
    EXPECT_EQ(Cell(0).note, 60);
    EXPECT_EQ(Cell(1).note, kNoNote);
    EXPECT_EQ(TakeSent(), (std::vector<std::string>{"90 30 64@0", "80 30 64@0"}));
}

TEST_F(ViewTest, ChannelChangedInTheSequencerShowsInThePanel) {
    QTest::mouseClick(&view(), Qt::LeftButton, {}, QPoint(500, 100));  // the sequencer's keys
    QTest::keyClick(&view(), Qt::Key_Left);                            // wraps from channel 1 to 16
    Settle();
    EXPECT_EQ(Control<QComboBox>(1021)->currentText(), "16");
    EXPECT_EQ(Locked()->editor.currentChannel, 15);
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
