#include "editor/ViewPlacement.h"

#include <algorithm>
#include <mutex>

#include "editor/EditorBounds.h"

namespace tarvel {

void SetViewSize(SongEditor& edit, int width, int height) {
    std::lock_guard lock(edit.mutex);
    edit.layout = LayoutForViewSize(width, height);
    edit.RaiseUiSignal(kRepaintView);
}

void SetZoomedViewSize(SongEditor& edit, int width, int height, int percent) {
    std::lock_guard lock(edit.mutex);
    edit.layout = LayoutForZoomedView(width, height, percent);
    edit.RaiseUiSignal(kRepaintView);
}

int PlayedLineOfShownPattern(const SongEditor& edit) {
    TARVEL_ASSERT_LOCKED(edit);
    const PlayerState& player = edit.player;
    if (!player.isPlaying) return -1;
    if (player.playMode == kPatternMode) return player.patternLine;
    const int track = edit.editor.currentChannel & 0x0F;
    if (player.trackPattern[track] != CurrentPatternIndex(edit.editor)) return -1;
    return player.trackLine[track];
}

void FollowPlayedLine(SongEditor& edit) {
    TARVEL_ASSERT_LOCKED(edit);
    if (!edit.followPlay) return;
    const int line = PlayedLineOfShownPattern(edit);
    if (line < 0) return;
    const int rows = edit.layout.visibleRows;
    const int lineCount = UsableLineCount(edit.song.patterns[CurrentPatternIndex(edit.editor)]);
    edit.editor.firstVisibleLine = std::clamp(line - rows / 2, 0, std::max(lineCount - rows, 0));
}

}  // namespace tarvel
