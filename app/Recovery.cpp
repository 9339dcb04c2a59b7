// Autosave and recovery: while the song is changed, it is written to this program's recovery
// file every interval; at start, the files of programs that ended without saving are offered
// back.
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>
#include <algorithm>
#include <mutex>

#include "app/FailureBox.h"
#include "app/FennoralApp.h"
#include "app/MainFrame.h"
#include "app/WindowServices.h"
#include "document/FennoralDoc.h"
#include "document/SongRecovery.h"

namespace tarvel {

namespace {

constexpr int kDefaultAutosaveSeconds = 60;

}  // namespace

namespace {

// A question box that its title bar's close button closes with no answer (a plain message box
// with no Cancel button refuses to close).
class RecoverBox final : public QMessageBox {
  public:
    using QMessageBox::QMessageBox;

  protected:
    void closeEvent(QCloseEvent* event) override { QDialog::closeEvent(event); }
};

}  // namespace

RecoverAnswer WindowServices::AskRecoverSong(QWidget* owner, const std::string& song) {
    RecoverBox box(QMessageBox::Question, "Tarvel",
                   QString("Tarvel closed without saving changes to %1. Recover them?")
                       .arg(QString::fromStdString(song)),
                   QMessageBox::NoButton, owner);
    QPushButton* recover = box.addButton("Recover", QMessageBox::AcceptRole);
    QPushButton* discard = box.addButton("Discard", QMessageBox::DestructiveRole);
    box.setDefaultButton(recover);
    box.exec();  // returns at once, no button clicked, when the program quits meanwhile
    if (box.clickedButton() == recover) return RecoverAnswer::Recover;
    if (box.clickedButton() == discard) return RecoverAnswer::Discard;
    return RecoverAnswer::None;
}

void WindowServices::QuitProgram() {
    QCoreApplication::exit(0);  // the loops running now, a modal box's among them
    // and the main loop, should it not have started yet (the about box runs before it)
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
}

void CFennoralApp::StartAutosave() {
    QString folder = options_.recoveryFolder;
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                 "/tarvel/recovery";
    recovery_ = std::make_unique<SongRecovery>(
        folder.toStdString(), static_cast<int>(QCoreApplication::applicationPid()));
    const int seconds = OpenSettings(options_.settingsFile)
                            ->value("Recovery/AutosaveSeconds", kDefaultAutosaveSeconds)
                            .toInt();
    auto* timer = new QTimer(frame_.get());
    QObject::connect(timer, &QTimer::timeout, frame_.get(), [this] { Autosave(); });
    timer->start(std::clamp(seconds, 1, 3600) * 1000);
}

void CFennoralApp::Autosave() {
    // Never while a box is up: the save prompt, for one, is deciding what becomes of the song.
    if (QApplication::activeModalWidget()) return;
    if (!IsSongChanged()) {
        recovery_->Remove();  // undone back to the file
        return;
    }
    std::string whyNot;
    recovery_->Write(*doc_, path_, whyNot);  // a failure is tried again next time
}

void CFennoralApp::QuitOnSignal() {
    // Whether the file is kept is decided at exit: a box up now, the recovery question among
    // them, returns at once, and what the program then does can still change the song.
    quitBySignal_ = true;
    std::string whyNot;
    if (IsSongChanged())
        recovery_->Write(*doc_, path_, whyNot);  // failing, the last autosave stays
    StoreWindowSize();
    doc_->CloseMidiPorts();  // stops playback, releasing every note
    services_.QuitProgram();
}

void CFennoralApp::KeepOrRemoveRecovery() {
    if (!quitBySignal_ || !IsSongChanged()) {
        recovery_->Remove();  // a clean exit: the song was saved or let go
        return;
    }
    // The song may have become changed only after the signal: then it has no file yet.
    std::string whyNot;
    if (!recovery_->Exists()) recovery_->Write(*doc_, path_, whyNot);
}

void CFennoralApp::OfferRecovery() {
    for (LeftoverRecovery& leftover : recovery_->FindLeftovers()) {
        const std::string song = leftover.songPath.empty() ? "an untitled song" : leftover.songPath;
        const RecoverAnswer answer = services_.AskRecoverSong(frame_.get(), song);
        // Only a Discard deletes: a box gone without an answer leaves this one and every other
        // for the next start.
        if (answer == RecoverAnswer::None) return;
        if (answer == RecoverAnswer::Discard) {
            recovery_->Discard(leftover);
            continue;
        }
        if (!WorkedElseShowBox(services_, frame_.get(), doc_->LoadSong(leftover.songFile))) {
            recovery_->SetAside(leftover);  // its message was shown; the file stays for a look
            continue;
        }
        // Titled with its own path, so Save writes there; changed until then.
        SongReplaced(leftover.songPath);
        {
            std::lock_guard lock(doc_->mutex);
            doc_->history.MarkUnsaved();
        }
        frame_->UpdateCommandStates();
        // This program's own recovery file holds the song before the old one goes.
        std::string whyNot;
        if (recovery_->Write(*doc_, path_, whyNot)) recovery_->Discard(leftover);
        return;  // one song at a time: any other is offered at the next start
    }
}

}  // namespace tarvel
