// Everything the window side does that waits on the user or leaves the program: message boxes,
// file choosers, the dialogs and tools, printing. The frame reaches them only through this
// interface, so the Qt tests can drive every command without a modal window in the way.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "document/UiHooks.h"
#include "platform/SynthFileRenderer.h"

class QWidget;

namespace tarvel {

class CFennoralDoc;
class CFennoralView;

enum class SaveAnswer { Yes, No, Cancel };
// None: the box went without a button (closed, or the program quitting); the song is kept.
enum class RecoverAnswer { Recover, Discard, None };

struct AudioFileChoice {
    std::string path;
    AudioFileFormat format;
};

// A box that shows how far a long job has got, with a Cancel button.
class ProgressBox {
  public:
    virtual ~ProgressBox() = default;
    virtual bool Advance(double done) = 0;  // 0..1; false once the user has cancelled
};

class WindowServices {
  public:
    virtual ~WindowServices() = default;

    // Message boxes and the song file choosers.
    virtual void ShowMessage(QWidget* owner, const UserMessage& message) = 0;
    virtual SaveAnswer AskSaveChanges(QWidget* owner) = 0;
    // "Tarvel closed without saving changes to <song>. Recover them?"
    virtual RecoverAnswer AskRecoverSong(QWidget* owner, const std::string& song);  // Recovery.cpp
    // Ends the window thread's event loops, so that the program returns from main().
    virtual void QuitProgram();  // Recovery.cpp
    virtual std::optional<std::string> ChooseSongToOpen(QWidget* owner) = 0;
    virtual std::optional<std::string> ChooseSongToSave(QWidget* owner) = 0;

    // Song exchange: the files to import from and export to, and the progress of an export.
    virtual std::optional<std::string> ChooseMidiFileToImport(QWidget* owner) = 0;
    virtual std::optional<int> AskImportPatternLines(QWidget* owner) = 0;  // 16..256
    virtual std::optional<std::string> ChooseMidiFileToExport(QWidget* owner) = 0;
    virtual std::optional<AudioFileChoice> ChooseAudioFileToExport(QWidget* owner) = 0;
    virtual std::unique_ptr<ProgressBox> ShowProgress(QWidget* owner, const std::string& title) = 0;

    // Dialogs and tools.
    virtual void ShowAboutBox(QWidget* owner) = 0;
    virtual void ShowHeaderDialog(QWidget* owner, CFennoralDoc& doc) = 0;
    virtual bool RunPatchNameDialog(QWidget* owner, std::string& name) = 0;
    virtual bool RunPatternPropertiesDialog(QWidget* owner, std::string& name,
                                            std::string& lines) = 0;
    virtual void ShowHelpDialog(QWidget* owner) = 0;
    virtual void ShowDelayCalculator(QWidget* owner, int lineDuration) = 0;
    virtual void OpenMixer(QWidget* owner) = 0;
    virtual void OpenWebLink(int commandId) = 0;
    virtual std::optional<std::string> ChoosePatchListToOpen(QWidget* owner) = 0;
    virtual std::optional<std::string> ChoosePatchListToSave(QWidget* owner) = 0;

    // Printing of the editor's drawing.
    virtual void Print(CFennoralView& view) = 0;
    virtual void PrintPreview(CFennoralView& view) = 0;
    virtual void PrintSetup(QWidget* owner) = 0;
};

}  // namespace tarvel
