// Song files that only damage or a foreign program could write. The loader takes each as it is;
// whatever reads the song afterwards (player, displays, helper texts, panel) must stay inside it
// and never divide by zero. Tests of any part load them and run that part over them, ideally
// under AddressSanitizer + UndefinedBehaviorSanitizer.
#pragma once

#include <cstdint>
#include <vector>

#include "document/FennoralDoc.h"

namespace tarvel::testing {

struct DamagedSong {
    const char* name;  // letters and digits only, usable as a test name
    void (*damage)(Song& song, std::int32_t& loopStartRow, std::int32_t& loopEndRow);
};

// lineDuration 0 and below; slot patterns 128..254; lineCount 0, -1, 300 and the int extremes;
// texts without a NUL; patchCount -1, 513 and the extremes; channelDevice 200 and 255;
// garbage in soundingNote; loop rows outside the grid or reversed; cells of random bytes; a
// wholly random image; and everything at once.
std::vector<DamagedSong> DamagedSongs();

// Something to play on all 16 tracks on rows 0..255, looping over them: notes, note offs,
// gates, delays, retriggers, controllers, pitch wheel, tempo and program changes, system
// messages, transposed slots. Caller holds the lock.
void MakeBusySong(CFennoralDoc& doc);

// The song file (gzip of the stream) of the busy song with the damage applied.
std::vector<std::uint8_t> DamagedSongFile(const DamagedSong& damaged);

// Opens that file in `doc` through the real loader (which shows its boxes through doc's UI);
// true when the loader took it.
bool LoadDamagedSong(CFennoralDoc& doc, const DamagedSong& damaged);

}  // namespace tarvel::testing
