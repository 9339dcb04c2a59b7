#include "platform/SynthMidiOut.h"

#include <fluidsynth.h>

#include <cstdio>
#include <cstring>

#include "platform/SynthMessages.h"

namespace tarvel {

SynthMidiOut::SynthMidiOut(const std::string& soundFont) : soundFont_(soundFont) {
    // A synth that cannot start simply contributes no device; its complaints stay quiet.
    SilenceSynthLog();

    settings_ = new_fluid_settings();
    if (!settings_) return;
    // Load samples only for the programs in use: the GM SoundFont is 140 MB on disk.
    fluid_settings_setint(settings_, "synth.dynamic-sample-loading", 1);
    fluid_settings_setnum(settings_, "synth.gain", kGain);

    synth_ = new_fluid_synth(settings_);
    if (!synth_ || fluid_synth_sfload(synth_, soundFont.c_str(), 1) == FLUID_FAILED) {
        Shutdown();
        return;
    }
    // The desktop's sound server first (PulseAudio or PipeWire through it), then ALSA directly.
    for (const char* driver : {"pulseaudio", "alsa"}) {
        fluid_settings_setstr(settings_, "audio.driver", driver);
        audio_ = new_fluid_audio_driver(settings_, synth_);
        if (audio_) {
            audioDriver_ = driver;
            return;
        }
    }
    Shutdown();
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
                  fluid_version_str(), audioDriver_, soundFont_.c_str());
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
