// The whole application on the offscreen platform: the real frame, view and panel on a
// recording MIDI port, with scripted answers in place of every modal window, and a driver for
// the real modal dialogs. Includes what the window's tests share.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
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
#include "app/WidgetIds.h"
#include "app/WindowServices.h"
#include "document/EditAction.h"
#include "document/FennoralDoc.h"
#include "editor/DisplayModel.h"
#include "support/RecordingMidiOut.h"
#include "support/RecordingUi.h"

namespace tarvel::testing {

// Drives a modal dialog from inside its own event loop: `act` runs once the dialog is the
// active modal widget, so tests type into the real dialog that a Run/Show function opened.
inline void WhenModalShows(std::function<void(QWidget*)> act) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog || !dialog->isVisible()) return;
        poll->stop();
        poll->deleteLater();
        (void)QTest::qWaitForWindowActive(dialog);
        act(dialog);
        // A failed expectation must not leave the test waiting on an open dialog; hidden, even a
        // box that refuses to close lets its loop return.
        if (QApplication::activeModalWidget() == dialog && dialog->isVisible()) {
            ADD_FAILURE() << "the dialog was left open";
            dialog->hide();
        }
    });
    poll->start(5);
}

// The child of `parent` that carries the widget id `id`, and a click on such a button.
template <typename Widget>
Widget* Child(QObject* parent, int id) {
    return parent->findChild<Widget*>(widget_id::Name(id));
}
inline void Click(QObject* parent, int id) {
    QTest::mouseClick(Child<QPushButton>(parent, id), Qt::LeftButton);
}

// Writes down every request as a short text and answers as the test has set it up.
class ScriptedServices final : public WindowServices {
  public:
    using Path = std::optional<std::string>;
    std::vector<std::string> calls;
    std::vector<UserMessage> messages;
    SaveAnswer saveAnswer = SaveAnswer::Cancel;
    RecoverAnswer recover = RecoverAnswer::Recover;
    std::function<void()> duringRecoverBox;  // runs while the "Recover?" box would be up
    std::function<void()> duringMessage;     // and while any message box would be
    Path songToOpen, songToSave, patchList;
    std::optional<std::string> dialogText;  // the OK answer of the name dialogs; none: Cancel
    std::function<void(QWidget*)> duringAboutBox;  // runs while the about box would be up
    Path midiFile;                                 // to import from or export to
    std::optional<int> patternLines;
    std::optional<AudioFileChoice> audioFile;
    double cancelAt = 2;  // the progress at which the user cancels an export

