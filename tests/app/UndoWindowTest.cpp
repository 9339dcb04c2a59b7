#include <QAction>
#include <QLineEdit>
#include <QTest>
#include <mutex>

#include "AppFixture.h"
#include "app/CommandIds.h"
#include "app/MainFrame.h"

namespace tarvel::testing {
namespace {

std::uint8_t FirstNote(CFennoralDoc& doc) {
    std::lock_guard lock(doc.mutex);
    return doc.song.patterns[0].cells[0][0].note;
}

TEST_F(AppTest, TypedNotesComeBackWithCtrlZAndTheTitleFollows) {
    {
        std::lock_guard lock(doc().mutex);
        doc().editor.recordMode = 1;
    }
    frame().UpdateCommandStates();
    EXPECT_EQ(frame().windowTitle(), "Untitled - Tarvel");
    EXPECT_FALSE(frame().action(cmd::kEditUndo)->isEnabled());

    QTest::keyClick(&view(), Qt::Key_Q);
    frame().UpdateCommandStates();
    EXPECT_NE(FirstNote(doc()), kNoNote);
    EXPECT_EQ(frame().windowTitle(), "Untitled* - Tarvel");
    EXPECT_EQ(frame().action(cmd::kEditUndo)->text(), "&Undo Typing\tCtrl+Z");

    QTest::keyClick(&view(), Qt::Key_Z, Qt::ControlModifier);
    frame().UpdateCommandStates();
    EXPECT_EQ(FirstNote(doc()), kNoNote);
    EXPECT_EQ(frame().windowTitle(), "Untitled - Tarvel");
    EXPECT_FALSE(app->IsSongChanged());
    EXPECT_EQ(frame().action(cmd::kEditRedo)->text(), "&Redo Typing\tCtrl+Y");

    QTest::keyClick(&view(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_NE(FirstNote(doc()), kNoNote);
    QTest::keyClick(&view(), Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(&view(), Qt::Key_Y, Qt::ControlModifier);
    EXPECT_NE(FirstNote(doc()), kNoNote);
}

TEST_F(AppTest, TheTempoBoxIsAnEditButThePlayersTempoIsNot) {
    Control<QLineEdit>(1032)->setText("");
    QTest::keyClicks(Control<QLineEdit>(1032), "90");  // "9" is refused, "90" plays
    EXPECT_TRUE(app->IsSongChanged());
    frame().Execute(cmd::kEditUndo);
    EXPECT_FALSE(app->IsSongChanged());
    {
        std::lock_guard lock(doc().mutex);
        doc().SetBpm(140);  // as a tempo cell does while playing
    }
    EXPECT_FALSE(app->IsSongChanged());
    services.calls.clear();
    EXPECT_TRUE(frame().close());
    EXPECT_TRUE(services.calls.empty()) << "no save prompt after only playing";
}

}  // namespace
}  // namespace tarvel::testing
