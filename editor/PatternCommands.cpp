// The menu commands on whole patterns and on the editor's choice of pattern.
#include <algorithm>

#include "editor/SongEditor.h"
#include "song/SongOps.h"

namespace tarvel {

namespace {

constexpr std::size_t kPatternNameLimit = 30;
constexpr int kMaxInsertTranspose = 99;

bool IsPatternNumber(int pattern) {
    return pattern >= 0 && pattern < kPatternCount;
}

// The lines box: the number its first three characters start with, 0 when they start with
// no digit, brought into 1..256.
int PatternLinesFromText(const std::string& text) {
    int lines = 0;
    for (std::size_t i = 0; i < 3 && i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        lines = lines * 10 + (text[i] - '0');
    return std::clamp(lines, 1, kPatternLines);
}

int Step(int value, int delta, int low, int high) {
    return static_cast<int>(
        std::clamp<long long>(static_cast<long long>(value) + delta, low, high));
}

}  // namespace

void SongEditor::CopyPattern(int pattern) {
    TARVEL_ASSERT_LOCKED(*this);
    if (!IsPatternNumber(pattern)) return;
    editor.patternClipboard = song.patterns[pattern];
    RaiseUiSignal(kRepaintView);
}

void SongEditor::CutPattern(int pattern) {
    TARVEL_ASSERT_LOCKED(*this);
    if (!IsPatternNumber(pattern)) return;
    CopyPattern(pattern);
    ResetPattern(song, pattern);
    RaiseUiSignal(kRepaintView);
}

void SongEditor::PastePattern(int pattern) {
    TARVEL_ASSERT_LOCKED(*this);
    if (!IsPatternNumber(pattern)) return;
    song.patterns[pattern] = editor.patternClipboard;
    RaiseUiSignal(kRepaintView);
}

void SongEditor::StepCurrentPattern(int delta) {
    TARVEL_ASSERT_LOCKED(*this);
    editor.currentPattern = Step(editor.currentPattern, delta, 0, kPatternCount - 1);
    editor.cursorLine = 0;
    editor.firstVisibleLine = 0;
    RaiseUiSignal(kRepaintView);
}

void SongEditor::AdjustInsertTranspose(int delta) {
    TARVEL_ASSERT_LOCKED(*this);
    editor.insertTranspose =
        Step(editor.insertTranspose, delta, -kMaxInsertTranspose, kMaxInsertTranspose);
    RaiseUiSignal(kRepaintView);
}

void SongEditor::ApplyPatternProperties(const std::string& name, const std::string& lines) {
    TARVEL_ASSERT_LOCKED(*this);
    SetPatternName(song, editor.currentPattern, name.substr(0, kPatternNameLimit).c_str());
    SetPatternLineCount(song, editor.currentPattern, PatternLinesFromText(lines));
    RaiseUiSignal(kRepaintView);
}

}  // namespace tarvel
