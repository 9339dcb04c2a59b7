#include "app/SynthMenu.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>
#include <QSettings>
#include <algorithm>

#include "app/FennoralApp.h"
#include "platform/SynthMidiOut.h"

namespace tarvel {
namespace {

constexpr const char* kSoundFontKey = "Midi/SoundFont";
constexpr const char* kGainKey = "Midi/SynthGain";

}  // namespace

SynthSettings LoadSynthSettings(const QString& settingsFile) {
    const std::unique_ptr<QSettings> settings = OpenSettings(settingsFile);
    const QString font = settings->value(kSoundFontKey).toString();
    bool ok = false;
    double gain = settings->value(kGainKey).toDouble(&ok);
    if (!ok || !(gain >= 0.0 && gain <= SynthMidiOut::kMaxGain)) gain = SynthMidiOut::kGain;
    return {font.isEmpty() ? QString(SynthMidiOut::kDefaultSoundFont) : font, gain};
}

bool ChooseSoundFont(SynthMidiOut* synth, const QString& settingsFile, const QString& path,
                     QString& whyNot) {
    std::string why;
    if (synth && synth->DeviceCount() > 0 && !synth->ChangeSoundFont(path.toStdString(), why)) {
        whyNot = QString::fromStdString(why);
        return false;
    }
    OpenSettings(settingsFile)->setValue(kSoundFontKey, path);
    return true;
}

void ChooseSynthGain(SynthMidiOut* synth, const QString& settingsFile, double gain) {
    gain = std::clamp(gain, 0.0, SynthMidiOut::kMaxGain);
    if (synth) synth->SetGain(gain);
    OpenSettings(settingsFile)->setValue(kGainKey, gain);
}

void AddSynthMenuItems(QMenu& midiMenu, QWidget* parent, SynthMidiOut* synth,
                       const QString& settingsFile) {
    midiMenu.addSeparator();
    QAction* font = midiMenu.addAction("SoundFont...");
    font->setObjectName("synthSoundFont");
    QObject::connect(font, &QAction::triggered, parent, [=] {
        const QString current = LoadSynthSettings(settingsFile).soundFont;
        const QString path =
            QFileDialog::getOpenFileName(parent, "SoundFont", current, "SoundFonts (*.sf2 *.sf3)");
        if (path.isEmpty()) return;
        QString whyNot;
        if (!ChooseSoundFont(synth, settingsFile, path, whyNot))
            QMessageBox::critical(parent, "SoundFont", whyNot);
    });
    QAction* gain = midiMenu.addAction("Synth gain...");
    gain->setObjectName("synthGain");
    QObject::connect(gain, &QAction::triggered, parent, [=] {
        bool ok = false;
        const double chosen = QInputDialog::getDouble(
            parent, "Synth gain", "Gain of the built-in synthesizer (0.5 is the default):",
            LoadSynthSettings(settingsFile).gain, 0.0, SynthMidiOut::kMaxGain, 2, &ok);
        if (ok) ChooseSynthGain(synth, settingsFile, chosen);
    });
}

}  // namespace tarvel
