// Autosave and recovery through the application: what is written when, what the next start
// offers, and what it does with a damaged file or the file of a program still running.
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
    QString OwnFile() { return QString::fromStdString(app->recovery().SongFile()); }
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
};

TEST_F(RecoveryTest, AutosaveWritesOnlyAChangedSongAndSaveRemovesIt) {
    app->Autosave();
    EXPECT_FALSE(app->recovery().Exists());
    Edit(60);
    app->Autosave();
    EXPECT_TRUE(app->recovery().Exists());
    EXPECT_TRUE(QFile::exists(OwnFile().replace(".trv", ".path")));
    frame().Execute(cmd::kEditUndo);  // back to the song as loaded
    app->Autosave();
    EXPECT_FALSE(app->recovery().Exists());

    Edit(61);
    app->Autosave();
    services.songToSave = PathOf("song.trv");
    ASSERT_TRUE(app->FileSaveAs());
    EXPECT_FALSE(app->recovery().Exists());

    // The file of a program still running (this one) is not offered to another.
    Edit(62);
    app->Autosave();
    EXPECT_TRUE(SongRecovery(Folder().toStdString(), 1).FindLeftovers().empty());
}

// A crashed song is offered back changed and saves to its own path; a discarded one goes, a
// damaged one is set aside with a message; none is offered twice.
TEST_F(RecoveryTest, EveryLeftoverIsOfferedOnceThenRecoveredDiscardedOrSetAside) {
    const QString songPath = TempFile("mine.trv");
    Orphan(songPath);
    Restart();
    EXPECT_EQ(services.calls.front(), "ask-recover:" + songPath.toStdString());
    EXPECT_EQ(Cell().note, 64);
    EXPECT_EQ(frame().windowTitle(), "mine.trv* - Tarvel");
    EXPECT_TRUE(app->recovery().Exists()) << "this program keeps it until saved";
    EXPECT_EQ(Files("*.trv").size(), 1) << "the old file went";

    ASSERT_TRUE(app->FileSave());
    EXPECT_TRUE(QFile::exists(songPath));
    EXPECT_FALSE(app->IsSongChanged());
    Restart();
    EXPECT_TRUE(services.calls.empty()) << "nothing left to offer";

    Orphan("");
    services.recover = false;
    Restart();
    EXPECT_EQ(services.calls.front(), "ask-recover:an untitled song");
    EXPECT_TRUE(QDir(Folder()).isEmpty()) << Files("*").join(" ").toStdString();

    const QString damaged = Orphan("");
    std::ofstream(damaged.toStdString()) << "not a song";
    services.recover = true;
    services.messages.clear();
    Restart();
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text, "Corrupt data or damaged/old tarvel song");
    EXPECT_TRUE(QFile::exists(damaged + ".damaged"));
    EXPECT_FALSE(app->IsSongChanged());
    Restart();
    EXPECT_TRUE(services.calls.empty()) << "a set-aside file is not offered again";
}

// A session manager's SIGTERM (or the terminal's SIGINT, SIGHUP) while a note sounds: no question
// asked, the note released, and the changed song kept for the next start as after a crash.
TEST_F(RecoveryTest, ATerminationSignalReleasesTheNotesAndKeepsTheChangedSong) {
    Edit(64);
    Locked()->NoteOn(0, 0, 60, 100);
    TakeSent();
    services.calls.clear();
    raise(SIGTERM);
    for (int i = 0; i < 100 && services.calls.empty(); ++i) Settle();
    EXPECT_EQ(services.calls, std::vector<std::string>{"quit"});
    struct sigaction now {};
    sigaction(SIGTERM, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL) << "a second signal must end even a hung program";
    const std::vector<std::string> sent = TakeSent();
    EXPECT_NE(std::find(sent.begin(), sent.end(), "80 3c 64@0"), sent.end()) << sent.size();
    app.reset();  // main() returns: this program's file stays, to be found by the next
    Restart();
    EXPECT_EQ(services.calls.front(), "ask-recover:an untitled song");
    EXPECT_EQ(Cell().note, 64);
}

}  // namespace
}  // namespace tarvel::testing
