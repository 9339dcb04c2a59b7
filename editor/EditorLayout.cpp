#include "editor/EditorLayout.h"

#include <algorithm>
#include <cmath>
#include <iterator>

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

int NextZoomStep(int percent, int direction) {
    if (direction > 0) {
        for (const int step : kZoomSteps)
            if (step > percent) return step;
        return kZoomSteps[std::size(kZoomSteps) - 1];
    }
    for (auto step = std::rbegin(kZoomSteps); step != std::rend(kZoomSteps); ++step)
        if (*step < percent) return *step;
    return kZoomSteps[0];
}

EditorLayout LayoutForZoomedView(int width, int height, int percent) {
    if (!IsZoomStep(percent)) percent = 100;
    return LayoutForViewSize(width * 100 / percent, height * 100 / percent);
}

int EditorPixelAt(int p, double scale) {
    // DeviceEdge(v) <= p exactly while v * scale < p + 0.5; a guess from the division, then
    // corrected against DeviceEdge itself, so the two never disagree.
    int v = static_cast<int>(std::floor((p + 0.5) / scale));
    while (DeviceEdge(v, scale) > p) --v;
    while (DeviceEdge(v + 1, scale) <= p) ++v;
    return v;
}

}  // namespace tarvel
