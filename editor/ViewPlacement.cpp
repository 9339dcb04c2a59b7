#include "editor/ViewPlacement.h"

#include <algorithm>
#include <mutex>

#include "editor/EditorBounds.h"

namespace tarvel {

void SetViewSize(SongEditor& doc, int width, int height) {
    std::lock_guard lock(doc.mutex);
    doc.layout = LayoutForViewSize(width, height);
    doc.RaiseUiSignal(kRepaintView);
}

int PlayedLineOfShownPattern(const SongEditor& doc) {
    TARVEL_ASSERT_LOCKED(doc);
    const PlayerState& player = doc.player;
    if (!player.isPlaying) return -1;
    if (player.playMode == kPatternMode) return player.patternLine;
    const int track = doc.editor.currentChannel & 0x0F;
    if (player.trackPattern[track] != CurrentPatternIndex(doc.editor)) return -1;
    return player.trackLine[track];
}

void FollowPlayedLine(SongEditor& doc) {
    TARVEL_ASSERT_LOCKED(doc);
    if (!doc.followPlay) return;
    const int line = PlayedLineOfShownPattern(doc);
    if (line < 0) return;
    const int rows = doc.layout.visibleRows;
    const int lineCount = UsableLineCount(doc.song.patterns[CurrentPatternIndex(doc.editor)]);
    doc.editor.firstVisibleLine = std::clamp(line - rows / 2, 0, std::max(lineCount - rows, 0));
}

}  // namespace tarvel
