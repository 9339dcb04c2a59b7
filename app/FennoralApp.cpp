#include "app/FennoralApp.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStatusBar>
#include <mutex>

#include "app/ClockOutChoice.h"
#include "app/FailureBox.h"
#include "app/LaunchInputMenu.h"
#include "app/MainFrame.h"
#include "app/MidiInputMenu.h"
#include "app/QtUiHooks.h"
#include "app/SessionClient.h"
#include "app/SynthMenu.h"
#include "app/TempoSourceMenu.h"
#include "app/TerminationSignals.h"
#include "app/WindowServices.h"
#include "document/FennoralDoc.h"
#include "document/SongRecovery.h"
#include "platform/SynthMidiOut.h"

namespace tarvel {

namespace {

constexpr const char* kRecentGroup = "Recent File List";

}  // namespace

std::unique_ptr<QSettings> OpenSettings(const QString& file) {
    if (!file.isEmpty()) return std::make_unique<QSettings>(file, QSettings::IniFormat);
    return std::make_unique<QSettings>(CFennoralApp::kSettingsKey, "Tarvel");
}

CFennoralApp::CFennoralApp(MidiOutDriver& midiOut, WindowServices& services, AppOptions options)
    : services_(services),
      options_(std::move(options)),
      ui_(std::make_unique<QtUiHooks>(services)) {
    doc_ = std::make_unique<CFennoralDoc>(*ui_, midiOut,
                                          DocOptions{.startTimer = options_.startTimer});
    ui_->AttachDocument(doc_.get());
    frame_ = std::make_unique<CMainFrame>(*this, *doc_, services_);
    ui_->AttachFrame(frame_.get());
    AddMidiClockOut();
    midiInput_ = std::make_unique<MidiInputMenu>(*doc_, frame_->midiMenu(), options_.settingsFile);
    tempoSource_ = std::make_unique<TempoSourceMenu>(*doc_, *frame_, midiInput_->driver(),
                                                     options_.settingsFile);
    launchInput_ = std::make_unique<LaunchInputMenu>(*doc_, *frame_, midiInput_->driver(),
                                                     options_.settingsFile);
    AddSynthMenuItems(frame_->midiMenu(), frame_.get(), options_.synth, options_.settingsFile);
    LoadRecentFiles();
    frame_->ShowRecentFiles(recentFiles_);
    RestoreWindowSettings();
    StartAutosave();
    terminationSignals_ = std::make_unique<TerminationSignals>([this] { QuitOnSignal(); });
}

void CFennoralApp::AddMidiClockOut() {
    RestoreClockDevices(*doc_, *OpenSettings(options_.settingsFile));
    AddClockOutMenuItem(&frame_->midiMenu(), frame_.get(), *doc_,
                        [file = options_.settingsFile] { return OpenSettings(file); });
}

CFennoralApp::~CFennoralApp() {
    session_.reset();
    terminationSignals_.reset();
    KeepOrRemoveRecovery();
    launchInput_.reset();
    tempoSource_.reset();
    midiInput_.reset();
    ui_->AttachFrame(nullptr);
    frame_.reset();
    doc_.reset();
    ui_->AttachDocument(nullptr);
}

bool CFennoralApp::Start(const QStringList& arguments) {
    // In a session the manager says which song to open, and no box may wait for the user.
    if (!options_.sessionUrl.empty()) {
        doc_->NewSong();
        SongReplaced("");
        frame_->show();
        session_ = std::make_unique<SessionClient>(*this, options_.sessionUrl);
        if (!session_->failure().empty())
            frame_->statusBar()->showMessage(
                QString::fromStdString("No session manager: " + session_->failure() + "."));
        frame_->AcceptDroppedFiles();
        return true;
    }
    if (arguments.isEmpty()) {
        doc_->NewSong();
        SongReplaced("");
    } else if (!OpenSong(QFileInfo(arguments.first()).absoluteFilePath().toStdString())) {
        SongReplaced("");  // the file was refused and said so; start with the empty song
    }
    frame_->show();
    if (options_.synth && options_.synth->DeviceCount() == 0)
        frame_->statusBar()->showMessage(QString::fromStdString(
            "Built-in synthesizer absent: " + options_.synth->Failure() + "."));
    frame_->repaint();
    if (options_.showAboutBox) services_.ShowAboutBox(frame_.get());
    // The window can be gone by now (closed while the about box was up, or never shown): then
    // there is nothing to run, and the caller must not wait in an event loop for it.
    if (!frame_->isVisible()) return false;
    OfferRecovery();
    frame_->AcceptDroppedFiles();
    return true;
}

QString CFennoralApp::WindowTitle() const {
    const QString name =
        path_.empty() ? QString("Untitled") : QFileInfo(QString::fromStdString(path_)).fileName();
    return name + (IsSongChanged() ? "* - Tarvel" : " - Tarvel");
}

void CFennoralApp::SongReplaced(const std::string& path) {
    path_ = path;
    {
        std::lock_guard lock(doc_->mutex);
        doc_->history.MarkSaved();
    }
    recovery_->Remove();
    frame_->setWindowTitle(WindowTitle());
    frame_->SelectCurrentChannel();
    frame_->UpdateCommandStates();
}

bool CFennoralApp::IsSongChanged() const {
    // The history knows: the song is changed when it is not where the last load or save left it.
    std::lock_guard lock(doc_->mutex);
    return doc_->history.IsChanged();
}

bool CFennoralApp::SaveModifiedSong() {
    if (!IsSongChanged()) return true;
    switch (services_.AskSaveChanges(frame_.get())) {
        case SaveAnswer::Yes:
            return FileSave();
        case SaveAnswer::No:
            return true;
        case SaveAnswer::Cancel:
            return false;
    }
    return false;
}

void CFennoralApp::FileNew() {
    if (!SaveModifiedSong()) return;
    doc_->NewSong();
    SongReplaced("");
}

void CFennoralApp::FileOpen() {
    if (!SaveModifiedSong()) return;
    if (const auto path = services_.ChooseSongToOpen(frame_.get())) OpenSong(*path);
}

void CFennoralApp::OpenRecentFile(int index) {
    if (index < 0 || index >= recentFiles_.size()) return;
    if (!SaveModifiedSong()) return;
    const QString path = recentFiles_[index];
    if (!OpenSong(path.toStdString())) {
        // A recent file that can no longer be opened leaves the list.
        recentFiles_.removeAll(path);
        StoreRecentFiles();
        frame_->ShowRecentFiles(recentFiles_);
    }
}

void CFennoralApp::OpenDroppedFile(const std::string& path) {
    if (!SaveModifiedSong()) return;
    OpenSong(path);
}

bool CFennoralApp::OpenSong(const std::string& path) {
    // A refused file keeps the song, the title and the recent files as they were.
    if (!WorkedElseShowBox(services_, frame_.get(), doc_->LoadSong(path))) return false;
    SongReplaced(path);
    AddRecentFile(QString::fromStdString(path));
    return true;
}

bool CFennoralApp::OpenSessionSong(const std::string& path, std::string& whyNot) {
    // The session manager waits for the answer, so a failure goes back to it, not into a box.
    const bool exists = QFileInfo::exists(QString::fromStdString(path));
    if (!exists) {
        doc_->NewSong();
        SongReplaced("");
    }
    const Fallible<> done = exists ? doc_->LoadSong(path) : doc_->SaveSong(path);
    if (!done) {
        whyNot = OneLine(done.failure().text);
        return false;
    }
    SongReplaced(path);
    AddRecentFile(QString::fromStdString(path));
    return true;
}

bool CFennoralApp::FileSave() {
    if (path_.empty()) return FileSaveAs();
    return SaveSongAs(path_);
}

bool CFennoralApp::FileSaveAs() {
    const auto path = services_.ChooseSongToSave(frame_.get());
    return path && SaveSongAs(*path);
}

bool CFennoralApp::SaveSongAs(const std::string& path) {
    if (!WorkedElseShowBox(services_, frame_.get(), doc_->SaveSong(path))) return false;
    SongReplaced(path);
    AddRecentFile(QString::fromStdString(path));
    return true;
}

void CFennoralApp::AddRecentFile(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    recentFiles_.removeAll(absolute);
    recentFiles_.prepend(absolute);
    while (recentFiles_.size() > kRecentFileCount) recentFiles_.removeLast();
    StoreRecentFiles();
    frame_->ShowRecentFiles(recentFiles_);
}

void CFennoralApp::LoadRecentFiles() {
    const auto settings = OpenSettings(options_.settingsFile);
    settings->beginGroup(kRecentGroup);
    recentFiles_.clear();
    for (int i = 1; i <= kRecentFileCount; ++i) {
        const QString path = settings->value(QString("File%1").arg(i)).toString();
        if (!path.isEmpty()) recentFiles_.append(path);
    }
}

void CFennoralApp::StoreRecentFiles() const {
    const auto settings = OpenSettings(options_.settingsFile);
    settings->beginGroup(kRecentGroup);
    for (int i = 1; i <= kRecentFileCount; ++i) {
        const QString key = QString("File%1").arg(i);
        if (i <= recentFiles_.size()) {
            settings->setValue(key, recentFiles_[i - 1]);
        } else {
            settings->remove(key);
        }
    }
}

}  // namespace tarvel
