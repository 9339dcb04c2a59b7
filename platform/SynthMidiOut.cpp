#include "platform/SynthMidiOut.h"

#include <fluidsynth.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/SynthMessages.h"

namespace tarvel {

SynthMidiOut::SynthMidiOut(const std::string& soundFont, double gain,
                           std::vector<std::string> audioDrivers)
    : soundFont_(soundFont) {
    // A synth that cannot start simply contributes no device; its complaints stay quiet, and
    // Failure() says why for the window to show.
    SilenceSynthLog();

    settings_ = new_fluid_settings();
    if (!settings_) {
        failure_ = "the synthesizer could not be set up";
        return;
    }
    // Load samples only for the programs in use: the GM SoundFont is 140 MB on disk.
    fluid_settings_setint(settings_, "synth.dynamic-sample-loading", 1);
    fluid_settings_setnum(settings_, "synth.gain", std::clamp(gain, 0.0, kMaxGain));
    // On JACK the synth's outputs go to the system's playback ports by themselves.
    fluid_settings_setint(settings_, "audio.jack.autoconnect", 1);
    fluid_settings_setstr(settings_, "audio.jack.id", "Tarvel synth");

    synth_ = new_fluid_synth(settings_);
    if (synth_) fontId_ = fluid_synth_sfload(synth_, soundFont.c_str(), 1);
    if (!synth_ || fontId_ == FLUID_FAILED) {
        Shutdown();
        failure_ = "the SoundFont " + soundFont + " could not be loaded";
        return;
    }
    // JACK only answers when a server runs: no client of ours starts one.
    std::string tried;
    for (const std::string& driver : audioDrivers) {
        fluid_settings_setstr(settings_, "audio.driver", driver.c_str());
        audio_ = new_fluid_audio_driver(settings_, synth_);
        if (audio_) {
            audioDriver_ = driver;
            return;
        }
        tried += (tried.empty() ? "" : ", ") + driver;
    }
    Shutdown();
    failure_ = "no audio output opened (tried " + tried + ")";
}

bool SynthMidiOut::ChangeSoundFont(const std::string& path, std::string& whyNot) {
    if (!synth_) {
        whyNot = "The built-in synthesizer is not running: " + failure_ + ".";
        return false;
    }
    const int id = fluid_synth_sfload(synth_, path.c_str(), 1);
    if (id == FLUID_FAILED) {
        whyNot = "The SoundFont " + path + " could not be loaded; the old one stays.";
        return false;
    }
    // The new font sits on top of the stack; the old one goes, and every channel takes its
    // program again from the new one.
    fluid_synth_sfunload(synth_, fontId_, 1);
    fontId_ = id;
    soundFont_ = path;
    return true;
}

void SynthMidiOut::SetGain(double gain) noexcept {
    if (synth_) fluid_synth_set_gain(synth_, static_cast<float>(std::clamp(gain, 0.0, kMaxGain)));
}

SynthMidiOut::~SynthMidiOut() {
    Shutdown();
}

void SynthMidiOut::Shutdown() noexcept {
    if (audio_) delete_fluid_audio_driver(audio_);
    if (synth_) delete_fluid_synth(synth_);
    if (settings_) delete_fluid_settings(settings_);
    audio_ = nullptr;
    synth_ = nullptr;
    settings_ = nullptr;
    open_ = false;
}

MidiOutCaps SynthMidiOut::Describe(int device) {
    MidiOutCaps caps;
    if (device != 0 || !synth_) return caps;
    std::strncpy(caps.productName, "Tarvel GM Synth", sizeof caps.productName - 1);
    caps.driverVersion = FLUIDSYNTH_VERSION_MAJOR * 100 + FLUIDSYNTH_VERSION_MINOR;
    caps.voices = static_cast<std::uint16_t>(fluid_synth_get_polyphony(synth_));
    caps.support = 0x1;  // volume control
    std::snprintf(caps.details, sizeof caps.details,
                  "Port: built-in synthesizer\nAPI: FluidSynth %s, audio through %s\nSoundFont: %s",
                  fluid_version_str(), audioDriver_.c_str(), soundFont_.c_str());
    return caps;
}

bool SynthMidiOut::Open(int device) {
    if (device != 0 || !synth_) return false;
    open_ = true;
    return true;
}

void SynthMidiOut::Close(int device) noexcept {
    if (device != 0 || !synth_) return;
    fluid_synth_all_sounds_off(synth_, -1);
    open_ = false;
}

void SynthMidiOut::Send(int device, const std::uint8_t* bytes, int length) noexcept {
    if (device != 0 || !open_) return;
    PlayOnSynth(synth_, bytes, length);
}

}  // namespace tarvel
