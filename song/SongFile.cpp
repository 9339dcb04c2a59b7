#include "song/SongFile.h"

#include <bit>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "platform/Gzip.h"

namespace tarvel {

// The image is the memory of the song as it lies, so the stream is little-endian only where
// memory is.
static_assert(std::endian::native == std::endian::little);

namespace {

void PutInt(std::uint8_t* at, std::int32_t value) {
    std::memcpy(at, &value, sizeof value);
}

std::int32_t GetInt(const std::uint8_t* at) {
    std::int32_t value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

template <std::size_t N>
std::string Field(const char (&text)[N]) {
    return std::string(text, BoundedLength(text));
}

}  // namespace

void WriteSongStream(const Song& song, std::int32_t loopStartRow, std::int32_t loopEndRow,
                     std::vector<std::uint8_t>& stream) {
    stream.resize(kSongStreamSize);
    std::memcpy(stream.data(), kSongMagic, sizeof kSongMagic);
    std::memcpy(stream.data() + kSongImageOffset, &song, sizeof song);
    PutInt(stream.data() + kLoopStartOffset, loopStartRow);
    PutInt(stream.data() + kLoopEndOffset, loopEndRow);
}

std::vector<std::uint8_t> EncodeSongFile(std::span<const std::uint8_t> stream) {
    const std::size_t partEnds[] = {kSongImageOffset + offsetof(Song, trackName),
                                    kSongImageOffset + offsetof(Song, sequence)};
    return GzipCompress(stream, partEnds);
}

bool DecodeSongFile(std::span<const std::uint8_t> file, std::vector<std::uint8_t>& stream) {
    const GzipExpansion expansion = GzipExpand(file, kSongStreamSize, stream);
    return expansion != GzipExpansion::Damaged && stream.size() == kSongStreamSize &&
           std::memcmp(stream.data(), kSongMagic, sizeof kSongMagic) == 0;
}

void ReadSongStream(const std::vector<std::uint8_t>& stream, Song& song, std::int32_t& loopStartRow,
                    std::int32_t& loopEndRow) {
    if (stream.size() < kSongStreamSize) return;
    std::memcpy(&song, stream.data() + kSongImageOffset, sizeof song);
    loopStartRow = GetInt(stream.data() + kLoopStartOffset);
    loopEndRow = GetInt(stream.data() + kLoopEndOffset);
}

std::string SongInformationText(const SongHeader& header) {
    return "Composer: " + Field(header.author) + "\nBand: " + Field(header.band) +
           "\nDate: " + Field(header.date) + "\n\nComments\n-----------------\n\n" +
           Field(header.comments) + "\n\n\nTarvel - full programmable MIDI multitracker";
}

}  // namespace tarvel
