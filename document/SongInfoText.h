// What "tarvel --info" prints about a song: its header, tempo, length, the patterns it places and
// its channels with their programs. Qt-free; any thread.
#pragma once

#include <cstdint>
#include <string>

#include "engine/OfflineRender.h"
#include "song/Song.h"

namespace tarvel {

// `pass` is one pass of the song (row 0 to the loop end), which gives its length in time.
std::string SongInfoText(const Song& song, std::int32_t loopStartRow, std::int32_t loopEndRow,
                         const RenderedPass& pass);

}  // namespace tarvel
