// A new song for tests, benchmarks and fuzz targets that build songs aside.
#pragma once

#include <memory>
#include <mutex>

#include "platform/RecordingMidiOut.h"
#include "song/FennoralDoc.h"
#include "support/RecordingUi.h"

namespace tarvel::testing {

// Resets `song` as File > New does. Resetting still takes a document, so one is made for it.
inline void ResetToNewSong(Song& song) {
    RecordingUi ui;
    RecordingMidiOut midi(1, 16);
    const auto doc = std::make_unique<CFennoralDoc>(ui, midi, DocOptions{.startTimer = false});
    std::lock_guard lock(doc->mutex);
    doc->ResetSong();
    song = doc->song;
}

}  // namespace tarvel::testing
