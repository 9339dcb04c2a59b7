// The one way the core talks back to the window side. The Qt application implements it; tests
// use a recording fake.
#pragma once

#include <string>

#include "engine/UiSignals.h"

namespace tarvel {

enum class MessageIcon { Information, Error };

struct UserMessage {
    MessageIcon icon;
    std::string title;
    std::string text;
    bool ownedByFrame;  // false: a box with no owner, as at start-up
};

class UiHooks : public WindowWaker {
  public:
    virtual ~UiHooks() = default;

    // Window thread only. ShowMessage is modal and returns when the user closes the box.
    virtual void ShowMessage(const UserMessage& message) = 0;
    virtual void InvalidateView() = 0;
    virtual void SelectProgram(int program) = 0;  // -1: no entry selected
    virtual void ShowBpmText(int bpm) = 0;
    virtual void RefreshPanel() = 0;
    // Where the tempo comes from now ("Internal clock", "MIDI clock"); `followed`: the tempo box
    // shows the followed tempo and takes no typing, unless `typedTempoShared`: then a typed
    // tempo goes to the followed session (CFennoralDoc::SetSharedTempo).
    virtual void ShowTempoSource(const std::string& label, bool followed, bool typedTempoShared) {
        (void)label;
        (void)followed;
        (void)typedTempoShared;
    }
    // A short note in the status bar.
    virtual void ShowStatusText(const std::string& text) { (void)text; }

    // WakeWindowThread (any thread) asks the window thread to call
    // CFennoralDoc::DispatchUiSignals soon.
};

}  // namespace tarvel
