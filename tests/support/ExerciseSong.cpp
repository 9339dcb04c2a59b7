#include "support/ExerciseSong.h"

#include <mutex>

#include "editor/BlockCommands.h"
#include "editor/DisplayModel.h"
#include "editor/HelperTexts.h"
#include "editor/KeyEditing.h"
#include "editor/MouseEditing.h"
#include "song/SongFile.h"

namespace tarvel::testing {

void ExerciseSong(CFennoralDoc& doc, int ticks) {
    doc.DispatchUiSignals();
    doc.RefillProgramList();
    doc.ShowMidiOutInfo();
    {
        std::lock_guard lock(doc.mutex);
        SongInformationText(doc.song.header);
        doc.ShowBpm();
        doc.SendAllPrograms();
        for (int channel = 0; channel < kTrackCount; ++channel)
            for (int column = 0; column < kTrackCount; ++column)
                doc.NoteOn(channel, column, channel + column, 100);
        doc.ReleaseAllNotes();
        doc.CopyPattern(doc.editor.currentPattern);
        doc.PastePattern((doc.editor.currentPattern + 1) % kPatternCount);
        doc.StepCurrentPattern(1);
        doc.editor.seqCursorRow = doc.editor.loopStartRow;
        doc.PutSequenceSlot();
        doc.editor.seqCursorRow = doc.editor.loopEndRow;
        doc.ClearSequenceSlot();
    }
    DisplayModel model;
    EditorMouse mouse;
    for (PlayMode mode : {kSongMode, kPatternMode}) {
        {
            std::lock_guard lock(doc.mutex);
            doc.editor.seqCursorRow = doc.editor.loopEndRow / 2;
            doc.StartPlayback(mode);
            for (int tick = 0; tick < ticks; ++tick) doc.PlayerTick();
            doc.SeekEnd();
            for (int tick = 0; tick < ticks / 3; ++tick) doc.PlayerTick();
            doc.SeekStart();
            BuildDisplayModel(doc.songEditor, model);
        }
        doc.DispatchUiSignals();
        for (int field = 0; field <= 6; ++field) {
            {
                std::lock_guard lock(doc.mutex);
                doc.editor.cursorField = field;
                UpdateHelperTexts(doc.songEditor);
            }
            ToggleRecord(doc.songEditor);
            for (int key : {int{'Q'}, int{'7'}, vk::kDelete, vk::kDown, vk::kNext, vk::kRight})
                EditorKeyDown(doc.songEditor, key, false);
            EditorKeyUp(doc.songEditor, 'Q');
        }
        EditorMouseMove(doc.songEditor, mouse, 700, 340);
        EditorLeftButtonDown(doc.songEditor, mouse, 700, 340);
        EditorLeftButtonDown(doc.songEditor, mouse, 700, 340);
        EditorLeftButtonUp(mouse);
        EditorRightButtonDown(doc.songEditor, mouse, 700, 200);
        EditorRightButtonUp(mouse);
        EditorLeftButtonDown(doc.songEditor, mouse, 10, 100);
        MarkBlockStart(doc.songEditor);
        EditorKeyDown(doc.songEditor, vk::kNext, false);
        MarkBlockEnd(doc.songEditor);
        for (auto command :
             {CopyBlock, CutBlock, PasteBlock, InterpolateParameter, InterpolateVelocity})
            command(doc.songEditor);
        std::lock_guard lock(doc.mutex);
        BuildDisplayModel(doc.songEditor, model);
        doc.StopPlayback();
    }
    doc.EditPatchName("exercised");
    doc.DispatchUiSignals();
}

}  // namespace tarvel::testing
