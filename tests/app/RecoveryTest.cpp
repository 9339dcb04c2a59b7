#include <sys/wait.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTest>

#include <mutex>

#include "AppFixture.h"
#include "app/CommandIds.h"
#include "app/MainFrame.h"
#include "document/EditAction.h"
#include "document/SongRecovery.h"

namespace tarvel::testing {
namespace {

// A process id that no process has now: a child that has ended and been reaped.
int DeadProcessId() {
    const pid_t child = fork();
    if (child == 0) _exit(0);
    waitpid(child, nullptr, 0);
    return child;
}

class RecoveryTest : public AppTest {
  public:
    QString Folder() { return settingsDir.filePath("recovery"); }
    void Edit(std::uint8_t note) {
        EditAction typing(doc(), "Typing", {PatternRange(0)});
        std::lock_guard lock(doc().mutex);
        doc().song.patterns[0].cells[0][0].note = note;
    }
    std::uint8_t Note() {
        std::lock_guard lock(doc().mutex);
        return doc().song.patterns[0].cells[0][0].note;
    }
    // Starts the program again, as after a crash of the one whose files are `leftover`.
    void Restart() {
        app.reset();
        AppOptions options;
        options.settingsFile = settingsDir.filePath("tarvel.ini");
        options.recoveryFolder = Folder();
        options.startTimer = false;
        options.showAboutBox = false;
        services.calls.clear();
        app = std::make_unique<CFennoralApp>(midi, services, options);
        app->Start({});
    }
    // Leaves this program's recovery pair as if its process had died.
    QString Orphan(const QString& songPath) {
        app->recovery().Remove();
        Edit(64);
        app->Autosave();
        const QString pid = QString::number(QCoreApplication::applicationPid());
        const QString dead = QString::number(DeadProcessId());
        QDir folder(Folder());
        EXPECT_TRUE(folder.rename(pid + ".trv", dead + ".trv"));
        QFile(folder.filePath(dead + ".path")).remove();
        QFile path(folder.filePath(dead + ".path"));
        EXPECT_TRUE(path.open(QIODevice::WriteOnly));
        path.write(songPath.toUtf8());
        return folder.filePath(dead + ".trv");
    }
};

TEST_F(RecoveryTest, AutosaveWritesOnlyAChangedSongAndSaveRemovesIt) {
    app->Autosave();
    EXPECT_FALSE(app->recovery().Exists());
    Edit(60);
    app->Autosave();
    EXPECT_TRUE(app->recovery().Exists());
    EXPECT_TRUE(QFile::exists(Folder() + "/" + QString::number(QCoreApplication::applicationPid()) +
                              ".path"));
    frame().Execute(cmd::kEditUndo);  // back to the song as loaded
    app->Autosave();
    EXPECT_FALSE(app->recovery().Exists());

    Edit(61);
    app->Autosave();
    services.songToSave = settingsDir.filePath("song.trv").toStdString();
    ASSERT_TRUE(app->FileSaveAs());
    EXPECT_FALSE(app->recovery().Exists());
}

TEST_F(RecoveryTest, ACrashedSongIsOfferedBackChangedAndSavesToItsOwnPath) {
    const QString songPath = settingsDir.filePath("mine.trv");
    Orphan(songPath);
    Restart();
    EXPECT_EQ(services.calls.front(), "ask-recover:" + songPath.toStdString());
    EXPECT_EQ(Note(), 64);
    EXPECT_TRUE(app->IsSongChanged());
    EXPECT_EQ(frame().windowTitle(), "mine.trv* - Tarvel");
    EXPECT_TRUE(app->recovery().Exists()) << "this program keeps it until saved";
    EXPECT_EQ(QDir(Folder()).entryList({"*.trv"}).size(), 1) << "the old file went";

    ASSERT_TRUE(app->FileSave());
    EXPECT_TRUE(QFile::exists(songPath));
    EXPECT_FALSE(app->IsSongChanged());
    Restart();
    EXPECT_TRUE(services.calls.empty()) << "nothing left to offer";
}

TEST_F(RecoveryTest, DiscardRemovesItAndADamagedOneIsSetAsideWithAMessage) {
    Orphan("");
    services.recover = false;
    Restart();
    EXPECT_EQ(services.calls.front(), "ask-recover:an untitled song");
    EXPECT_TRUE(QDir(Folder()).entryList({"*.trv*"}).isEmpty());

    const QString damaged = Orphan("");
    {
        QFile file(damaged);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("not a song");
    }
    services.recover = true;
    Restart();
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text, "Corrupt data or damaged/old tarvel song");
    EXPECT_TRUE(QFile::exists(damaged + ".damaged"));
    EXPECT_FALSE(app->IsSongChanged());
    Restart();
    EXPECT_TRUE(services.calls.empty()) << "a set-aside file is not offered again";
}

TEST_F(RecoveryTest, TheFileOfARunningProgramIsNotOffered) {
    Edit(60);
    app->Autosave();
    const QString pid = QString::number(QCoreApplication::applicationPid());
    const QString parent = QString::number(getppid());  // alive while this test runs
    QDir(Folder()).rename(pid + ".trv", parent + ".trv");
    SongRecovery other(Folder().toStdString(), 1);
    EXPECT_TRUE(other.FindLeftovers().empty());
}

}  // namespace
}  // namespace tarvel::testing
