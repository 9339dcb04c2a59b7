// The editor view with real key and mouse events: notes, Record, the transport keys, painting.
#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <mutex>

#include "AppFixture.h"
#include "app/CommandIds.h"

namespace tarvel::testing {
namespace {

class ViewTest : public AppTest {
  public:
    PatternCell CellAt(int line, int track = 0) {
        std::lock_guard lock(doc().mutex);
        return doc().song.patterns[0].cells[line][track];
    }
    bool Playing(int mode) {
        std::lock_guard lock(doc().mutex);
        return doc().player.isPlaying && doc().player.playMode == mode;
    }
    bool Recording() {
        std::lock_guard lock(doc().mutex);
        return doc().editor.recordMode != 0;
    }
};

TEST_F(ViewTest, SpaceTogglesRecordEvenWithTheKeyboardInTheView) {
    ASSERT_EQ(QApplication::focusWidget(), &view());
    QTest::keyClick(&view(), Qt::Key_Space);
    EXPECT_TRUE(Recording());
    frame().UpdateCommandStates();
    EXPECT_TRUE(frame().action(cmd::kRecord)->isChecked());
    QTest::keyClick(&view(), Qt::Key_Space);
    EXPECT_FALSE(Recording());
}

TEST_F(ViewTest, NoteKeyWithRecordWritesTheCellAndSoundsTheNote) {
    QTest::keyClick(&view(), Qt::Key_Space);
    TakeSent();
    QTest::keyPress(&view(), Qt::Key_Q);  // C of octave 4
    EXPECT_EQ(CellAt(0).note, 60);
    EXPECT_EQ(TakeSent(), std::vector<std::string>{"90 3c 64@0"});

    // A held key's repeated releases do not stop the note; the real release does.
    QKeyEvent repeatedRelease(QEvent::KeyRelease, Qt::Key_Q, Qt::NoModifier, "q", true);
    QApplication::sendEvent(&view(), &repeatedRelease);
    EXPECT_TRUE(TakeSent().empty());
    QTest::keyRelease(&view(), Qt::Key_Q);
    EXPECT_EQ(TakeSent(), std::vector<std::string>{"80 3c 64@0"});
    {
        std::lock_guard lock(doc().mutex);
        EXPECT_EQ(doc().editor.cursorLine, 1);
    }
}

TEST_F(ViewTest, NoteKeyWithoutRecordOnlySounds) {
    TakeSent();
    QTest::keyClick(&view(), Qt::Key_Z);
    EXPECT_EQ(CellAt(0).note, kNoNote);
    EXPECT_EQ(TakeSent(), (std::vector<std::string>{"90 30 64@0", "80 30 64@0"}));
}

TEST_F(ViewTest, KeypadOperatorsAreCommandsNotNotes) {
    QTest::keyClick(&view(), Qt::Key_Asterisk, Qt::KeypadModifier);
    std::lock_guard lock(doc().mutex);
    EXPECT_EQ(doc().editor.octave, 5);
}

TEST_F(ViewTest, TabMovesTheCursorInsteadOfTheFocus) {
    QTest::keyClick(&view(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), &view());
    std::lock_guard lock(doc().mutex);
    EXPECT_EQ(doc().editor.cursorTrack, 1);
}

TEST_F(ViewTest, FunctionKeysStartAndStopThePlayer) {
    QTest::keyClick(&view(), Qt::Key_F5);
    EXPECT_TRUE(Playing(kSongMode));
    QTest::keyClick(&view(), Qt::Key_F6);  // not the stop key
    EXPECT_TRUE(Playing(kSongMode));
    QTest::keyClick(&view(), Qt::Key_F4);
    EXPECT_TRUE(Playing(kPatternMode));
    frame().UpdateCommandStates();
    EXPECT_TRUE(frame().action(cmd::kPlayPattern)->isChecked());
    EXPECT_FALSE(frame().action(cmd::kPlaySong)->isChecked());
    QTest::keyClick(&view(), Qt::Key_F8);
    EXPECT_FALSE(Playing(kPatternMode));
    EXPECT_FALSE(Playing(kSongMode));
}

TEST_F(ViewTest, PaintingMarksTheViewKnownAndFillsTheHelperFields) {
    const QImage image = view().grab().toImage();
    {
        std::lock_guard lock(doc().mutex);
        EXPECT_TRUE(doc().player.editorWindowKnown);
    }
    EXPECT_EQ(Control<QLabel>(1042)->text(), "Note");
    EXPECT_EQ(Control<QLabel>(1041)->text(), "Default");
    EXPECT_EQ(Control<QLabel>(1043)->text(), "---");
    // The bar between the panes: light left edge, grey fill, dark right edge.
    EXPECT_EQ(image.pixelColor(304, 100), QColor(0xFF, 0xFF, 0xFF));
    EXPECT_EQ(image.pixelColor(305, 100), QColor(0xB0, 0xB0, 0xB0));
    EXPECT_EQ(image.pixelColor(307, 100), QColor(0, 0, 0));
}

TEST_F(ViewTest, ChannelChangedInTheSequencerShowsInThePanel) {
    QTest::mouseClick(&view(), Qt::LeftButton, {}, QPoint(500, 100));  // the sequencer's keys
    QTest::keyClick(&view(), Qt::Key_Left);                            // wraps from channel 1 to 16
    Settle();
    EXPECT_EQ(Control<QComboBox>(1021)->currentText(), "16");
    std::lock_guard lock(doc().mutex);
    EXPECT_EQ(doc().editor.currentChannel, 15);
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
