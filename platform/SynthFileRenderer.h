// The built-in General MIDI synth playing into an audio file instead of the sound card, through
// FluidSynth's file renderer: WAV or FLAC, 16 or 24 bit, stereo. It is a synth of its own, so
// rendering never touches the one that plays live. One thread at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

struct _fluid_hashtable_t;
struct _fluid_synth_t;
struct _fluid_file_renderer_t;

namespace tarvel {

enum class AudioFileType { Wav, Flac };

struct AudioFileFormat {
    AudioFileType type = AudioFileType::Wav;
    int sampleRate = 44100;  // 44100 or 48000
    int bitsPerSample = 16;  // 16 or 24
};

class SynthFileRenderer {
  public:
    // Frames rendered at a time: messages take effect between blocks, within 1.5 ms of their time.
    static constexpr int kBlockFrames = 64;

    // A renderer writing the file at `path`, which is replaced whole; nullptr, with the reason,
    // when the SoundFont does not load, the format is not one of the above, or the file cannot be
    // opened for writing.
    static std::unique_ptr<SynthFileRenderer> Create(const std::string& path,
                                                     const AudioFileFormat& format,
                                                     const std::string& soundFont,
                                                     std::string& whyNot);
    ~SynthFileRenderer();  // closes the file
    SynthFileRenderer(const SynthFileRenderer&) = delete;
    SynthFileRenderer& operator=(const SynthFileRenderer&) = delete;

    void Send(const std::uint8_t* bytes, int length) noexcept;
    // Appends kBlockFrames frames to the file; false when writing failed.
    bool RenderBlock() noexcept;
    // Closes the file; afterwards nothing more is rendered.
    void Close() noexcept;

  private:
    SynthFileRenderer() = default;

    _fluid_hashtable_t* settings_ = nullptr;
    _fluid_synth_t* synth_ = nullptr;
    _fluid_file_renderer_t* renderer_ = nullptr;
};

}  // namespace tarvel
