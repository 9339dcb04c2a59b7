// The File menu's Import and Export: a new song from a MIDI file, the song out as a MIDI or an
// audio file. The document does the work; this side asks the user and shows the outcome.
#include <mutex>

#include "app/FailureBox.h"
#include "app/FennoralApp.h"
#include "app/MainFrame.h"
#include "app/WindowServices.h"
#include "document/FennoralDoc.h"

namespace tarvel {

void CFennoralApp::FileImportMidi() {
    if (!SaveModifiedSong()) return;
    const auto path = services_.ChooseMidiFileToImport(frame_.get());
    if (!path) return;
    const auto lines = services_.AskImportPatternLines(frame_.get());
    if (!lines) return;
    const auto report = doc_->ImportMidiSong(*path, *lines);
    // Refused: the song is as it was.
    if (!WorkedElseShowBox(services_, frame_.get(), report)) return;
    // The new song is saved nowhere yet, so it counts as changed: closing asks to save it. Like
    // an opened song it is not undoable.
    {
        std::lock_guard lock(doc_->mutex);
        doc_->history.Clear();
        doc_->history.MarkUnsaved();
    }
    path_.clear();
    frame_->setWindowTitle(WindowTitle());
    frame_->SelectCurrentChannel();
    frame_->UpdateCommandStates();
    doc_->DispatchUiSignals();  // the panel shows the new song before the box waits
    services_.ShowMessage(frame_.get(), {MessageIcon::Information, "MIDI import",
                                         MidiImportReportText(*report), true});
}

void CFennoralApp::FileExportMidi() {
    const auto path = services_.ChooseMidiFileToExport(frame_.get());
    if (!path) return;
    const auto report = doc_->ExportMidiSong(*path);
    if (!WorkedElseShowBox(services_, frame_.get(), report)) return;
    if (const std::string notice = MidiExportNotice(*report); !notice.empty())
        services_.ShowMessage(frame_.get(),
                              {MessageIcon::Information, "MIDI export", notice, true});
}

void CFennoralApp::FileExportAudio() {
    const auto choice = services_.ChooseAudioFileToExport(frame_.get());
    if (!choice) return;
    std::unique_ptr<ProgressBox> progress =
        services_.ShowProgress(frame_.get(), "Exporting " + choice->path);
    const auto exported = doc_->ExportAudioSong(
        choice->path, {.format = choice->format},
        [&progress](double done) { return !progress || progress->Advance(done); });
    progress.reset();  // gone before a failure's box
    WorkedElseShowBox(services_, frame_.get(), exported);
}

}  // namespace tarvel
