#include "platform/SynthFileRenderer.h"

#include <fluidsynth.h>

#include "platform/SynthMessages.h"
#include "platform/SynthMidiOut.h"

namespace tarvel {

std::unique_ptr<SynthFileRenderer> SynthFileRenderer::Create(const std::string& path,
                                                             const AudioFileFormat& format,
                                                             const std::string& soundFont,
                                                             std::string& whyNot) {
    if ((format.sampleRate != 44100 && format.sampleRate != 48000) ||
        (format.bitsPerSample != 16 && format.bitsPerSample != 24)) {
        whyNot = "only 16 or 24 bit at 44,100 or 48,000 Hz can be written";
        return nullptr;
    }
    std::unique_ptr<SynthFileRenderer> renderer(new SynthFileRenderer);
    fluid_settings_t* settings = renderer->settings_ = new_fluid_settings();
    if (!settings) {
        whyNot = "the synth could not start";
        return nullptr;
    }
    fluid_settings_setnum(settings, "synth.sample-rate", format.sampleRate);
    fluid_settings_setnum(settings, "synth.gain", SynthMidiOut::kGain);  // as it sounds live
    // Samples load as the programs in use are chosen, not all 140 MB of the SoundFont first.
    fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
    fluid_settings_setint(settings, "audio.period-size", kBlockFrames);
    fluid_settings_setstr(settings, "audio.file.name", path.c_str());
    fluid_settings_setstr(settings, "audio.file.type",
                          format.type == AudioFileType::Flac ? "flac" : "wav");
    fluid_settings_setstr(settings, "audio.file.format",
                          format.bitsPerSample == 24 ? "s24" : "s16");

    renderer->synth_ = new_fluid_synth(settings);
    if (!renderer->synth_ ||
        fluid_synth_sfload(renderer->synth_, soundFont.c_str(), 1) == FLUID_FAILED) {
        whyNot = "the SoundFont " + soundFont + " could not be loaded";
        return nullptr;
    }
    renderer->renderer_ = new_fluid_file_renderer(renderer->synth_);
    if (!renderer->renderer_) {
        whyNot = "the audio file could not be opened for writing";
        return nullptr;
    }
    return renderer;
}

SynthFileRenderer::~SynthFileRenderer() {
    Close();
    if (synth_) delete_fluid_synth(synth_);
    if (settings_) delete_fluid_settings(settings_);
}

void SynthFileRenderer::Send(const std::uint8_t* bytes, int length) noexcept {
    PlayOnSynth(synth_, bytes, length);
}

bool SynthFileRenderer::RenderBlock() noexcept {
    return renderer_ && fluid_file_renderer_process_block(renderer_) == FLUID_OK;
}

void SynthFileRenderer::Close() noexcept {
    if (renderer_) delete_fluid_file_renderer(renderer_);
    renderer_ = nullptr;
}

}  // namespace tarvel
