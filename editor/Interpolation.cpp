// Linear interpolation down the first track of the marked block.
#include <cstdint>
#include <mutex>

#include "editor/BlockCommands.h"
#include "editor/EditorBounds.h"

namespace tarvel {

namespace {

// Fills lines a .. b - 1 of the block's first track from the value at a towards the value at
// b; line b keeps its byte. The step is single precision and the running value double, and
// each line gets the running value truncated, so the results match songs made before.
void Interpolate(SongEditor& edit, std::uint8_t PatternCell::*field, bool emptyCountsAsZero) {
    std::lock_guard lock(edit.mutex);
    const EditorState& e = edit.editor;
    Pattern& pattern = edit.song.patterns[CurrentPatternIndex(e)];
    const int track = ClampTrack(e.blockStartTrack);
    const int first = ClampLine(e.blockStartLine);
    const int last = ClampLine(e.blockEndLine);
    const int lines = last - first;
    if (lines <= 0) return;

    auto valueAt = [&](int line) {
        const std::uint8_t byte = pattern.cells[line][track].*field;
        return emptyCountsAsZero && byte == 0xFF ? 0 : int{byte};
    };
    const int start = valueAt(first);
    const int end = valueAt(last);
    const float step = static_cast<float>(static_cast<double>(end - start) / lines);
    double value = start;
    for (int i = 0; i < lines; ++i) {
        pattern.cells[first + i][track].*field = static_cast<std::uint8_t>(static_cast<int>(value));
        value += step;
    }
    edit.RaiseUiSignal(kRepaintView);
}

}  // namespace

void InterpolateParameter(SongEditor& edit) {
    Interpolate(edit, &PatternCell::parameter, false);
}

void InterpolateVelocity(SongEditor& edit) {
    Interpolate(edit, &PatternCell::velocity, true);  // an empty velocity counts as 0
}

}  // namespace tarvel
