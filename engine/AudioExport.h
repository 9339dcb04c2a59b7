// A song as an audio file: one pass of it, rendered offline, played on a synth of its own into a
// WAV or FLAC file, with a tail after the last line for the notes to ring out.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "engine/OfflineRender.h"
#include "platform/SynthFileRenderer.h"
#include "platform/SynthMidiOut.h"

namespace tarvel {

struct AudioExportSettings {
    AudioFileFormat format;
    std::string soundFont = SynthMidiOut::kDefaultSoundFont;
    int tailMs = 2000;
};

// Told now and then how far an export has got (0..1); returning false cancels it.
using ExportProgress = std::function<bool(double done)>;

enum class ExportOutcome { Done, Failed, Cancelled };

// The frames an export of a pass `lengthMs` long writes: the pass and the tail, in whole blocks.
std::int64_t AudioExportFrames(std::int32_t lengthMs, const AudioExportSettings& settings);

// Plays `pass` into the file at `path`, each message at the block nearest its time, after each
// channel's program at time 0. The file is written beside `path` and renamed over it when
// complete, so a failed or cancelled export leaves `path` as it was. Any thread.
ExportOutcome ExportPassAsAudio(const RenderedPass& pass, const std::string& path,
                                const AudioExportSettings& settings, const ExportProgress& progress,
                                std::string& whyNot);

// Renders one pass of the song (row 0 to the loop end) and exports it. Any thread.
ExportOutcome ExportSongAsAudio(const Song& song, int loopEndRow, const std::string& path,
                                const AudioExportSettings& settings, const ExportProgress& progress,
                                std::string& whyNot);

}  // namespace tarvel
