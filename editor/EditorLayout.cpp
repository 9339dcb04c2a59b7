#include "editor/EditorLayout.h"

#include <algorithm>

#include "song/Song.h"

namespace tarvel {

namespace {

constexpr int kClassicTracks = 4;
constexpr int kClassicSlotWidth = 28;

}  // namespace

EditorLayout LayoutForViewSize(int width, int height) {
    width = std::clamp(width, kMinimumViewWidth, kMaximumViewWidth);
    height = std::clamp(height, kMinimumViewHeight, kMaximumViewHeight);
    EditorLayout layout{};
    layout.width = width;
    layout.height = height;
    const int extra = width - kMinimumViewWidth;
    layout.visibleTracks = std::min(kClassicTracks + extra / kCellWidth, kTrackCount);
    const int left = extra - (layout.visibleTracks - kClassicTracks) * kCellWidth;
    layout.slotWidth = kClassicSlotWidth + left / kTrackCount;
    layout.visibleRows = (height - kFirstRowY) / kRowHeight;
    layout.patternWidth = kLineNumberWidth + kCellWidth * layout.visibleTracks;
    layout.sequencerX = layout.patternWidth + kBarWidth;
    layout.sequencerWidth = kRowLabelWidth + kTrackCount * layout.slotWidth;
    return layout;
}

}  // namespace tarvel
