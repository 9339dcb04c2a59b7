// Standard MIDI Files: a small model of one in memory, its writer and its reader.
//
// Events carry absolute ticks, so whoever fills a track (an exporter, a test) never deals with
// delta times or running status: the writer works them out, and the reader turns them back into
// absolute ticks. Every function here is pure and may be called from any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tarvel {

constexpr std::uint8_t kSysExStart = 0xF0;
constexpr std::uint8_t kSysExEscape = 0xF7;  // a SysEx continuation, or any bytes sent as they are
constexpr std::uint8_t kMetaEvent = 0xFF;

constexpr std::uint8_t kMetaTrackName = 0x03;
constexpr std::uint8_t kMetaEndOfTrack = 0x2F;
constexpr std::uint8_t kMetaTempo = 0x51;  // three bytes: microseconds per quarter note
constexpr std::uint8_t kMetaTimeSignature = 0x58;

// What the reader takes on, so that a hostile file cannot make it allocate more than about a
// hundred megabytes. Real songs stay far below: a dense orchestral file has some 100,000 events.
constexpr std::size_t kMidiFileSizeLimit = 64u << 20;
constexpr std::size_t kMidiTrackLimit = 1024;
constexpr std::size_t kMidiEventLimit = 2'000'000;

struct MidiEvent {
    std::uint32_t tick;   // absolute, from the start of the track
    std::uint8_t status;  // 0x80..0xEF a channel message; kSysExStart, kSysExEscape; kMetaEvent
    std::uint8_t data1;   // a channel message's first data byte; a meta event's type
    std::uint8_t data2;   // a channel message's second data byte; 0 when it has none
    std::uint8_t reserved;
    std::uint32_t dataOffset;  // SysEx and meta events: where their bytes start in the track's data
    std::uint32_t dataSize;
};
static_assert(sizeof(MidiEvent) == 16);

struct MidiTrack {
    std::vector<MidiEvent> events;   // in tick order
    std::vector<std::uint8_t> data;  // the bytes of the SysEx and meta events, one after another

    void AddMessage(std::uint32_t tick, std::uint8_t status, std::uint8_t data1,
                    std::uint8_t data2 = 0);
    // A SysEx event's bytes are those after its status byte, as the file holds them: a complete
    // message ends with 0xF7.
    void AddSysEx(std::uint32_t tick, std::uint8_t status, std::span<const std::uint8_t> bytes);
    void AddMeta(std::uint32_t tick, std::uint8_t type, std::span<const std::uint8_t> bytes);
    std::span<const std::uint8_t> DataOf(const MidiEvent& event) const;
};

struct MidiFileData {
    std::uint16_t format = 1;  // 0: one track; 1: tracks played together
    // Ticks per quarter note; with the top bit set, SMPTE time: the high byte is minus the frames
    // per second, the low byte the ticks per frame.
    std::uint16_t division = 480;
    std::vector<MidiTrack> tracks;
};

// The file's bytes: the header, then each track with delta times, running status for channel
// messages, and one End of Track at its last event's tick (an End of Track among the events only
// gives that tick). Events out of tick order are written in tick order, ties as given. Data bytes
// of channel messages are written as 7 bits; statuses a file cannot hold (0xF1..0xF6, 0xF8..0xFE)
// are left out. At most 65,535 tracks, the most a header can count, are written.
std::vector<std::uint8_t> WriteMidiFile(const MidiFileData& file);

// Reads a Standard MIDI File (format 0 or 1, optionally inside a RIFF "RMID" file) into `file`.
// False, with a one-line reason in `whyNot` and `file` left as it was, for anything damaged or
// beyond the limits above. Chunks of unknown types are skipped; bytes after the last track are
// ignored.
bool ReadMidiFile(std::span<const std::uint8_t> bytes, MidiFileData& file, std::string& whyNot);

}  // namespace tarvel
