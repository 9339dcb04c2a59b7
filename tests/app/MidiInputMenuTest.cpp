// The Midi menu: the inputs picked are opened and remembered by name, those remembered are
// opened again at the next start when they are there, a port that goes is said once, its notes
// stop and it stays remembered; the synth's choices are remembered; the MIDI clock goes where the
// user chose, and comes from where the user chose.
#include <QCheckBox>
#include <QDialog>
#include <QMenu>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "AppFixture.h"
#include "app/LaunchInputMenu.h"
#include "app/MidiInputMenu.h"
#include "app/SynthMenu.h"
#include "app/TempoSourceMenu.h"
#include "document/DocumentMidiInput.h"
#include "platform/PeriodicTimer.h"
#include "platform/SynthMidiOut.h"

namespace tarvel::testing {
namespace {

// The machine's inputs as a test sets them; what is open is what the menu asked for.
struct ScriptedInputs final : MidiInDriver {
    std::vector<std::string> ports, open;
    std::string clock;   // the port followed
    std::string launch;  // the port that launches
    MidiInSink* sink = nullptr;

    bool Here(const std::string& name) { return std::ranges::count(ports, name) > 0; }
    std::vector<std::string> PortNames() override { return ports; }
    bool Open(const std::string& name) override {
        if (Here(name)) open.push_back(name);
        return Here(name);
    }
    void Close(const std::string& name) noexcept override { std::erase(open, name); }
    std::vector<std::string> CheckPorts() override {
        std::vector<std::string> lost = open;
        std::erase_if(lost, [&](auto& name) { return Here(name); });
        std::erase_if(open, [&](auto& name) { return !Here(name); });
        for (const std::string& name : lost) sink->InputLost(name.c_str());
        return lost;
    }
    bool SetClockSource(const std::string& name) override { return Take(clock, name); }
    bool SetLaunchInput(const std::string& name) override { return Take(launch, name); }
    bool Take(std::string& port, const std::string& name) {
        port = name.empty() || Here(name) ? name : "";
        return port == name;
    }
};

// A menu's entries as it opens, "[x]" after those checked; and a pick of one by its text.
QStringList Entries(QMenu& menu) {
    Q_EMIT menu.aboutToShow();
    QStringList texts;
    for (QAction* item : menu.actions())
        texts.append(item->text() + (item->isChecked() ? " [x]" : ""));
    return texts;
}
void Pick(QMenu& menu, const QString& text) {
    Q_EMIT menu.aboutToShow();
    for (QAction* item : menu.actions())
        if (item->text() == text) item->trigger();
    AppTest::Settle();
}

class MidiMenu : public AppTest {
  protected:
    std::unique_ptr<MidiInputMenu> MakeMenu(std::vector<std::string> ports) {
        auto driver = std::make_unique<ScriptedInputs>();
        input = std::make_unique<DocumentMidiInput>(doc());
        driver->ports = std::move(ports);
        driver->sink = input.get();
        inputs = driver.get();
        return std::make_unique<MidiInputMenu>(doc(), midiMenu, SettingsFile(), std::move(driver));
    }

    // The clock followed as the driver, the player, the panel and the settings have it:
    // "<port>[ followed][ read-only]:<the panel's label>:<the choice remembered>".
    std::string Following() {
        return inputs->clock + (Locked()->engine.FollowsClock() ? " followed" : "") +
               (Control<QLineEdit>(widget_id::kTempo)->isReadOnly() ? " read-only" : "") + ":" +
               Control<QLabel>(widget_id::kTempoSource)->text().toStdString() + ":" +
               Setting("Player/TempoSource").toString().toStdString();
    }

    // Which of the two devices get the clock, as "01", then the names the settings keep.
    std::string ClockDevices() {
        auto doc = Locked();
        return std::to_string(doc->ports.sendsClock[0]) + std::to_string(doc->ports.sendsClock[1]) +
               " " + Setting("MidiClock/Devices").toStringList().join(", ").toStdString();
    }

