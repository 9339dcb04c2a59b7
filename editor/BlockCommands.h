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

void MarkBlockStart(SongEditor& doc);
void MarkBlockEnd(SongEditor& doc);
void CopyBlock(SongEditor& doc);
void CutBlock(SongEditor& doc);
void PasteBlock(SongEditor& doc);
void InterpolateParameter(SongEditor& doc);
void InterpolateVelocity(SongEditor& doc);

// The update state of an Edit command. Reads only fields that the window thread alone writes,
// so it needs no lock.
bool IsEditCommandEnabled(const SongEditor& doc, EditCommand command);
// Runs an Edit command if it is enabled; false when it was disabled. The frame routes menu items
// and accelerators through here, so a disabled command never runs.
bool RunEditCommand(SongEditor& doc, EditCommand command);

}  // namespace tarvel
