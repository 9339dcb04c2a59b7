// Autosave and recovery through the application: what is written when, what the next start
// offers, what it does with a damaged file or the file of a program still running, and that a
// leftover goes only on an explicit Discard.
#include <signal.h>

#include <QDir>
#include <QFile>
#include <algorithm>
#include <fstream>

#include "AppFixture.h"
#include "document/SongRecovery.h"

namespace tarvel::testing {
namespace {

class RecoveryTest : public AppTest {
  public:
    QString Folder() { return TempFile("recovery"); }
    QStringList Files(const char* pattern) { return QDir(Folder()).entryList({pattern}); }
    void Restart() {
        services.calls.clear();
        Start(false);
    }
    // Leaves the set of another program, the song holding note 64, as if that program had died.
    QString Orphan(const QString& songPath, int pid = 4242) {
        Edit(64);
        SongRecovery other(Folder().toStdString(), pid);
        std::string whyNot;
        EXPECT_TRUE(other.Write(doc(), songPath.toStdString(), whyNot)) << whyNot;
        return QString::fromStdString(other.SongFile());
    }
    // A quit signal as a session manager sends it, handled before this returns.
    void QuitSignal() {
        raise(SIGTERM);
        for (int i = 0; i < 100 && services.Last() != "quit"; ++i) Settle();
        EXPECT_EQ(services.Last(), "quit");
    }
};

TEST_F(RecoveryTest, AutosaveWritesOnlyAChangedSongAndSaveOrACleanExitRemovesIt) {
    Edit(60);
    app->Autosave();
    EXPECT_TRUE(app->recovery().Exists());
    frame().Execute(cmd::kEditUndo);  // back to the song as loaded
    app->Autosave();
    EXPECT_FALSE(app->recovery().Exists());

    Edit(61);
    app->Autosave();
    services.songToSave = PathOf("song.trv");
    ASSERT_TRUE(app->FileSaveAs());
    EXPECT_FALSE(app->recovery().Exists());

    Edit(62);
    app->Autosave();
    services.saveAnswer = SaveAnswer::No;  // let go at a clean exit: nothing stays behind
    EXPECT_TRUE(frame().close());
    Restart();
    EXPECT_TRUE(QDir(Folder()).isEmpty()) << Files("*").join(" ").toStdString();
}

// A discarded leftover goes, a damaged one is set aside with a message; neither is offered twice.
// (A recovered one, saved to its own path, is the window script undo_recovery.sh's.)
TEST_F(RecoveryTest, ALeftoverIsDiscardedOrSetAsideAndNotOfferedAgain) {
    Orphan("");
    services.recover = RecoverAnswer::Discard;
    Restart();
    EXPECT_TRUE(QDir(Folder()).isEmpty()) << Files("*").join(" ").toStdString();

    const QString damaged = Orphan("");
    std::ofstream(damaged.toStdString()) << "not a song";
    services.recover = RecoverAnswer::Recover;
    Restart();
    EXPECT_EQ(services.messages.size(), 1u) << "the song file's own message";
    EXPECT_FALSE(app->IsSongChanged());
    Restart();
    EXPECT_TRUE(services.calls.empty()) << "a set-aside file is not offered again";
}

// No answer is not a Discard: the box gone with none, here as a quit signal came while it was
// up, keeps the leftover and every other, and asks nothing more, until the next start. There a
// quit signal while the recovered song's information box is up finds the song already this
// program's, changed, in its own file. (That such a file is kept at exit is the termination
// test's.)
TEST_F(RecoveryTest, ABoxGoneWithoutAnAnswerKeepsEveryLeftoverForTheNextStart) {
    const QStringList left = {Orphan(TempFile("song0.trv"), 4242),
                              Orphan(TempFile("song1.trv"), 4243)};
    services.recover = RecoverAnswer::None;
    services.duringRecoverBox = [&] { QuitSignal(); };
    Restart();
    services.duringRecoverBox = nullptr;
    EXPECT_EQ(services.calls,
              (std::vector<std::string>{"ask-recover:" + PathOf("song0.trv"), "quit"}));
    for (const QString& file : left) EXPECT_TRUE(QFile::exists(file)) << file.toStdString();

    services.recover = RecoverAnswer::Recover;
    services.duringMessage = [&] { QuitSignal(); };
    Restart();
    EXPECT_EQ(Cell().note, 64);
    EXPECT_TRUE(app->IsSongChanged()) << "not saved anywhere but in the recovery file";
    EXPECT_FALSE(QFile::exists(left[0])) << "now in this program's own file";
    EXPECT_TRUE(app->recovery().Exists());
    EXPECT_EQ(Files("*.trv").size(), 2) << "none added but this program's own";
}

// A session manager's SIGTERM (or the terminal's SIGINT, SIGHUP) while a note sounds: no question
// asked, the note released; a song changed even after the signal, before the program is out, is
// kept for the next start as after a crash.
TEST_F(RecoveryTest, ATerminationSignalReleasesTheNotesAndKeepsTheSongChangedUntilExit) {
    Locked()->NoteOn(0, 0, 60, 100);
    TakeSent();
    services.calls.clear();
    QuitSignal();
    EXPECT_EQ(services.calls, std::vector<std::string>{"quit"});
    struct sigaction now {};
    sigaction(SIGTERM, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL) << "a second signal must end even a hung program";
    EXPECT_EQ(std::ranges::count(TakeSent(), std::string("80 3c 64@0")), 1);
    EXPECT_FALSE(app->recovery().Exists()) << "nothing to keep yet";
    Edit(64);
    app.reset();  // main() returns: this program's file stays, to be found by the next
    Restart();
    EXPECT_EQ(services.calls.front(), "ask-recover:an untitled song");
    EXPECT_EQ(Cell().note, 64);
}

// The real box: only its buttons answer; closed by its title bar, it gives no answer. (Its
// default button, Recover, is the window script undo_recovery.sh's.)
TEST_F(RecoveryTest, TheRecoverBoxAnswersOnlyByItsButtons) {
    const auto answer = [&](const std::function<void(QWidget*)>& act) {
        WhenModalShows(act);
        return services.WindowServices::AskRecoverSong(&frame(), "a.trv");
    };
    EXPECT_EQ(answer([](QWidget* box) {
                  for (QPushButton* button : box->findChildren<QPushButton*>())
                      if (button->text() == "Discard") button->click();
              }),
              RecoverAnswer::Discard);
    EXPECT_EQ(answer([](QWidget* box) { box->close(); }), RecoverAnswer::None);
}

}  // namespace
}  // namespace tarvel::testing
