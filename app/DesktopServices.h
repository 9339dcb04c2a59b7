// The real WindowServices: Qt message boxes and file choosers, the program's dialogs and
// tools, and printing through the desktop's printers.
#pragma once

#include <memory>

#include "app/WindowServices.h"

class QPrinter;
class QString;

namespace tarvel {

// An exported audio file's type: its name's own ending, else the chosen filter's. In
// ExchangeDialogs.cpp.
AudioFileType AudioFileTypeOf(const QString& path, const QString& filter);

class DesktopServices final : public WindowServices {
  public:
    DesktopServices();
    ~DesktopServices() override;

    void ShowMessage(QWidget* owner, const UserMessage& message) override;
    SaveAnswer AskSaveChanges(QWidget* owner) override;
    std::optional<std::string> ChooseSongToOpen(QWidget* owner) override;
    std::optional<std::string> ChooseSongToSave(QWidget* owner) override;

    // In ExchangeDialogs.cpp.
    std::optional<std::string> ChooseMidiFileToImport(QWidget* owner) override;
    std::optional<int> AskImportPatternLines(QWidget* owner) override;
    std::optional<std::string> ChooseMidiFileToExport(QWidget* owner) override;
    std::optional<AudioFileChoice> ChooseAudioFileToExport(QWidget* owner) override;
    std::unique_ptr<ProgressBox> ShowProgress(QWidget* owner, const std::string& title) override;

    void ShowAboutBox(QWidget* owner) override;
    void ShowHeaderDialog(QWidget* owner, CFennoralDoc& doc) override;
    bool RunPatchNameDialog(QWidget* owner, std::string& name) override;
    bool RunPatternPropertiesDialog(QWidget* owner, std::string& name, std::string& lines) override;
    void ShowHelpDialog(QWidget* owner) override;
    void ShowDelayCalculator(QWidget* owner, int lineDuration) override;
    void OpenMixer(QWidget* owner) override;
    void OpenWebLink(int commandId) override;
    std::optional<std::string> ChoosePatchListToOpen(QWidget* owner) override;
    std::optional<std::string> ChoosePatchListToSave(QWidget* owner) override;

    void Print(CFennoralView& view) override;
    void PrintPreview(CFennoralView& view) override;
    void PrintSetup(QWidget* owner) override;

  private:
    QPrinter& printer();

    std::unique_ptr<QPrinter> printer_;  // keeps the set-up between prints
};

}  // namespace tarvel
