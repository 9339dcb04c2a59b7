// The recovery files that autosave writes while a song is changed, so that a crash loses at
// most the last interval's work. Each running program writes its own pair in the folder, named
// by its process id: "<pid>.trv" (the song, written as saving writes it) and "<pid>.path" (the
// song file it belongs to, empty for an untitled song). A pair whose process no longer runs is
// left over from a crash and is offered back at the next start. Window thread.
#pragma once

#include <string>
#include <vector>

namespace tarvel {

class CFennoralDoc;

// A pair left by a program that is no longer running.
struct LeftoverRecovery {
    std::string songFile;  // the recovery file to open
    std::string songPath;  // the song file it belongs to; empty for an untitled song
    int processId;
};

class SongRecovery {
  public:
    SongRecovery(std::string folder, int processId);

    // Writes the song and the path it belongs to; takes the lock in short holds. False, with
    // the reason, when the folder or a file cannot be written (the old pair is kept).
    bool Write(CFennoralDoc& doc, const std::string& songPath, std::string& whyNot);
    // This program's pair, once the song is saved or the program ends cleanly.
    void Remove();
    bool Exists() const;

    // Pairs whose program is no longer running, oldest process id first.
    std::vector<LeftoverRecovery> FindLeftovers() const;
    // A recovered or declined pair goes; a damaged one is renamed "<name>.damaged", never
    // deleted unseen.
    void Discard(const LeftoverRecovery& leftover) const;
    void SetAside(const LeftoverRecovery& leftover) const;

    const std::string& folder() const { return folder_; }

  private:
    std::string SongFile(int processId) const;
    std::string PathFile(int processId) const;

    std::string folder_;
    int processId_;
};

}  // namespace tarvel
