// The built-in General MIDI synth, so a new user hears music without any MIDI hardware. One
// device; it exists only if the SoundFont loads and an audio output opens.
#pragma once

#include <string>

#include "platform/MidiOut.h"

struct _fluid_hashtable_t;
struct _fluid_synth_t;
struct _fluid_audio_driver_t;

namespace tarvel {

class SynthMidiOut final : public MidiOutDriver {
  public:
    static constexpr const char* kDefaultSoundFont = "/usr/share/sounds/sf2/FluidR3_GM.sf2";
    static constexpr double kGain = 0.5;  // loud enough, with room for many voices at once

    explicit SynthMidiOut(const std::string& soundFont = kDefaultSoundFont);
    ~SynthMidiOut() override;
    SynthMidiOut(const SynthMidiOut&) = delete;
    SynthMidiOut& operator=(const SynthMidiOut&) = delete;

    int DeviceCount() override { return synth_ ? 1 : 0; }
    MidiOutCaps Describe(int device) override;
    bool Open(int device) override;
    void Close(int device) noexcept override;
    void Send(int device, const std::uint8_t* bytes, int length) noexcept override;

  private:
    void Shutdown() noexcept;

    std::string soundFont_;
    const char* audioDriver_ = "";  // the one that opened

    _fluid_hashtable_t* settings_ = nullptr;
    _fluid_synth_t* synth_ = nullptr;
    _fluid_audio_driver_t* audio_ = nullptr;
    bool open_ = false;
};

}  // namespace tarvel