    void ShowMessage(QWidget*, const UserMessage& message) override {
        messages.push_back(message);
        calls.push_back("message:" + message.title);
        if (duringMessage) duringMessage();
    }
    RecoverAnswer AskRecoverSong(QWidget*, const std::string& song) override {
        calls.push_back("ask-recover:" + song);
        if (duringRecoverBox) duringRecoverBox();
        return recover;
    }
    SaveAnswer AskSaveChanges(QWidget*) override { return Answer("ask-save", saveAnswer); }
    Path ChooseSongToOpen(QWidget*) override { return Answer("choose-open", songToOpen); }
    Path ChooseSongToSave(QWidget*) override { return Answer("choose-save", songToSave); }
    Path ChoosePatchListToOpen(QWidget*) override { return Answer("choose-patch-open", patchList); }
    Path ChoosePatchListToSave(QWidget*) override { return Answer("choose-patch-save", patchList); }
    Path ChooseMidiFileToImport(QWidget*) override {
        return Answer("choose-midi-import", midiFile);
    }
    std::optional<int> AskImportPatternLines(QWidget*) override {
        return Answer("pattern-lines", patternLines);
    }
    Path ChooseMidiFileToExport(QWidget*) override {
        return Answer("choose-midi-export", midiFile);
    }
    std::optional<AudioFileChoice> ChooseAudioFileToExport(QWidget*) override {
        return Answer("choose-audio-export", audioFile);
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
    void QuitProgram() override { calls.push_back("quit"); }
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
    void SetUp() override { ASSERT_TRUE(Start()); }
    void TearDown() override {
        services.saveAnswer = SaveAnswer::No;
        app.reset();
    }

    // Starts the program, or starts it again as the next run (or the one after a crash) would,
    // on the same settings and recovery folder; in the session of `sessionUrl`, if given. False
    // when it is not to run on.
    bool Start(bool aboutBox = true, std::string sessionUrl = {}) {
        app.reset();
        app = std::make_unique<CFennoralApp>(midi, services,
                                             AppOptions{.settingsFile = SettingsFile(),
                                                        .recoveryFolder = TempFile("recovery"),
                                                        .startTimer = false,
                                                        .showAboutBox = aboutBox,
                                                        .sessionUrl = std::move(sessionUrl)});
        const bool running = app->Start({});
        frame().activateWindow();
        Settle();
        return running;
    }

    // Lets the window thread run what the core asked of it.
    static void Settle() {
        for (int i = 0; i < 3; ++i) QApplication::processEvents();
    }

    // Grows the frame by what the view needs to be `size`; the view then tells the editor.
    void ResizeView(QSize size) {
        frame().resize(frame().size() + size - view().size());
        Settle();
    }
    DisplayModel Model() {
        DisplayModel model;
        BuildDisplayModel(Locked()->songEditor, model);
        return model;
    }

    CFennoralDoc& doc() { return app->doc(); }
    CMainFrame& frame() { return app->frame(); }
    CFennoralView& view() { return frame().view(); }
    template <typename Widget>
    Widget* Control(int id) {
        return Child<Widget>(&frame().panel(), id);
    }
    std::vector<std::string> TakeSent() { return testing::TakeSent(midi); }
    QString TempFile(const char* name) { return settingsDir.filePath(name); }
    std::string PathOf(const char* name) { return TempFile(name).toStdString(); }
    QString SettingsFile() { return TempFile("tarvel.ini"); }
    QVariant Setting(const QString& key) {
        return QSettings(SettingsFile(), QSettings::IniFormat).value(key);
    }

    // The document under its lock for one expression: `EXPECT_EQ(Locked()->editor.octave, 4)`.
    struct LockedDoc {
        std::unique_lock<DocumentMutex> lock;
        CFennoralDoc* doc;
        CFennoralDoc* operator->() const { return doc; }
    };
    LockedDoc Locked() { return {std::unique_lock(doc().mutex), &doc()}; }
    PatternCell Cell(int line = 0) { return Locked()->song.patterns[0].cells[line][0]; }
    // Writes the first cell of pattern 0 as one of the user's edits, so the song counts as
    // changed and the edit is an undo step.
    void Edit(std::uint8_t note, std::uint8_t velocity = 0x40, std::uint8_t command = kNoCommand) {
        EditAction typing(doc(), "Typing", {PatternRange(0)});
        Locked()->song.patterns[0].cells[0][0] = {note, velocity, command, 0};
    }
    // A busy song: every cell and slot filled, transposed slots with their badges, a marked
    // block, the cursor's field and the play line.
    void FillBusySong() {
        auto doc = Locked();
        for (int line = 0; line < 64; ++line)
            for (int track = 0; track < 16; ++track)
                doc->song.patterns[0].cells[line][track] =
                    PatternCell{static_cast<std::uint8_t>(40 + line % 50), 0x64,
                                static_cast<std::uint8_t>(line % 3 ? 0x07 : kNoCommand), 0x40};
        for (int row = 0; row < 100 * 16; ++row)
            for (int track = 0; track < 16; ++track)
                doc->song.sequence[row][track] =
                    SequenceSlot{static_cast<std::uint8_t>(row % 5 == 0 ? kEmptySlot : 0),
                                 static_cast<std::int8_t>(row % 3 == 0 ? 0 : row % 7 - 3), 0};
        doc->songEditor.editor.cursorField = 2;
        doc->songEditor.editor.blockMarked = 1;
        doc->songEditor.editor.blockStartTrack = 1;
        doc->songEditor.editor.blockEndTrack = 2;
        doc->songEditor.editor.blockStartLine = 3;
        doc->songEditor.editor.blockEndLine = 9;
        doc->player.playRow = 5;
    }

    QTemporaryDir settingsDir;
    RecordingMidiOut midi{2};
    ScriptedServices services;
    std::unique_ptr<CFennoralApp> app;
};

}  // namespace tarvel::testing
