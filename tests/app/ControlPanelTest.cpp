// The control panel drives the document's channel tables, the tempo and the sequencer step,
// and gives the keyboard back to the editor after each action. The tempo box takes only what
// the user types, as an undoable edit.
#include <tuple>

#include "AppFixture.h"

namespace tarvel::testing {
namespace {

using namespace widget_id;

class ControlPanelTest : public AppTest {
  public:
    bool ViewHasFocus() { return QApplication::focusWidget() == &view(); }
    void FocusElsewhere() { Control<QLineEdit>(kTempo)->setFocus(); }
};

// Once the window is shown and painted, the panel shows the document and the helper fields the
// cell under the cursor.
TEST_F(ControlPanelTest, IsFilledFromTheDocumentWhenTheWindowIsShownAndPainted) {
    view().grab();
    EXPECT_TRUE(Locked()->player.editorWindowKnown);
    EXPECT_EQ(Control<QComboBox>(kDeviceList)->itemText(1), "Recorder 1");
    EXPECT_EQ(Control<QLineEdit>(kTempo)->text(), "125");
    EXPECT_EQ(Control<QSlider>(kVelocity)->value(), 100);
    const std::pair<int, const char*> helper[] = {
        {kHelperValue, "Default"}, {kHelperRow, "Note"}, {kHelperStatus, "---"}};
    for (auto [id, text] : helper) EXPECT_EQ(Control<QLabel>(id)->text(), text) << id;
    Locked()->player.playWatch = 3723456;
    frame().RefreshPlayWatch();
    EXPECT_EQ(Control<QLabel>(kPlayWatch)->text(), "62:03:456");
}

// Channel 3 is chosen and shows its device and velocity; then it is given a program, routed to
// device 0, and the sequencer step is set. Each list hands the keyboard back. Undo of the device
// and the program reaches the outputs as the panel's own changes do: a note leaves the device the
// channel no longer plays on, and the program is sent.
TEST_F(ControlPanelTest, ListsSetTheChannelsDeviceProgramAndStepAndTheirUndoReachesTheOutputs) {
    {
        auto doc = Locked();
        doc->song.channelDevice[2] = 1;
        doc->song.channelVelocity[2] = 33;
        doc->song.channelProgram[2] = 40;
    }
    const struct {
        const char* name;
        int list, index;
    } choices[] = {
        {.name = "channel 3", .list = kChannelList, .index = 2},
        {.name = "program 42", .list = kProgramList, .index = 41},
        {.name = "device 0", .list = kDeviceList, .index = 0},
        {.name = "step 1", .list = kSequencerStep, .index = 0},
    };
    for (const auto& row : choices) {
        FocusElsewhere();
        Q_EMIT Control<QComboBox>(row.list)->activated(row.index);
        EXPECT_TRUE(ViewHasFocus()) << row.name;
    }
    // The device as shown when the channel was chosen.
    EXPECT_EQ(Control<QComboBox>(kDeviceList)->currentIndex(), 1);
    EXPECT_EQ(Control<QSlider>(kVelocity)->value(), 33);
    {
        auto doc = Locked();  // channel, its device and program, and the step
        EXPECT_EQ(std::tuple(doc->editor.currentChannel, int(doc->song.channelDevice[2]),
                             int(doc->song.channelProgram[2]), doc->editor.seqStep),
                  std::tuple(2, 0, 41, 1));
        doc->song.soundingNote[2][0] = 60;  // a note of the channel sounds on device 0
        doc->player.soundingDevice[2][0] = 0;
    }
    TakeSent();
    ASSERT_TRUE(doc().Undo());  // the device
    EXPECT_EQ(TakeSent(), std::vector<std::string>{"82 3c 64@0"});
    ASSERT_TRUE(doc().Undo());  // the program
    EXPECT_EQ(TakeSent(), (std::vector<std::string>{"c2 28@0", "c2 28@1"}));
}

// Each button does its work (a call, or the channel it leaves chosen) and hands the keyboard
// back; the channel buttons stop at the ends.
TEST_F(ControlPanelTest, ButtonsDoTheirWorkAndHandTheKeyboardBack) {
    // The patch name comes last, so that nothing after it refills the program list.
    services.dialogText = "Warm Pad";
    const std::pair<int, std::string> buttons[] = {{kPreviousChannel, "channel 0"},
                                                   {kNextChannel, "channel 1"},
                                                   {kPreviousChannel, "channel 0"},
                                                   {kOpenPatchList, "choose-patch-open"},
                                                   {kSavePatchList, "choose-patch-save"},
                                                   {kOpenMixer, "mixer"},
                                                   {kDeviceDetails, "message:MIDI Out driver info"},
                                                   {kEditPatchName, "patch-name:Acoustic Grand"}};
    for (const auto& [id, done] : buttons) {
        FocusElsewhere();
        services.calls.clear();
        Click(&frame().panel(), id);
        EXPECT_EQ(services.calls.empty()
                      ? "channel " + std::to_string(Locked()->editor.currentChannel)
                      : services.Last(),
                  done);
        EXPECT_TRUE(ViewHasFocus()) << done;
    }
    EXPECT_EQ(Control<QComboBox>(kProgramList)->itemText(0), "001: Warm Pad");
    for (int i = 0; i < 20; ++i) Click(&frame().panel(), kNextChannel);
    Click(&frame().panel(), kPreviousChannel);
    // 16 at most, then one down.
    EXPECT_EQ(Control<QComboBox>(kChannelList)->currentText(), "15");
}

TEST_F(AppTest, TempoBoxSetsOnlyWhatTheUserTypesAndShowsWhatPlaysWhenLeft) {
    // A song whose 124 ms line shows as 120 BPM keeps its line.
    const std::string song = PathOf("slow.trv");
    doc().song.lineDuration = 124;
    ASSERT_TRUE(doc().SaveSong(song));
    doc().NewSong();
    ASSERT_TRUE(doc().LoadSong(song));
    Settle();
    QLineEdit* tempo = Control<QLineEdit>(kTempo);
    EXPECT_EQ(tempo->text(), "120");
    EXPECT_EQ(doc().song.lineDuration, 124);

    // Each change plays at once, typing goes on in the box; only digits go in, three at most.
    const struct {
        const char* keys;
        int line;           // as typed, or left as it was when refused
        const char* shown;  // once the box is left
    } typed[] = {{"20", 124, "120"}, {"40x0", 37, "400"}, {"1250", 120, "125"}};
    for (const auto& [keys, line, shown] : typed) {
        doc().song.lineDuration = 124;
        tempo->clear();
        tempo->setFocus();
        QTest::keyClicks(tempo, keys);
        EXPECT_EQ(doc().song.lineDuration, line) << keys;
        EXPECT_EQ(QApplication::focusWidget(), tempo);
        view().setFocus();
        EXPECT_EQ(tempo->text(), shown) << keys;
    }

    EXPECT_TRUE(app->IsSongChanged()) << "what the user types is an edit";
}

}  // namespace
}  // namespace tarvel::testing