    QMenu midiMenu;
    std::unique_ptr<DocumentMidiInput> input;
    ScriptedInputs* inputs = nullptr;
};

TEST_F(MidiMenu, PickedInputsAreOpenedRememberedAndOpenedAgainAndOneThatGoesIsSaidOnce) {
    {
        auto menu = MakeMenu({kOwnInputPortName, "Keys:port 0", "Pads:port 0"});
        for (const char* name : {"Keys:port 0", kOwnInputPortName, "Pads:port 0", "Pads:port 0"})
            Pick(menu->inputsMenu(), name);  // Pads on and off again
        EXPECT_EQ(inputs->open, (std::vector<std::string>{"Keys:port 0", kOwnInputPortName}));
        EXPECT_EQ(Entries(menu->inputsMenu()), QStringList({QString(kOwnInputPortName) + " [x]",
                                                            "Keys:port 0 [x]", "Pads:port 0"}));
    }
    // Next start: the keyboard is not plugged in; our own port is opened.
    auto menu = MakeMenu({kOwnInputPortName, "Pads:port 0"});
    EXPECT_EQ(inputs->open, std::vector<std::string>{kOwnInputPortName});

    // Then our own port goes: its notes stop and it is said once.
    input->ReceiveMidi({0x90, 60, 100});
    TakeSent();
    inputs->ports.erase(inputs->ports.begin());
    menu->CheckPorts();
    Settle();
    EXPECT_EQ(TakeSent(), std::vector<std::string>{"80 3c 64@0"});
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_NE(services.messages[0].text.find(kOwnInputPortName), std::string::npos);
    EXPECT_TRUE(menu->OpenPorts().isEmpty());
    // Both stay remembered for later.
    EXPECT_EQ(Setting("Midi/Inputs").toStringList(),
              QStringList({"Keys:port 0", kOwnInputPortName}));
}

TEST_F(MidiMenu, SynthChoicesAreRememberedAndASynthThatCannotStartSaysWhy) {
    const QString file = SettingsFile();
    EXPECT_EQ(LoadSynthSettings(file).soundFont, SynthMidiOut::kDefaultSoundFont);
    QString whyNot;
    // No synth running (none here): the choice is kept for the next start.
    EXPECT_TRUE(ChooseSoundFont(nullptr, file, "/songs/piano.sf3", whyNot));
    ChooseSynthGain(nullptr, file, 99.0);
    EXPECT_EQ(LoadSynthSettings(file).soundFont, "/songs/piano.sf3");
    EXPECT_EQ(LoadSynthSettings(file).gain, SynthMidiOut::kMaxGain);

    // A synth that could not start says why in the first device's details.
    SynthMidiOut synth("/nonexistent.sf2", 0.5, {"none"});
    EXPECT_EQ(synth.DeviceCount(), 0);
    EXPECT_NE(synth.Failure().find("/nonexistent.sf2"), std::string::npos);
    if (std::filesystem::exists(SynthMidiOut::kDefaultSoundFont)) {  // a font, no sound out
        SynthMidiOut silent(SynthMidiOut::kDefaultSoundFont, 0.5, {"none"});
        EXPECT_EQ(silent.Failure(), "no audio output opened (tried none)");
    }
    ChainedMidiOut chain;
    chain.SetNote("Built-in synthesizer: absent.");
    chain.Add(std::make_unique<RecordingMidiOut>(1));
    EXPECT_STREQ(chain.Describe(0).details, "Built-in synthesizer: absent.");
}

// "Tempo source" in the Player menu: the port followed is the driver's clock source, the panel
// says so and its tempo box takes no typing; the choice comes back at the next start.
TEST_F(MidiMenu, TheTempoSourceIsFollowedShownAndRemembered) {
    const auto makeSource = [&] {
        return std::make_unique<TempoSourceMenu>(doc(), frame(), *inputs, SettingsFile());
    };
    auto inputMenu = MakeMenu({kOwnInputPortName, "Drums:port 0"});
    {
        auto source = makeSource();
        EXPECT_EQ(
            Entries(source->menu()),
            QStringList({"Internal clock [x]", QString("MIDI clock from ") + kOwnInputPortName,
                         "MIDI clock from Drums:port 0", "JACK transport", "Ableton Link",
                         "Link quantum"}));
        Pick(source->menu(), "MIDI clock from Drums:port 0");
        EXPECT_EQ(Following(),
                  "Drums:port 0 followed read-only:MIDI clock:MIDI clock from Drums:port 0");
        EXPECT_EQ(Entries(source->menu())[2], "MIDI clock from Drums:port 0 [x]");
    }
    {
        auto source = makeSource();  // the next start follows the same port
        EXPECT_EQ(source->followed(), "MIDI clock from Drums:port 0");
        Pick(source->menu(), "Internal clock");
        EXPECT_EQ(Following(), "::Internal clock");
    }
    // A port that cannot be opened says so and the internal clock plays, even after another.
    auto source = makeSource();
    source->Follow(QString("MIDI clock from ") + kOwnInputPortName);
    inputs->ports.pop_back();
    source->Follow("MIDI clock from Drums:port 0");
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_NE(services.messages[0].text.find("Drums:port 0"), std::string::npos);
    EXPECT_EQ(Following(), "::Internal clock");
}

TEST_F(MidiMenu, TheLaunchInputIsChosenRememberedAndAPortNotThereSaysSo) {
    auto inputMenu = MakeMenu({kOwnInputPortName, "Pads:port 0"});
    const auto choose = [&](const QString& text) {
        auto launch = std::make_unique<LaunchInputMenu>(doc(), frame(), *inputs, SettingsFile());
        Pick(frame().launchInputMenu(), text);
        return launch;
    };
    choose("Pads:port 0");
    EXPECT_EQ(inputs->launch, "");  // let go with the menu
    auto launch = choose("");       // the next start chooses the same port
    EXPECT_EQ(inputs->launch, "Pads:port 0");
    EXPECT_EQ(Locked()->inputRecording.launchInputChosen, 1);
    EXPECT_EQ(Entries(frame().launchInputMenu()),
              QStringList({"Every input", kOwnInputPortName, "Pads:port 0 [x]"}));

    launch->Choose(kOwnInputPortName);  // a port not there falls back even from another
    inputs->ports.pop_back();
    launch->Choose("Pads:port 0");
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_NE(services.messages[0].text.find("\"Pads:port 0\" cannot launch"), std::string::npos);
    EXPECT_EQ(Setting("Player/LaunchInput").toString(), "Every input");
    EXPECT_EQ(Locked()->inputRecording.launchInputChosen, 0);
}

// Joining a Link session uses the network: run by its CTest entry in a namespace of its own.
TEST_F(MidiMenu, AbletonLinkIsJoinedShownAndTakesATypedTempoForTheSession) {
    if (!std::getenv("TARVEL_PRIVATE_NETWORK"))
        GTEST_SKIP() << "uses the network: run by its CTest entry in a namespace of its own";
    auto inputMenu = MakeMenu({});
    TempoSourceMenu source(doc(), frame(), *inputs, SettingsFile());
    source.Follow("Ableton Link");
    EXPECT_EQ(Following(), " followed:Ableton Link: 0 peers:Ableton Link")
        << "a typed tempo goes to the session";
    auto* box = Control<QLineEdit>(widget_id::kTempo);
    const int songLineDuration = Locked()->song.lineDuration;

    box->clear();
    QTest::keyClicks(box, "140");
    QTest::keyClick(box, Qt::Key_Return);
    double followed = 0;
    for (int i = 0; i < 300 && std::abs(followed - 140) > 0.01; ++i) {
        QTest::qWait(10);
        auto locked = Locked();  // the player's clock, which tests drive themselves
        locked->PlayerTick(PeriodicTimer::MonotonicNowNs());
        followed = locked->engine.FollowedBpm();
    }
    EXPECT_NEAR(followed, 140, 0.01);
    EXPECT_EQ(Locked()->song.lineDuration, songLineDuration) << "the song's tempo stays";

    QMenu* quantum = source.menu().findChild<QMenu*>("linkQuantum");
    ASSERT_NE(quantum, nullptr);
    Pick(*quantum, "8 beats");
    EXPECT_EQ(Setting("Player/LinkQuantum").toInt(), 8);
}

// "Send MIDI clock to...": the dialog's choice reaches the player and the settings by port
// name, and the next start restores it.
void ChooseClockDevices(CMainFrame& frame, std::vector<bool> checks) {
    auto* item = frame.findChild<QAction*>("sendMidiClock");
    ASSERT_NE(item, nullptr);
    WhenModalShows([checks](QWidget* dialog) {
        for (std::size_t i = 0; i < checks.size(); ++i) {
            auto* box = dialog->findChild<QCheckBox*>(QString("clockDevice%1").arg(i));
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->text(), QString("Recorder %1").arg(i));
            box->setChecked(checks[i]);
        }
        qobject_cast<QDialog*>(dialog)->accept();
    });
    item->trigger();
}

TEST_F(MidiMenu, TheClockOutChoiceReachesThePlayerAndIsRestoredByNameAtTheNextStart) {
    QSettings(SettingsFile(), QSettings::IniFormat)
        .setValue("MidiClock/Devices", QStringList{"Drum machine (unplugged today)"});
    // A device that is not here today keeps its place in the settings.
    const std::string unplugged = "Drum machine (unplugged today), ";
    ChooseClockDevices(frame(), {false, true});
    EXPECT_EQ(ClockDevices(), "01 " + unplugged + "Recorder 1");

    ASSERT_TRUE(Start());
    EXPECT_EQ(ClockDevices(), "01 " + unplugged + "Recorder 1") << "restored";
    ChooseClockDevices(frame(), {true, false});
    EXPECT_EQ(ClockDevices(), "10 " + unplugged + "Recorder 0");
}

}  // namespace
}  // namespace tarvel::testing
