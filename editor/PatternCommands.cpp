// The menu commands on whole patterns and on the editor's choice of pattern.
#include <algorithm>

#include "editor/SongEditor.h"
#include "editor/TypedNumber.h"
#include "song/SongOps.h"

namespace tarvel {

namespace {

constexpr std::size_t kPatternNameLimit = 30;
constexpr int kMaxInsertTranspose = 99;

bool IsPatternNumber(int pattern) {
    return pattern >= 0 && pattern < kPatternCount;
}

// The lines box's number, brought into 1..256.
int PatternLinesFromText(const std::string& text) {
    return std::clamp(LeadingNumber(text), 1, kPatternLines);
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
