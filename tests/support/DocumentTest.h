// A GoogleTest fixture on one document on recording devices (two unless told: sends to every
// device show), with what start-up sent and signalled forgotten. Tests of code that expects the
// lock held call Hold() in their SetUp.
#pragma once

#include <gtest/gtest.h>

#include <mutex>

#include "support/RecordingUi.h"

namespace tarvel::testing {

class DocumentTest : public ::testing::Test {
  protected:
    explicit DocumentTest(int devices = 2) : t(devices) { t.Settle(); }
    void Hold() { lock = std::unique_lock(doc.mutex); }

    // What the window thread is asked for when it dispatches the signals raised since the last
    // call (see RecordingUi::Events); a hold on the document is let go meanwhile.
    std::vector<std::string> UiEvents() {
        const bool held = lock.owns_lock();
        if (held) lock.unlock();
        doc.DispatchUiSignals();
        if (held) lock.lock();
        std::vector<std::string> events = t.ui.Events();
        t.ui.Clear();
        return events;
    }
    PatternCell& Cell(int line, int track, int pattern = 0) {
        return doc.song.patterns[pattern].cells[line][track];
    }

    TestDocument t;
    CFennoralDoc& doc = *t.doc;
    EditorState& e = doc.editor;
    std::unique_lock<DocumentMutex> lock;
};

}  // namespace tarvel::testing
