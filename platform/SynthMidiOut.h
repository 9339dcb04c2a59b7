// The built-in General MIDI synth, so a new user hears music without any MIDI hardware. One
// device; it exists only if the SoundFont loads and an audio output opens: JACK when a server
// runs, else the desktop's sound server (PulseAudio or PipeWire through it), else ALSA.
#pragma once

#include <string>
#include <vector>

#include "platform/MidiOut.h"

struct _fluid_hashtable_t;
struct _fluid_synth_t;
struct _fluid_audio_driver_t;

namespace tarvel {

class SynthMidiOut final : public MidiOutDriver {
  public:
    static constexpr const char* kDefaultSoundFont = "/usr/share/sounds/sf2/FluidR3_GM.sf2";
    static constexpr double kGain = 0.5;  // loud enough, with room for many voices at once
    static constexpr double kMaxGain = 10.0;

    // `audioDrivers`: FluidSynth's names, tried in order.
    explicit SynthMidiOut(const std::string& soundFont = kDefaultSoundFont, double gain = kGain,
                          std::vector<std::string> audioDrivers = {"jack", "pulseaudio", "alsa"});
    ~SynthMidiOut() override;
    SynthMidiOut(const SynthMidiOut&) = delete;
    SynthMidiOut& operator=(const SynthMidiOut&) = delete;

    int DeviceCount() override { return synth_ ? 1 : 0; }
    MidiOutCaps Describe(int device) override;
    bool Open(int device) override;
    void Close(int device) noexcept override;
    void Send(int device, const std::uint8_t* bytes, int length) noexcept override;

    // Why there is no synth ("" when there is one).
    const std::string& Failure() const { return failure_; }
    // Window thread. Another SoundFont for the running synth; on failure the old one stays
    // and `whyNot` says why.
    bool ChangeSoundFont(const std::string& path, std::string& whyNot);
    // Any thread; clamped to 0..kMaxGain.
    void SetGain(double gain) noexcept;

  private:
    void Shutdown() noexcept;

    std::string soundFont_;
    std::string audioDriver_;  // the one that opened
    std::string failure_;
    int fontId_ = -1;

    _fluid_hashtable_t* settings_ = nullptr;
    _fluid_synth_t* synth_ = nullptr;
    _fluid_audio_driver_t* audio_ = nullptr;
    bool open_ = false;
};

}  // namespace tarvel
