// The control panel drives the document's channel tables, the tempo and the sequencer step,
// and gives the keyboard back to the editor after each action.
#include <QApplication>
#include <QTest>
#include <mutex>

#include "AppFixture.h"

namespace tarvel::testing {
namespace {

class ControlPanelTest : public AppTest {
  public:
    int CurrentChannel() {
        std::lock_guard lock(doc().mutex);
        return doc().editor.currentChannel;
    }
    int LineDuration() {
        std::lock_guard lock(doc().mutex);
        return doc().song.lineDuration;
    }
    bool ViewHasFocus() { return QApplication::focusWidget() == &view(); }
    void FocusElsewhere() { Control<QLineEdit>(1032)->setFocus(); }
};

TEST_F(ControlPanelTest, IsFilledWhenTheWindowIsShown) {
    EXPECT_TRUE(panel().IsFilled());
    EXPECT_EQ(Control<QComboBox>(1021)->count(), 16);
    EXPECT_EQ(Control<QComboBox>(1021)->itemText(15), "16");
    EXPECT_EQ(Control<QComboBox>(1022)->count(), 2);
    EXPECT_EQ(Control<QComboBox>(1022)->itemText(1), "Recorder 1");
    EXPECT_EQ(Control<QComboBox>(1039)->count(), 15);
    EXPECT_EQ(Control<QComboBox>(1039)->currentText(), "16");
    EXPECT_EQ(Control<QComboBox>(1039)->itemText(14), "256");
    EXPECT_EQ(Control<QLineEdit>(1032)->text(), "125");
    EXPECT_EQ(Control<QSlider>(1035)->minimum(), 1);
    EXPECT_EQ(Control<QSlider>(1035)->maximum(), 127);
    EXPECT_EQ(Control<QSlider>(1035)->value(), 100);
    EXPECT_EQ(Control<QLabel>(1040)->text(), "00:00:000");
    std::lock_guard lock(doc().mutex);
    EXPECT_TRUE(doc().player.panelKnown);
}

TEST_F(ControlPanelTest, ChannelButtonsStopAtTheEndsAndAlwaysReturnTheFocus) {
    FocusElsewhere();
    QTest::mouseClick(Control<QPushButton>(1028), Qt::LeftButton);
    EXPECT_EQ(CurrentChannel(), 0);
    EXPECT_TRUE(ViewHasFocus());

    for (int i = 0; i < 20; ++i) QTest::mouseClick(Control<QPushButton>(1027), Qt::LeftButton);
    EXPECT_EQ(CurrentChannel(), 15);
    EXPECT_EQ(Control<QComboBox>(1021)->currentIndex(), 15);
    QTest::mouseClick(Control<QPushButton>(1028), Qt::LeftButton);
    EXPECT_EQ(CurrentChannel(), 14);
    EXPECT_EQ(Control<QComboBox>(1021)->currentText(), "15");
}

TEST_F(ControlPanelTest, ChoosingAChannelShowsItsDeviceAndVelocity) {
    {
        std::lock_guard lock(doc().mutex);
        doc().song.channelDevice[4] = 1;
        doc().song.channelVelocity[4] = 33;
    }
    FocusElsewhere();
    Control<QComboBox>(1021)->setCurrentIndex(4);
    Q_EMIT Control<QComboBox>(1021)->activated(4);
    EXPECT_EQ(CurrentChannel(), 4);
    EXPECT_EQ(Control<QComboBox>(1022)->currentIndex(), 1);
    EXPECT_EQ(Control<QSlider>(1035)->value(), 33);
    EXPECT_TRUE(ViewHasFocus());
    std::lock_guard lock(doc().mutex);
    EXPECT_EQ(doc().song.channelVelocity[4], 33);  // showing it wrote nothing else back
}

TEST_F(ControlPanelTest, ChoosingADeviceRoutesTheChannelAndSendsNothing) {
    TakeSent();
    Q_EMIT Control<QComboBox>(1022)->activated(1);
    EXPECT_TRUE(TakeSent().empty());
    std::lock_guard lock(doc().mutex);
    EXPECT_EQ(doc().song.channelDevice[0], 1);
}

TEST_F(ControlPanelTest, ChoosingAProgramSendsItToEveryDevice) {
    Q_EMIT Control<QComboBox>(1021)->activated(2);
    TakeSent();
    Q_EMIT Control<QComboBox>(1023)->activated(5);
    EXPECT_EQ(TakeSent(), (std::vector<std::string>{"c2 05@0", "c2 05@1"}));
    std::lock_guard lock(doc().mutex);
    EXPECT_EQ(doc().song.channelProgram[2], 5);
}

TEST_F(ControlPanelTest, ProgramListShowsThePatchNamesOfTheSong) {
    QComboBox* programs = Control<QComboBox>(1023);
    ASSERT_EQ(programs->count(), 128);
    EXPECT_EQ(programs->itemText(0), "001: Acoustic Grand");
    EXPECT_EQ(programs->currentIndex(), 0);
    services.dialogText = "Warm Pad";
    QTest::mouseClick(Control<QPushButton>(1024), Qt::LeftButton);
    EXPECT_EQ(services.Last(), "patch-name:Acoustic Grand");
    EXPECT_EQ(programs->itemText(0), "001: Warm Pad");
}

TEST_F(ControlPanelTest, PatchListButtonsAskForAFile) {
    QTest::mouseClick(Control<QPushButton>(1026), Qt::LeftButton);
    EXPECT_EQ(services.Last(), "choose-patch-open");
    QTest::mouseClick(Control<QPushButton>(1029), Qt::LeftButton);
    EXPECT_EQ(services.Last(), "choose-patch-save");
    QTest::mouseClick(Control<QPushButton>(1037), Qt::LeftButton);
    EXPECT_EQ(services.Last(), "mixer");
    QTest::mouseClick(Control<QPushButton>(1025), Qt::LeftButton);
    EXPECT_EQ(services.Last(), "message:MIDI Out driver info");
    EXPECT_TRUE(ViewHasFocus());
}

TEST_F(ControlPanelTest, VelocitySliderSetsTheChannelsVelocity) {
    Control<QSlider>(1035)->setValue(64);
    std::lock_guard lock(doc().mutex);
    EXPECT_EQ(doc().song.channelVelocity[0], 64);
}

TEST_F(ControlPanelTest, TempoBoxAppliesEveryChangeOfItsFirstThreeCharacters) {
    QLineEdit* tempo = Control<QLineEdit>(1032);
    tempo->clear();
    tempo->setFocus();
    QTest::keyClick(tempo, Qt::Key_4);
    EXPECT_EQ(LineDuration(), 120);  // 4 is no tempo
    QTest::keyClick(tempo, Qt::Key_0);
    EXPECT_EQ(LineDuration(), 15000 / 40);
    QTest::keyClick(tempo, Qt::Key_0);
    EXPECT_EQ(LineDuration(), 15000 / 400);
    EXPECT_EQ(QApplication::focusWidget(), tempo);  // typing goes on in the box

    tempo->clear();
    QTest::keyClicks(tempo, "1250");
    EXPECT_EQ(LineDuration(), 120);  // 125; the fourth digit is not read
    QTest::keyClicks(tempo, "x");    // digits only
    EXPECT_EQ(tempo->text(), "1250");
}

TEST_F(ControlPanelTest, ShownTempoThatIsOutOfRangeLeavesTheLineAlone) {
    {
        std::lock_guard lock(doc().mutex);
        doc().SetBpm(512);  // 29 ms, shown as 517
        doc().ShowBpm();
    }
    Settle();
    QTRY_COMPARE(Control<QLineEdit>(1032)->text(), QString("517"));
    EXPECT_EQ(LineDuration(), 29);
}

TEST_F(ControlPanelTest, StepListSetsTheSequencerStep) {
    FocusElsewhere();
    Q_EMIT Control<QComboBox>(1039)->activated(0);
    {
        std::lock_guard lock(doc().mutex);
        EXPECT_EQ(doc().editor.seqStep, 1);
    }
    Q_EMIT Control<QComboBox>(1039)->activated(14);
    std::lock_guard lock(doc().mutex);
    EXPECT_EQ(doc().editor.seqStep, 256);
    EXPECT_TRUE(ViewHasFocus());
}

TEST_F(ControlPanelTest, PlayWatchShowsMinutesSecondsAndMilliseconds) {
    {
        std::lock_guard lock(doc().mutex);
        doc().player.playWatch = 3723456;
    }
    frame().RefreshPlayWatch();
    EXPECT_EQ(Control<QLabel>(1040)->text(), "62:03:456");
}

}  // namespace
}  // namespace tarvel::testing
