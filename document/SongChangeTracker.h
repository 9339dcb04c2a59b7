// Knows whether the song differs from the one last loaded, saved or started, so that New, Open
// and closing can offer to save it first. It compares the whole song image and the loop rows
// (what a song file holds), which catches every kind of edit without each edit having to
// report itself.
#pragma once

#include <cstdint>
#include <memory>

#include "song/Song.h"

namespace tarvel {

class CFennoralDoc;

class SongChangeTracker {
  public:
    SongChangeTracker();
    ~SongChangeTracker();

    // Window thread; take the document lock in short holds, so the caller must not hold it.
    void MarkUnchanged(const CFennoralDoc& doc);
    bool IsChanged(const CFennoralDoc& doc) const;

  private:
    std::unique_ptr<Song> saved_;  // 2.9 MB: on the heap, made once
    std::int32_t savedLoopStart_ = 0;
    std::int32_t savedLoopEnd_ = 0;
};

}  // namespace tarvel
