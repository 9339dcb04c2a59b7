#include "platform/SynthMessages.h"

#include <fluidsynth.h>

#include <initializer_list>

namespace tarvel {

void SilenceSynthLog() noexcept {
    for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
        fluid_set_log_function(level, nullptr, nullptr);
}

void PlayOnSynth(fluid_synth_t* synth, const std::uint8_t* bytes, int length) noexcept {
    if (length < 1) return;
    const int channel = bytes[0] & 0x0F;
    const int data1 = length > 1 ? bytes[1] : 0;
    const int data2 = length > 2 ? bytes[2] : 0;
    switch (bytes[0] & 0xF0) {
        case 0x80:
            fluid_synth_noteoff(synth, channel, data1);
            break;
        case 0x90:
            fluid_synth_noteon(synth, channel, data1, data2);
            break;
        case 0xA0:
            fluid_synth_key_pressure(synth, channel, data1, data2);
            break;
        case 0xB0:
            fluid_synth_cc(synth, channel, data1, data2);
            break;
        case 0xC0:
            fluid_synth_program_change(synth, channel, data1);
            break;
        case 0xD0:
            fluid_synth_channel_pressure(synth, channel, data1);
            break;
        case 0xE0:
            fluid_synth_pitch_bend(synth, channel, data1 | (data2 << 7));
            break;
        default:
            if (bytes[0] == 0xFF) fluid_synth_system_reset(synth);
            break;  // other system and real-time messages mean nothing to a synth
    }
}

}  // namespace tarvel
