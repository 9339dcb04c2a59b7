#include "engine/AudioExport.h"

#include "platform/SafeFile.h"

namespace tarvel {
namespace {

constexpr std::int64_t kBlock = SynthFileRenderer::kBlockFrames;
constexpr std::int64_t kBlocksPerProgress = 256;  // a third of a second of sound

std::int64_t FrameOf(std::int64_t ms, int sampleRate) {
    return (ms * sampleRate + 500) / 1000;
}

}  // namespace

std::int64_t AudioExportFrames(std::int32_t lengthMs, const AudioExportSettings& settings) {
    const std::int64_t frames =
        FrameOf(std::int64_t{lengthMs} + settings.tailMs, settings.format.sampleRate);
    return (frames + kBlock - 1) / kBlock * kBlock;
}

ExportOutcome ExportPassAsAudio(const RenderedPass& pass, const std::string& path,
                                const AudioExportSettings& settings, const ExportProgress& progress,
                                std::string& whyNot) {
    ReplacementFile file;
    if (!file.Create(path, whyNot)) return ExportOutcome::Failed;
    // Destroyed first: the file is closed before an unfinished one is removed.
    const auto synth = SynthFileRenderer::Create(file.TemporaryPath(), settings.format,
                                                 settings.soundFont, whyNot);
    if (!synth) return ExportOutcome::Failed;

    for (int channel = 0; channel < kTrackCount; ++channel) {
        const std::uint8_t program[2] = {static_cast<std::uint8_t>(0xC0 | channel),
                                         static_cast<std::uint8_t>(pass.programs[channel] & 0x7F)};
        synth->Send(program, 2);
    }
    const int rate = settings.format.sampleRate;
    const std::int64_t frames = AudioExportFrames(pass.LengthMs(), settings);
    std::size_t next = 0;
    for (std::int64_t frame = 0; frame < frames; frame += kBlock) {
        for (; next < pass.messages.size() &&
               FrameOf(pass.messages[next].ms, rate) < frame + kBlock / 2;
             ++next)
            synth->Send(pass.messages[next].bytes, pass.messages[next].length);
        if (!synth->RenderBlock()) {
            whyNot = "writing the audio data failed; is the disk full?";
            return ExportOutcome::Failed;
        }
        if (progress && frame % (kBlock * kBlocksPerProgress) == 0 &&
            !progress(static_cast<double>(frame) / static_cast<double>(frames)))
            return ExportOutcome::Cancelled;
    }
    synth->Close();
    return file.Commit(whyNot) ? ExportOutcome::Done : ExportOutcome::Failed;
}

ExportOutcome ExportSongAsAudio(const Song& song, int loopEndRow, const std::string& path,
                                const AudioExportSettings& settings, const ExportProgress& progress,
                                std::string& whyNot) {
    RenderedPass pass;
    if (!RenderSongPass(song, loopEndRow, pass, whyNot)) return ExportOutcome::Failed;
    return ExportPassAsAudio(pass, path, settings, progress, whyNot);
}

}  // namespace tarvel
