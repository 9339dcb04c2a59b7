// The song stream, as song files hold it once expanded: the magic "TRV2" and a NUL, the song's
// byte image, then the loop rows, all little-endian and unaligned. The file is its gzip form.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "song/Song.h"

namespace tarvel {

constexpr char kSongMagic[5] = {'T', 'R', 'V', '2', '\0'};
constexpr std::size_t kSongImageOffset = sizeof kSongMagic;
constexpr std::size_t kLoopStartOffset = kSongImageOffset + sizeof(Song);
constexpr std::size_t kLoopEndOffset = kLoopStartOffset + 4;
constexpr std::size_t kSongStreamSize = kLoopEndOffset + 4;
static_assert(kSongStreamSize == 2908325);

// No song file we would accept needs more than this much of its start to be read: past it lie
// only bytes after the stream, which are ignored anyway.
constexpr std::size_t kSongFileReadLimit = 16u << 20;

// Writes the stream of `song` and the loop rows into `stream` (resized to kSongStreamSize).
void WriteSongStream(const Song& song, std::int32_t loopStartRow, std::int32_t loopEndRow,
                     std::vector<std::uint8_t>& stream);

// The file form of a stream: gzip, with the patterns, the channel and patch tables, and the
// sequencer grid each compressed with codes of their own.
std::vector<std::uint8_t> EncodeSongFile(std::span<const std::uint8_t> stream);

// Takes a song file's bytes apart: true when they expand to at least a whole stream with the
// right magic; `stream` then holds exactly kSongStreamSize bytes. Expands nothing beyond that.
// A pure function of the bytes, whatever they hold.
bool DecodeSongFile(std::span<const std::uint8_t> file, std::vector<std::uint8_t>& stream);

// Copies an accepted stream into the song and the loop rows, every value as it is.
void ReadSongStream(const std::vector<std::uint8_t>& stream, Song& song, std::int32_t& loopStartRow,
                    std::int32_t& loopEndRow);

// The text of the box shown after a song is opened. Texts are read within their fields.
std::string SongInformationText(const SongHeader& header);

}  // namespace tarvel
