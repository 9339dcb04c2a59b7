#include "document/SongChangeTracker.h"

#include <cstring>
#include <mutex>

#include "document/FennoralDoc.h"

namespace tarvel {

namespace {

// The note-tracking table lives in the song record but is playback state, not song content.
bool SameContent(DocumentMutex& mutex, const Song& a, const Song& b) {
    constexpr std::size_t kTrackingStart = offsetof(Song, soundingNote);
    constexpr std::size_t kTrackingEnd = kTrackingStart + sizeof(Song::soundingNote);
    const auto* left = reinterpret_cast<const unsigned char*>(&a);
    const auto* right = reinterpret_cast<const unsigned char*>(&b);
    return EqualInShortHolds(mutex, left, right, kTrackingStart) &&
           EqualInShortHolds(mutex, left + kTrackingEnd, right + kTrackingEnd,
                             sizeof(Song) - kTrackingEnd);
}

}  // namespace

SongChangeTracker::SongChangeTracker() : saved_(std::make_unique<Song>()) {}

SongChangeTracker::~SongChangeTracker() = default;

void SongChangeTracker::MarkUnchanged(const CFennoralDoc& doc) {
    CopyInShortHolds(doc.mutex, saved_.get(), &doc.song, sizeof(Song));
    std::lock_guard lock(doc.mutex);
    savedLoopStart_ = doc.editor.loopStartRow;
    savedLoopEnd_ = doc.editor.loopEndRow;
}

bool SongChangeTracker::IsChanged(const CFennoralDoc& doc) const {
    {
        std::lock_guard lock(doc.mutex);
        if (savedLoopStart_ != doc.editor.loopStartRow || savedLoopEnd_ != doc.editor.loopEndRow)
            return true;
    }
    return !SameContent(doc.mutex, *saved_, doc.song);
}

}  // namespace tarvel
