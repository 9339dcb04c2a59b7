// One user action of the window as one undo step: the stretches of the song it may change are
// watched when it starts, and what changed becomes the step when the last one nested ends.
// Window thread; takes the lock briefly at both ends, so the caller must not hold it.
#pragma once

#include <initializer_list>
#include <mutex>

#include "document/FennoralDoc.h"

namespace tarvel {

class EditAction {
  public:
    EditAction(CFennoralDoc& doc, const char* label, std::initializer_list<SongRange> ranges = {})
        : doc_(doc) {
        std::lock_guard lock(doc_.mutex);
        doc_.history.Begin(label);
        for (const SongRange& range : ranges) doc_.history.Watch(range);
    }
    ~EditAction() {
        std::lock_guard lock(doc_.mutex);
        doc_.history.End();
    }
    EditAction(const EditAction&) = delete;
    EditAction& operator=(const EditAction&) = delete;

  private:
    CFennoralDoc& doc_;
};

}  // namespace tarvel
