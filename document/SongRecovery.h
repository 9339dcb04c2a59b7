// The recovery files that autosave writes while a song is changed, so that a crash loses at
// most the last interval's work. Each running program writes its own set in the folder, named
// "<pid>-<random>" so that no two programs share one, not even with equal process ids (after a
// restart, or in other PID namespaces): "<name>.trv" (the song, written as saving writes it),
// "<name>.path" (the song file it belongs to, empty for an untitled song) and "<name>.lock",
// which the program holds locked from its first write until it ends. A set whose lock can be
// taken belongs to no running program: it is left over from a crash and is offered back at the
// next start. So is a set named "<pid>" alone, as earlier versions wrote them, with no lock held.
// Window thread.
#pragma once

#include <string>
#include <vector>

#include "platform/FileLock.h"

namespace tarvel {

class CFennoralDoc;

// A set left by a program that is no longer running, locked by the one that found it for as
// long as this lives, so that a program starting meanwhile does not offer it too.
struct LeftoverRecovery {
    std::string songFile;  // the recovery file to open
    std::string songPath;  // the song file it belongs to; empty for an untitled song
    int processId;         // of the program that wrote it
    std::string pathFile;
    FileLock lock;
};

class SongRecovery {
  public:
    SongRecovery(std::string folder, int processId);
    // Lets go of the lock. The set stays when it holds a song (the program keeps it for the
    // next start); otherwise the lock file goes too.
    ~SongRecovery();
    SongRecovery(const SongRecovery&) = delete;
    SongRecovery& operator=(const SongRecovery&) = delete;

    // Writes the song and the path it belongs to; takes the lock in short holds. False, with
    // the reason, when the folder or a file cannot be written (the old pair is kept).
    bool Write(CFennoralDoc& doc, const std::string& songPath, std::string& whyNot);
    // This program's song and path, once the song is saved or the program ends cleanly.
    void Remove();
    bool Exists() const;
    // This program's song file; empty before the first write.
    std::string SongFile() const;

    // The sets of programs no longer running, oldest process id first, each locked.
    std::vector<LeftoverRecovery> FindLeftovers() const;
    // A recovered or declined set goes; a damaged one is renamed "<name>.damaged", never
    // deleted unseen.
    void Discard(LeftoverRecovery& leftover) const;
    void SetAside(LeftoverRecovery& leftover) const;

    const std::string& folder() const { return folder_; }

  private:
    std::string FileOf(const std::string& name, const char* extension) const;
    bool TakeName(std::string& whyNot);

    std::string folder_;
    int processId_;
    std::string name_;  // "<pid>-<random>", chosen at the first write
    FileLock lock_;
};

}  // namespace tarvel
