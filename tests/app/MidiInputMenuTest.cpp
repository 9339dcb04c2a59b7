// The Midi menu's input and synth items: the ports picked are opened and remembered by name,
// those remembered are opened again at the next start when they are there, a port that goes is
// said once and its notes stop; the synth's choices are remembered.
#include <QMenu>
#include <QSettings>
#include <algorithm>
#include <filesystem>

#include "AppFixture.h"
#include "app/MidiInputMenu.h"
#include "app/SynthMenu.h"
#include "document/DocumentMidiInput.h"
#include "platform/SynthMidiOut.h"

namespace tarvel::testing {
namespace {

// The machine's inputs as a test sets them; what is open is what the menu asked for.
class ScriptedInputs final : public MidiInDriver {
  public:
    explicit ScriptedInputs(std::vector<std::string>& ports, std::vector<std::string>& open,
                            MidiInSink*& sink)
        : ports_(ports), open_(open), sink_(sink) {}
    std::vector<std::string> PortNames() override { return ports_; }
    bool Open(const std::string& name) override {
        if (std::find(ports_.begin(), ports_.end(), name) == ports_.end()) return false;
        open_.push_back(name);
        return true;
    }
    void Close(const std::string& name) noexcept override { std::erase(open_, name); }
    std::vector<std::string> CheckPorts() override {
        std::vector<std::string> lost;
        for (const std::string& name : open_)
            if (std::find(ports_.begin(), ports_.end(), name) == ports_.end()) lost.push_back(name);
        for (const std::string& name : lost) {
            Close(name);
            sink_->InputLost(name.c_str());
        }
        return lost;
    }

  private:
    std::vector<std::string>& ports_;
    std::vector<std::string>& open_;
    MidiInSink*& sink_;
};

class MidiMenu : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        input = std::make_unique<DocumentMidiInput>(doc());
        sink = input.get();
    }
    void TearDown() override {
        input.reset();
        AppTest::TearDown();
    }
    std::unique_ptr<MidiInputMenu> MakeMenu() {
        auto menu =
            std::make_unique<MidiInputMenu>(doc(), midiMenu, settingsDir.filePath("tarvel.ini"),
                                            std::make_unique<ScriptedInputs>(ports, open, sink));
        return menu;
    }
    QStringList Entries(MidiInputMenu& menu) {
        Q_EMIT menu.inputsMenu().aboutToShow();
        QStringList names;
        for (QAction* item : menu.inputsMenu().actions())
            names.append(item->text() + (item->isChecked() ? " [x]" : ""));
        return names;
    }
    void Pick(MidiInputMenu& menu, const QString& name) {
        Q_EMIT menu.inputsMenu().aboutToShow();
        for (QAction* item : menu.inputsMenu().actions())
            if (item->text() == name) item->trigger();
    }

    QMenu midiMenu;
    std::vector<std::string> ports{kOwnInputPortName, "Keys:port 0", "Pads:port 0"};
    std::vector<std::string> open;
    std::unique_ptr<DocumentMidiInput> input;
    MidiInSink* sink = nullptr;
};

TEST_F(MidiMenu, PickedInputsAreOpenedRememberedAndOpenedAgainAtTheNextStart) {
    {
        auto menu = MakeMenu();
        EXPECT_EQ(Entries(*menu), QStringList({kOwnInputPortName, "Keys:port 0", "Pads:port 0"}));
        Pick(*menu, "Keys:port 0");
        Pick(*menu, kOwnInputPortName);
        Pick(*menu, "Pads:port 0");
        Pick(*menu, "Pads:port 0");  // and off again
        EXPECT_EQ(open, (std::vector<std::string>{"Keys:port 0", kOwnInputPortName}));
        EXPECT_EQ(Entries(*menu), QStringList({QString(kOwnInputPortName) + " [x]",
                                               "Keys:port 0 [x]", "Pads:port 0"}));
    }
    open.clear();

    // Next start: the keyboard is not plugged in; our own port is opened, the keyboard stays
    // remembered for later.
    ports = {kOwnInputPortName, "Pads:port 0"};
    auto menu = MakeMenu();
    EXPECT_EQ(open, std::vector<std::string>{kOwnInputPortName});
    EXPECT_EQ(QSettings(settingsDir.filePath("tarvel.ini"), QSettings::IniFormat)
                  .value("Midi/Inputs")
                  .toStringList(),
              QStringList({"Keys:port 0", kOwnInputPortName}));
}

TEST_F(MidiMenu, AnInputThatGoesStopsItsNotesAndIsSaidOnce) {
    auto menu = MakeMenu();
    Pick(*menu, "Keys:port 0");
    input->ReceiveMidi({0x90, 60, 100});
    TakeSent();
    ports.erase(ports.begin() + 1);  // unplugged
    menu->CheckPorts();
    menu->CheckPorts();
    Settle();
    EXPECT_EQ(TakeSent(), std::vector<std::string>{"80 3c 64@0"});
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_NE(services.messages[0].text.find("Keys:port 0"), std::string::npos);
    EXPECT_TRUE(menu->OpenPorts().isEmpty());
}

TEST_F(MidiMenu, SynthChoicesAreRememberedAndARefusedSoundFontIsNot) {
    const QString file = settingsDir.filePath("tarvel.ini");
    EXPECT_EQ(LoadSynthSettings(file).soundFont, SynthMidiOut::kDefaultSoundFont);
    EXPECT_EQ(LoadSynthSettings(file).gain, SynthMidiOut::kGain);
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
    if (std::filesystem::exists(SynthMidiOut::kDefaultSoundFont)) {
        SynthMidiOut silent(SynthMidiOut::kDefaultSoundFont, 0.5, {"none"});
        EXPECT_EQ(silent.DeviceCount(), 0);
        EXPECT_EQ(silent.Failure(), "no audio output opened (tried none)");
    }
    ChainedMidiOut chain;
    chain.SetNote("Built-in synthesizer: absent, " + synth.Failure() + ".");
    chain.Add(std::make_unique<RecordingMidiOut>(1));
    EXPECT_NE(std::string(chain.Describe(0).details).find("Built-in synthesizer: absent"),
              std::string::npos);
}

}  // namespace
}  // namespace tarvel::testing
