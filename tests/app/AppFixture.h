// The whole application on the offscreen platform: the real frame, view and panel on a
// recording MIDI port, with scripted answers in place of every modal window. Includes what the
// window's tests share.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/CommandIds.h"
#include "app/ControlPanel.h"
#include "app/FennoralApp.h"
#include "app/FennoralView.h"
#include "app/MainFrame.h"
#include "app/WindowServices.h"
#include "document/FennoralDoc.h"
#include "support/RecordingMidiOut.h"
#include "support/RecordingUi.h"

namespace tarvel::testing {

// Writes down every request as a short text and answers as the test has set it up.
class ScriptedServices final : public WindowServices {
  public:
    using Path = std::optional<std::string>;
    std::vector<std::string> calls;
    std::vector<UserMessage> messages;
    SaveAnswer saveAnswer = SaveAnswer::Cancel;
    bool recover = true;
    Path songToOpen, songToSave, patchList;
    std::optional<std::string> dialogText;  // the OK answer of the name dialogs; none: Cancel
    std::function<void(QWidget*)> duringAboutBox;  // runs while the about box would be up
    std::optional<std::string> midiFile;           // to import from or export to
    std::optional<int> patternLines;
    std::optional<AudioFileChoice> audioFile;
    double cancelAt = 2;  // the progress at which the user cancels an export

    void ShowMessage(QWidget*, const UserMessage& message) override {
        messages.push_back(message);
        calls.push_back("message:" + message.title);
    }
    bool AskRecoverSong(QWidget*, const std::string& song) override {
        calls.push_back("ask-recover:" + song);
        return recover;
    }
    SaveAnswer AskSaveChanges(QWidget*) override { return Answer("ask-save", saveAnswer); }
    Path ChooseSongToOpen(QWidget*) override { return Answer("choose-open", songToOpen); }
    Path ChooseSongToSave(QWidget*) override { return Answer("choose-save", songToSave); }
    Path ChoosePatchListToOpen(QWidget*) override { return Answer("choose-patch-open", patchList); }
    Path ChoosePatchListToSave(QWidget*) override { return Answer("choose-patch-save", patchList); }
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
    bool RunPatchNameDialog(QWidget*, std::string& name) override {
        calls.push_back("patch-name:" + name);
        return Rename(name);
    }
    bool RunPatternPropertiesDialog(QWidget*, std::string& name, std::string& lines) override {
        calls.push_back("pattern-properties:" + name + ":" + lines);
        return Rename(name);
    }
    void ShowDelayCalculator(QWidget*, int lineDuration) override {
        calls.push_back("delay:" + std::to_string(lineDuration));
    }
    void OpenWebLink(int id) override { calls.push_back("web:" + std::to_string(id)); }
    void ShowAboutBox(QWidget* owner) override {
        calls.push_back("about");
        if (duringAboutBox) duringAboutBox(owner);
    }
    void ShowHeaderDialog(QWidget*, CFennoralDoc&) override { calls.push_back("header"); }
    void ShowHelpDialog(QWidget*) override { calls.push_back("help"); }
    void OpenMixer(QWidget*) override { calls.push_back("mixer"); }
    void Print(CFennoralView&) override { calls.push_back("print"); }
    void PrintPreview(CFennoralView&) override { calls.push_back("print-preview"); }
    void PrintSetup(QWidget*) override { calls.push_back("print-setup"); }

    std::string Last() const { return calls.empty() ? "" : calls.back(); }

  private:
    template <typename T>
    T Answer(std::string call, T answer) {
        calls.push_back(std::move(call));
        return answer;
    }
    bool Rename(std::string& name) {
        if (dialogText) name = *dialogText;
        return dialogText.has_value();
    }
};

class AppTest : public ::testing::Test {
  public:
    AppTest() : midi(2) {}

    void SetUp() override {
        ASSERT_TRUE(settingsDir.isValid());
        AppOptions options;
        options.settingsFile = settingsDir.filePath("tarvel.ini");
        options.recoveryFolder = settingsDir.filePath("recovery");
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
    static void Settle() {
        for (int i = 0; i < 3; ++i) QApplication::processEvents();
    }

    CFennoralDoc& doc() { return app->doc(); }
    CMainFrame& frame() { return app->frame(); }
    CFennoralView& view() { return frame().view(); }
    template <typename Widget>
    Widget* Control(int id) {
        return frame().panel().findChild<Widget*>(QString::number(id));
    }
    std::vector<std::string> TakeSent() { return testing::TakeSent(midi); }

    // The document under its lock for one expression: `EXPECT_EQ(Locked()->editor.octave, 4)`.
    struct LockedDoc {
        std::unique_lock<DocumentMutex> lock;
        CFennoralDoc* doc;
        CFennoralDoc* operator->() const { return doc; }
    };
    LockedDoc Locked() { return {std::unique_lock(doc().mutex), &doc()}; }

    QTemporaryDir settingsDir;
    RecordingMidiOut midi;
    ScriptedServices services;
    std::unique_ptr<CFennoralApp> app;
};

}  // namespace tarvel::testing
