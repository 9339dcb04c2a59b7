// What a new user meets first in the window: start-up, the tempo box, the mixer button and the
// help viewer.
#include <QApplication>
#include <QListWidget>
#include <QMessageBox>
#include <QScrollBar>
#include <QTest>
#include <fstream>

#include "AppFixture.h"
#include "ModalDriver.h"
#include "app/HelpDialog.h"
#include "app/Tools.h"

namespace tarvel::testing {
namespace {

TEST(StartUp, FailsWhenTheWindowIsGoneBeforeTheProgramRuns) {
    QApplication::setQuitOnLastWindowClosed(false);  // the other tests still need event loops
    for (bool closedDuringAboutBox : {false, true}) {
        QTemporaryDir settings;
        RecordingMidiOut midi;
        ScriptedServices services;
        if (closedDuringAboutBox) services.duringAboutBox = [](QWidget* frame) { frame->close(); };
        CFennoralApp app(midi, services,
                         {.settingsFile = settings.filePath("tarvel.ini"),
                          .recoveryFolder = settings.filePath("recovery"),
                          .startTimer = false});
        EXPECT_EQ(app.Start({}), !closedDuringAboutBox);
    }
    QApplication::setQuitOnLastWindowClosed(true);
}

TEST_F(AppTest, TempoBoxSetsOnlyWhatTheUserTypesAndShowsWhatPlaysWhenLeft) {
    // A song whose 124 ms line shows as 120 BPM keeps its line.
    const std::string song = settingsDir.filePath("slow.trv").toStdString();
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

TEST(Mixer, SaysWhichMixersItTriedWhenNoneStarts) {
    QTemporaryDir bin;
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.path().toLocal8Bit());
    QString said;
    WhenModalShows([&said](QWidget* box) {
        said = static_cast<QMessageBox*>(box)->text();
        box->close();
    });
    OpenMixer(nullptr);
    EXPECT_EQ(said,
              "No sound mixer was found.\n\n"
              "Tried: pavucontrol, pavucontrol-qt, gnome-control-center sound, kmix");
    qputenv("PATH", path);
}

TEST(HelpViewer, OpensWideEnoughForTheManualsLines) {
    QTemporaryDir folder;
    std::ofstream(folder.filePath("readme.txt").toStdString()) << std::string(94, 'W') << "\n";
    CHelpDialog dialog(nullptr, {folder.path().toStdString()});
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_EQ(dialog.list()->horizontalScrollBar()->maximum(), 0);
}

}  // namespace
}  // namespace tarvel::testing
