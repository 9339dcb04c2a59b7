// The whole application on the offscreen platform: the real frame, view and panel on a
// recording MIDI port, with scripted answers in place of every modal window.
#pragma once

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/ControlPanel.h"
#include "app/FennoralApp.h"
#include "app/FennoralView.h"
#include "app/MainFrame.h"
#include "app/WindowServices.h"
#include "document/FennoralDoc.h"
#include "support/RecordingMidiOut.h"

namespace tarvel::testing {

// Writes down every request as a short text and answers as the test has set it up.
class ScriptedServices final : public WindowServices {
  public:
    std::vector<std::string> calls;
    std::vector<UserMessage> messages;
    SaveAnswer saveAnswer = SaveAnswer::Cancel;
    std::optional<std::string> songToOpen;
    std::optional<std::string> songToSave;
    std::optional<std::string> patchList;
    std::optional<std::string> dialogText;  // the OK answer of the name dialogs; none: Cancel
    std::optional<std::string> midiFile;    // to import from or export to
    std::optional<int> patternLines;
    std::optional<AudioFileChoice> audioFile;
    double cancelAt = 2;  // the progress at which the user cancels an export

    void ShowMessage(QWidget*, const UserMessage& message) override {
        messages.push_back(message);
        calls.push_back("message:" + message.title);
    }
    SaveAnswer AskSaveChanges(QWidget*) override {
        calls.push_back("ask-save");
        return saveAnswer;
    }
    std::optional<std::string> ChooseSongToOpen(QWidget*) override {
        calls.push_back("choose-open");
        return songToOpen;
    }
    std::optional<std::string> ChooseSongToSave(QWidget*) override {
        calls.push_back("choose-save");
        return songToSave;
    }
    std::optional<std::string> ChooseMidiFileToImport(QWidget*) override {
        calls.push_back("choose-midi-import");
        return midiFile;
    }
    std::optional<int> AskImportPatternLines(QWidget*) override {
        calls.push_back("pattern-lines");
        return patternLines;
    }
    std::optional<std::string> ChooseMidiFileToExport(QWidget*) override {
        calls.push_back("choose-midi-export");
        return midiFile;
    }
    std::optional<AudioFileChoice> ChooseAudioFileToExport(QWidget*) override {
        calls.push_back("choose-audio-export");
        return audioFile;
    }
    std::unique_ptr<ProgressBox> ShowProgress(QWidget*, const std::string& title) override {
        calls.push_back("progress:" + title);
        struct Box final : ProgressBox {
            explicit Box(double at) : cancelAt(at) {}
            bool Advance(double done) override { return done < cancelAt; }
            double cancelAt;
        };
        return std::make_unique<Box>(cancelAt);
    }
    void ShowAboutBox(QWidget*) override { calls.push_back("about"); }
    void ShowHeaderDialog(QWidget*, CFennoralDoc&) override { calls.push_back("header"); }
    bool RunPatchNameDialog(QWidget*, std::string& name) override {
        calls.push_back("patch-name:" + name);
        if (dialogText) name = *dialogText;
        return dialogText.has_value();
    }
    bool RunPatternPropertiesDialog(QWidget*, std::string& name, std::string& lines) override {
        calls.push_back("pattern-properties:" + name + ":" + lines);
        if (dialogText) name = *dialogText;
        return dialogText.has_value();
    }
    void ShowHelpDialog(QWidget*) override { calls.push_back("help"); }
    void ShowDelayCalculator(QWidget*, int lineDuration) override {
        calls.push_back("delay:" + std::to_string(lineDuration));
    }
    void OpenMixer() override { calls.push_back("mixer"); }
    void OpenWebLink(int commandId) override {
        calls.push_back("web:" + std::to_string(commandId));
    }
    std::optional<std::string> ChoosePatchListToOpen(QWidget*) override {
        calls.push_back("choose-patch-open");
        return patchList;
    }
    std::optional<std::string> ChoosePatchListToSave(QWidget*) override {
        calls.push_back("choose-patch-save");
        return patchList;
    }
    void Print(CFennoralView&) override { calls.push_back("print"); }
    void PrintPreview(CFennoralView&) override { calls.push_back("print-preview"); }
    void PrintSetup(QWidget*) override { calls.push_back("print-setup"); }

    std::string Last() const { return calls.empty() ? "" : calls.back(); }
};

class AppTest : public ::testing::Test {
  public:
    AppTest() : midi(2) {}

    void SetUp() override {
        ASSERT_TRUE(settingsDir.isValid());
        AppOptions options;
        options.settingsFile = settingsDir.filePath("tarvel.ini");
        options.startTimer = false;
        app = std::make_unique<CFennoralApp>(midi, services, options);
        app->Start({});
        frame().activateWindow();
        view().setFocus();
        Settle();
    }

    void TearDown() override {
        services.saveAnswer = SaveAnswer::No;
        app.reset();
    }

    // Lets the window thread run what the core asked of it.
    static void Settle();

    CFennoralDoc& doc() { return app->doc(); }
    CMainFrame& frame() { return app->frame(); }
    CFennoralView& view() { return frame().view(); }
    ControlPanel& panel() { return frame().panel(); }
    template <typename Widget>
    Widget* Control(int id) {
        return panel().findChild<Widget*>(QString::number(id));
    }
    std::vector<std::string> TakeSent();

    QTemporaryDir settingsDir;
    RecordingMidiOut midi;
    ScriptedServices services;
    std::unique_ptr<CFennoralApp> app;
};

// Every command of the frame's menus, by id, with its label.
std::map<int, QString> MenuLabels(CMainFrame& frame);

}  // namespace tarvel::testing
