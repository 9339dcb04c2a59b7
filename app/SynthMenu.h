// The Midi menu's items for the built-in synth: "SoundFont..." (a .sf2 or .sf3 file) and
// "Synth gain...". Both are remembered in the settings and used from the next start on; a
// running synth takes them at once. Window thread.
#pragma once

#include <QString>

class QMenu;
class QWidget;

namespace tarvel {

class SynthMidiOut;

struct SynthSettings {
    QString soundFont;
    double gain;
};

// What the settings say, or the defaults.
SynthSettings LoadSynthSettings(const QString& settingsFile);

// `synth` may be null (tests, a program without the synth).
void AddSynthMenuItems(QMenu& midiMenu, QWidget* parent, SynthMidiOut* synth,
                       const QString& settingsFile);

// The two items' work, without their dialogs. False (with a message in `whyNot`) when the
// running synth refused the file; the choice is then not remembered.
bool ChooseSoundFont(SynthMidiOut* synth, const QString& settingsFile, const QString& path,
                     QString& whyNot);
void ChooseSynthGain(SynthMidiOut* synth, const QString& settingsFile, double gain);

}  // namespace tarvel
