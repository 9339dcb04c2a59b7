// The Midi menu's "Send MIDI clock to...": the dialog's choice reaches the player and the
// settings, by port name, and the next start restores it.
#include <QCheckBox>
#include <QDialog>
#include <QSettings>

#include "AppFixture.h"
#include "ModalDriver.h"
#include "app/ClockOutChoice.h"

namespace tarvel {
namespace {

using testing::WhenModalShows;

class ClockOutChoice : public testing::AppTest {
  protected:
    QStringList Stored() {
        QSettings settings(settingsDir.filePath("tarvel.ini"), QSettings::IniFormat);
        return settings.value("MidiClock/Devices").toStringList();
    }
    void Choose(std::vector<bool> checks) {
        auto* item = frame().findChild<QAction*>("sendMidiClock");
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->text(), "Send MIDI clock to...");
        WhenModalShows([checks](QWidget* dialog) {
            for (std::size_t i = 0; i < checks.size(); ++i) {
                auto* box = testing::Child<QCheckBox>(
                    dialog, QString("clockDevice%1").arg(i).toUtf8().constData());
                ASSERT_NE(box, nullptr);
                EXPECT_EQ(box->text(), QString("Recorder %1").arg(i));
                box->setChecked(checks[i]);
            }
            qobject_cast<QDialog*>(dialog)->accept();
        });
        item->trigger();
    }
};

TEST_F(ClockOutChoice, TheChoiceReachesThePlayerAndIsRestoredByNameAtTheNextStart) {
    {
        QSettings settings(settingsDir.filePath("tarvel.ini"), QSettings::IniFormat);
        settings.setValue("MidiClock/Devices", QStringList{"Drum machine (unplugged today)"});
    }
    Choose({false, true});
    EXPECT_EQ(Locked()->ports.sendsClock[0], 0);
    EXPECT_EQ(Locked()->ports.sendsClock[1], 1);
    // A device that is not here today keeps its place in the settings.
    EXPECT_EQ(Stored(), (QStringList{"Drum machine (unplugged today)", "Recorder 1"}));

    app.reset();
    SetUp();
    EXPECT_EQ(Locked()->ports.sendsClock[1], 1);
    TakeSent();  // start-up's
    {
        auto doc = Locked();
        doc->StartPlayback(kPatternMode);
        doc->PlayerTick();
    }
    EXPECT_EQ(TakeSent(), (std::vector<std::string>{"fa@1", "f8@1"}));
    Choose({true, false});
    EXPECT_EQ(TakeSent(), (std::vector<std::string>{"fc@1"})) << "device 1 is told to stop";
    EXPECT_EQ(Locked()->ports.sendsClock[0], 1);
    EXPECT_EQ(Stored(), (QStringList{"Drum machine (unplugged today)", "Recorder 0"}));
}

}  // namespace
}  // namespace tarvel
