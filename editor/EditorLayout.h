// Where the editor's panes lie in a view of a given size. 802 x 324 pixels is the classic
// layout and the least the view gets: four pattern tracks, 25 rows, 28-pixel sequencer columns.
// Extra width shows more pattern tracks, 70 pixels each, until all 16 show; what is left then
// widens the sequencer's columns. Extra height shows more rows in both panes.
#pragma once

namespace tarvel {

struct EditorLayout {
    int width, height;   // the view's client area
    int visibleTracks;   // pattern tracks shown, 4..16
    int visibleRows;     // rows below the two heading rows, 25 or more
    int slotWidth;       // a sequencer column, 28 pixels or more
    int patternWidth;    // the pattern pane: line numbers and the shown tracks
    int sequencerX;      // the sequencer pane's left edge, right of the bar
    int sequencerWidth;  // its row labels and 16 columns
    bool operator==(const EditorLayout&) const = default;
};

// Rows, in both panes: the column headers at y 12, the first row at y 24, 12 pixels a row.
constexpr int kHeadersTopY = 12;
constexpr int kFirstRowY = 24;
constexpr int kRowHeight = 12;

constexpr int kMinimumViewWidth = 802;
constexpr int kMinimumViewHeight = kFirstRowY + 25 * kRowHeight;
// Beyond these nothing more could show; the 16-bit coordinates of the display model stay safe.
constexpr int kMaximumViewWidth = 8000;
constexpr int kMaximumViewHeight = 8000;

constexpr int kLineNumberWidth = 24;
constexpr int kCellWidth = 70;
constexpr int kBarWidth = 4;
constexpr int kRowLabelWidth = 36;

// The cursor's rectangle inside a cell box, by field: the note and the space after it, or one
// digit. Right edges exclusive.
struct FieldSpan {
    int left, right;
};
constexpr FieldSpan kFieldSpans[7] = {{0, 24},  {26, 32}, {32, 38}, {44, 50},
                                      {50, 56}, {56, 62}, {62, 68}};

// Any thread; pure. Sizes outside the minimum and maximum are taken at the nearest bound.
EditorLayout LayoutForViewSize(int width, int height);

inline EditorLayout ClassicLayout() {
    return LayoutForViewSize(kMinimumViewWidth, kMinimumViewHeight);
}

// Zoom: the view shows the editor's pixels at one of these scales, in percent, and lays the
// editor out for its size divided by the scale, so more zoom shows fewer tracks and lines.
constexpr int kZoomSteps[] = {100, 125, 150, 200, 300};
constexpr bool IsZoomStep(int percent) {
    for (const int step : kZoomSteps)
        if (step == percent) return true;
    return false;
}
// The next step in (direction > 0) or out from `percent`, staying at the ends; from a value
// that is no step, the nearest step that way.
int NextZoomStep(int percent, int direction);
// The editor's size, in its own pixels, of a view of width x height at `percent`.
EditorLayout LayoutForZoomedView(int width, int height, int percent);

// Where editor pixel `v`'s left (or top) edge falls when the grid is drawn at `scale` device
// pixels per editor pixel: on a whole device pixel always, so no edge is blurred or doubled, and
// adjacent boxes still meet. At a whole scale, v * scale exactly.
inline int DeviceEdge(int v, double scale) {
    const double at = v * scale + 0.5;
    const int whole = static_cast<int>(at);
    return whole - (at < whole);  // the floor, for negative positions too
}
// The editor pixel whose device pixels hold device pixel `p`: DeviceEdge(v) <= p < DeviceEdge(v
// + 1).
int EditorPixelAt(int p, double scale);

inline int SequencerGridX(const EditorLayout& layout) {
    return layout.sequencerX + kRowLabelWidth;
}

}  // namespace tarvel
