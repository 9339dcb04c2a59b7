// What a new user meets first in the window: start-up and the tempo box.
#include "AppFixture.h"

namespace tarvel::testing {
namespace {

TEST_F(AppTest, StartUpFailsWhenTheWindowIsGoneBeforeTheProgramRuns) {
    QApplication::setQuitOnLastWindowClosed(false);  // the other tests still need event loops
    services.duringAboutBox = [](QWidget* frame) { frame->close(); };
    EXPECT_FALSE(Start());
    QApplication::setQuitOnLastWindowClosed(true);
}

TEST_F(AppTest, TempoBoxSetsOnlyWhatTheUserTypesAndShowsWhatPlaysWhenLeft) {
    // A song whose 124 ms line shows as 120 BPM keeps its line.
    const std::string song = PathOf("slow.trv");
    doc().song.lineDuration = 124;
    ASSERT_TRUE(doc().SaveSong(song));
    doc().NewSong();
    ASSERT_TRUE(doc().LoadSong(song));
    Settle();
    QLineEdit* tempo = Control<QLineEdit>(1032);
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
}

TEST_F(AppTest, TheTempoBoxIsAnEditButThePlayersTempoIsNot) {
    Control<QLineEdit>(1032)->setText("");
    QTest::keyClicks(Control<QLineEdit>(1032), "90");  // "9" is refused, "90" plays
    EXPECT_TRUE(app->IsSongChanged());
    frame().Execute(cmd::kEditUndo);
    Locked()->SetBpm(140);  // as a tempo cell does while playing
    services.calls.clear();
    EXPECT_TRUE(frame().close());
    EXPECT_TRUE(services.calls.empty()) << "no save prompt after only playing";
}

}  // namespace
}  // namespace tarvel::testing
