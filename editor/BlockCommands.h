// The Edit menu: marking a block of the pattern (or, in the sequencer, the loop range), copying,
// cutting and pasting it through the document's block buffer, and interpolating its first
// track. Window thread; each command takes the document lock for its own edit.
#pragma once

#include "editor/SongEditor.h"

namespace tarvel {

enum class EditCommand {
    MarkBlockStart,
    MarkBlockEnd,
    Cut,
    Copy,
    Paste,
    InterpolateVelocity,
    InterpolateParameter,
};

void MarkBlockStart(SongEditor& edit);
void MarkBlockEnd(SongEditor& edit);
void CopyBlock(SongEditor& edit);
void CutBlock(SongEditor& edit);
void PasteBlock(SongEditor& edit);
void InterpolateParameter(SongEditor& edit);
void InterpolateVelocity(SongEditor& edit);

// The update state of an Edit command. Reads only fields that the window thread alone writes,
// so it needs no lock.
bool IsEditCommandEnabled(const SongEditor& edit, EditCommand command);
// Runs an Edit command if it is enabled; false when it was disabled. The frame routes menu items
// and accelerators through here, so a disabled command never runs.
bool RunEditCommand(SongEditor& edit, EditCommand command);

}  // namespace tarvel
