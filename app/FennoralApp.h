// The application: owns the document, the window side of the core's hooks and the main frame;
// runs start-up, the song file commands (New, Open, Save, Save As, the recent files and dropped
// files) and keeps the recent-file list in the settings. Window thread.
#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <string>

class QSettings;

namespace tarvel {

class CFennoralDoc;
class CMainFrame;
class MidiInputMenu;
class SessionClient;
class LaunchInputMenu;
class TempoSourceMenu;
class MidiOutDriver;
class QtUiHooks;
class SongRecovery;
class SynthMidiOut;
class TerminationSignals;
class WindowServices;

// The settings in `file`, or the desktop's own store when it is empty.
std::unique_ptr<QSettings> OpenSettings(const QString& file);

struct AppOptions {
    QString settingsFile;      // empty: the desktop's own settings store
    QString recoveryFolder;    // empty: "tarvel/recovery" in the user's data folder
    bool startTimer = true;    // tests drive the player's clock themselves
    bool showAboutBox = true;  // shown at every start, after the window
    std::string sessionUrl{};  // NSM_URL: a session manager's, whose session we join
    // The built-in synth among the MIDI outputs, if any.
    SynthMidiOut* synth = nullptr;
};

class CFennoralApp {
  public:
    static constexpr const char* kSettingsKey = "Velmora Audio Software 'Tarvel'";
    static constexpr int kRecentFileCount = 4;

    CFennoralApp(MidiOutDriver& midiOut, WindowServices& services, AppOptions options = {});
    ~CFennoralApp();

    // Opens the song named by the first argument, if any, shows the window, then the about
    // box, and from then on accepts dropped files. False when the window is not showing at the
    // end: the program did not start.
    bool Start(const QStringList& arguments);

    CFennoralDoc& doc() { return *doc_; }
    CMainFrame& frame() { return *frame_; }

    // Song file commands. Each one that replaces the song first offers to save a changed one.
    void FileNew();
    void FileOpen();
    bool FileSave();
    bool FileSaveAs();
    void OpenRecentFile(int index);
    void OpenDroppedFile(const std::string& path);
    bool SaveModifiedSong();  // false: the user cancelled

    // Song exchange (SongExchange.cpp): a new song from a MIDI file, which asks to save a changed
    // song first, as Open does; the song out as a MIDI or an audio file.
    void FileImportMidi();
    void FileExportMidi();
    void FileExportAudio();
    bool IsSongChanged() const;
    // A session's song: opened when the file is there, else a new song saved there at once.
    // False with the reason when neither can be done.
    bool OpenSessionSong(const std::string& path, std::string& whyNot);

    QStringList RecentFiles() const { return recentFiles_; }

    // The window's size (and whether it is maximised), "Follow play" and the zoom, in the
    // settings' group
    // [Window] (WindowSettings.cpp). Stored as they change and when the window closes.
    void StoreWindowSize() const;
    void StoreFollowPlay(bool on) const;
    void StoreZoom(int percent) const;
    // [Player] LaunchAt: "PatternEnd" or "NextBar" (WindowSettings.cpp).
    void StoreLaunchBoundary(int boundary) const;
    QString WindowTitle() const;

    // Autosave (Recovery.cpp): while the song is changed, every interval (60 s unless the
    // settings' [Recovery] AutosaveSeconds says otherwise) the song goes to a recovery file.
    void Autosave();
    // SIGTERM, SIGINT or SIGHUP: quits with no question asked, every note released; a song
    // still changed at exit stays in the recovery file, to be offered at the next start as after
    // a crash.
    void QuitOnSignal();
    SongRecovery& recovery() { return *recovery_; }
    MidiInputMenu& midiInput() { return *midiInput_; }
    TempoSourceMenu& tempoSource() { return *tempoSource_; }
    LaunchInputMenu& launchInput() { return *launchInput_; }

  private:
    bool OpenSong(const std::string& path);
    bool SaveSongAs(const std::string& path);
    void SongReplaced(const std::string& path);
    void AddRecentFile(const QString& path);
    void LoadRecentFiles();
    void StoreRecentFiles() const;
    void StartAutosave();
    void RestoreWindowSettings();  // WindowSettings.cpp
    void OfferRecovery();          // the songs of programs that ended without saving
    void KeepOrRemoveRecovery();   // at exit
    void AddMidiClockOut();        // the Midi menu's clock choice, restored from the settings

    WindowServices& services_;
    AppOptions options_;
    std::unique_ptr<QtUiHooks> ui_;
    std::unique_ptr<CFennoralDoc> doc_;
    std::unique_ptr<CMainFrame> frame_;
    std::unique_ptr<SongRecovery> recovery_;
    std::unique_ptr<MidiInputMenu> midiInput_;      // its driver calls into the document
    std::unique_ptr<TempoSourceMenu> tempoSource_;  // these two use midiInput_'s driver
    std::unique_ptr<LaunchInputMenu> launchInput_;
    std::unique_ptr<SessionClient> session_;  // in a session manager's session
    std::unique_ptr<TerminationSignals> terminationSignals_;
    bool quitBySignal_ = false;  // at exit, a changed song's recovery file is kept
    std::string path_;           // empty for a song not yet saved
    QStringList recentFiles_;
};

}  // namespace tarvel
