#include "editor/PanelChoices.h"

namespace tarvel {

bool ChooseChannel(SongEditor& edit, int channel) {
    TARVEL_ASSERT_LOCKED(edit);
    if (channel < 0 || channel >= kTrackCount) return false;
    edit.editor.currentChannel = channel;
    return true;
}

bool StepChannel(SongEditor& edit, int delta) {
    TARVEL_ASSERT_LOCKED(edit);
    return ChooseChannel(edit, edit.editor.currentChannel + delta);
}

bool ChooseSequencerStep(SongEditor& edit, int index) {
    TARVEL_ASSERT_LOCKED(edit);
    if (index < 0 || index >= static_cast<int>(kSequencerSteps.size())) return false;
    edit.editor.seqStep = kSequencerSteps[static_cast<std::size_t>(index)];
    return true;
}

}  // namespace tarvel
