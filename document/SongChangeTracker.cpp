#include "document/SongChangeTracker.h"

#include <cstring>

#include "document/FennoralDoc.h"

namespace tarvel {

namespace {

// The note-tracking table lives in the song record but is playback state, not song content.
bool SameContent(const Song& a, const Song& b) {
    constexpr std::size_t kTrackingStart = offsetof(Song, soundingNote);
    constexpr std::size_t kTrackingEnd = kTrackingStart + sizeof(Song::soundingNote);
    const auto* left = reinterpret_cast<const unsigned char*>(&a);
    const auto* right = reinterpret_cast<const unsigned char*>(&b);
    return std::memcmp(left, right, kTrackingStart) == 0 &&
           std::memcmp(left + kTrackingEnd, right + kTrackingEnd, sizeof(Song) - kTrackingEnd) == 0;
}

}  // namespace

SongChangeTracker::SongChangeTracker() : saved_(std::make_unique<Song>()) {}

SongChangeTracker::~SongChangeTracker() = default;

void SongChangeTracker::MarkUnchanged(const CFennoralDoc& doc) {
    TARVEL_ASSERT_LOCKED(doc);
    std::memcpy(saved_.get(), &doc.song, sizeof(Song));
    savedLoopStart_ = doc.editor.loopStartRow;
    savedLoopEnd_ = doc.editor.loopEndRow;
}

bool SongChangeTracker::IsChanged(const CFennoralDoc& doc) const {
    TARVEL_ASSERT_LOCKED(doc);
    return !SameContent(*saved_, doc.song) || savedLoopStart_ != doc.editor.loopStartRow ||
           savedLoopEnd_ != doc.editor.loopEndRow;
}

}  // namespace tarvel
