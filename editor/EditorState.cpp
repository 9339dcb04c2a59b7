#include "editor/EditorState.h"

#include <cstring>

namespace tarvel {

void InitEditorState(EditorState& editor) {
    std::memset(&editor, 0, sizeof editor);  // also the bytes after each clipboard name
    editor.octave = 4;
    editor.editStep = 1;
    editor.seqStep = 16;
    editor.loopStartRow = 0;
    editor.loopEndRow = 64;
    MakeEmptyPattern(editor.blockClipboard);
    MakeEmptyPattern(editor.patternClipboard);
}

}  // namespace tarvel
