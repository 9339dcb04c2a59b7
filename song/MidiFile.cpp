#include "song/MidiFile.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

#include "platform/MidiOut.h"
#include "song/ByteReader.h"

namespace tarvel {

namespace {

constexpr std::uint32_t kLongestDelta = 0x0FFFFFFF;  // what four bytes of a delta time hold

bool IsChannelStatus(std::uint8_t status) {
    return status >= 0x80 && status < 0xF0;
}

bool IsSysEx(std::uint8_t status) {
    return status == kSysExStart || status == kSysExEscape;
}

// --- Writing ------------------------------------------------------------------------------

void Put16(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}

void Put32(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

void PutChunkHeader(std::vector<std::uint8_t>& out, const char (&id)[5], std::uint32_t length) {
    out.insert(out.end(), id, id + 4);
    out.resize(out.size() + 4);
    Put32(out.data() + out.size() - 4, length);
}

void PutNumber(std::vector<std::uint8_t>& out, std::uint32_t value) {
    std::uint8_t groups[5];
    int count = 0;
    do {
        groups[count++] = static_cast<std::uint8_t>(value & 0x7F);
        value >>= 7;
    } while (value != 0);
    while (count > 1) out.push_back(groups[--count] | 0x80);
    out.push_back(groups[0]);
}

void PutBytes(std::vector<std::uint8_t>& out, std::span<const std::uint8_t> bytes) {
    PutNumber(out, static_cast<std::uint32_t>(bytes.size()));
    out.insert(out.end(), bytes.begin(), bytes.end());
}

// A gap longer than four bytes of delta time can say is bridged by empty text events, which
// readers pass over; like any meta event they end the running status.
void PutDelta(std::vector<std::uint8_t>& out, std::uint32_t delta, std::uint8_t& runningStatus) {
    for (; delta > kLongestDelta; delta -= kLongestDelta) {
        PutNumber(out, kLongestDelta);
        out.insert(out.end(), {kMetaEvent, 0x01, 0x00});
        runningStatus = 0;
    }
    PutNumber(out, delta);
}

bool IsEndOfTrack(const MidiEvent& event) {
    return event.status == kMetaEvent && event.data1 == kMetaEndOfTrack;
}

void WriteTrack(std::vector<std::uint8_t>& out, const MidiTrack& track) {
    const std::size_t chunkStart = out.size();
    PutChunkHeader(out, "MTrk", 0);

    std::vector<std::uint32_t> order;  // only for events out of tick order
    const auto byTick = [](const MidiEvent& a, const MidiEvent& b) { return a.tick < b.tick; };
    if (!std::is_sorted(track.events.begin(), track.events.end(), byTick)) {
        order.resize(track.events.size());
        for (std::uint32_t i = 0; i < order.size(); ++i) order[i] = i;
        std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
            return track.events[a].tick < track.events[b].tick;
        });
    }

    std::uint32_t now = 0;
    std::uint32_t end = 0;
    std::uint8_t runningStatus = 0;
    for (std::size_t i = 0; i < track.events.size(); ++i) {
        const MidiEvent& event = track.events[order.empty() ? i : order[i]];
        end = std::max(end, event.tick);
        const std::uint8_t status = event.status;
        if (IsEndOfTrack(event) ||
            !(IsChannelStatus(status) || IsSysEx(status) || status == kMetaEvent))
            continue;
        PutDelta(out, event.tick - now, runningStatus);
        now = event.tick;
        if (IsChannelStatus(status)) {
            if (status != runningStatus) out.push_back(status);
            runningStatus = status;
            out.push_back(event.data1 & 0x7F);
            if (MidiMessageLength(status) == 3) out.push_back(event.data2 & 0x7F);
            continue;
        }
        out.push_back(status);
        if (status == kMetaEvent) out.push_back(event.data1);
        PutBytes(out, track.DataOf(event));
        runningStatus = 0;
    }
    PutDelta(out, end - now, runningStatus);
    out.insert(out.end(), {kMetaEvent, kMetaEndOfTrack, 0x00});
    Put32(out.data() + chunkStart + 4, static_cast<std::uint32_t>(out.size() - chunkStart - 8));
}

// --- Reading ------------------------------------------------------------------------------

bool Refuse(std::string& whyNot, const char* reason) {
    whyNot = reason;
    return false;
}

template <typename First, typename... Rest>
bool Refuse(std::string& whyNot, const char* format, First first, Rest... rest) {
    char text[256];
    std::snprintf(text, sizeof text, format, first, rest...);
    return Refuse(whyNot, text);
}

// A chunk's four-letter type as text that is safe to show, whatever its bytes.
std::string ChunkName(std::span<const std::uint8_t> id) {
    std::string name;
    for (std::uint8_t byte : id)
        name += byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : '?';
    return name;
}

bool HasId(std::span<const std::uint8_t> id, const char* expected) {
    return id.size() == 4 && std::memcmp(id.data(), expected, 4) == 0;
}

enum class NumberRead { Ok, Truncated, TooLong };

NumberRead ReadNumber(ByteReader& reader, std::uint32_t& value) {
    value = 0;
    for (int count = 0; count < 4; ++count) {
        std::uint8_t byte;
        if (!reader.Byte(byte)) return NumberRead::Truncated;
        value = value << 7 | (byte & 0x7F);
        if (!(byte & 0x80)) return NumberRead::Ok;
    }
    return NumberRead::TooLong;
}

class TrackReader {
  public:
    TrackReader(std::span<const std::uint8_t> chunk, std::size_t chunkAt, std::size_t number,
                std::size_t& eventCount, std::string& whyNot)
        : reader_(chunk),
          chunkAt_(chunkAt),
          number_(number),
          eventCount_(eventCount),
          whyNot_(whyNot) {}

    bool Read(MidiTrack& track) {
        track.events.reserve(std::min(reader_.Remaining() / 4, kMidiEventLimit - eventCount_));
        std::uint64_t tick = 0;
        std::uint8_t runningStatus = 0;
        while (!reader_.AtEnd()) {
            const std::size_t eventAt = At();
            std::uint32_t delta;
            if (!Number(delta)) return false;
            tick += delta;
            if (tick > std::numeric_limits<std::uint32_t>::max())
                return Fail("runs past tick 4294967295 at byte %zu", eventAt);
            if (++eventCount_ > kMidiEventLimit)
                return Fail("more than %zu events in the file", kMidiEventLimit);
            const auto at = static_cast<std::uint32_t>(tick);

            std::uint8_t status;
            if (!reader_.Peek(status)) return Truncated();
            if (status & 0x80) {
                reader_.Skip(1);
            } else if (runningStatus) {
                status = runningStatus;
            } else {
                return Fail("data byte %02X at byte %zu where a status byte is needed", status,
                            At());
            }

            if (IsChannelStatus(status)) {
                // Running status also holds across SysEx and meta events: files that rely on
                // that are common, and nothing else could be meant.
                runningStatus = status;
                std::uint8_t data[2] = {0, 0};
                for (int i = 0; i + 1 < MidiMessageLength(status); ++i) {
                    if (!reader_.Byte(data[i])) return Truncated();
                    if (data[i] & 0x80)
                        return Fail("byte %02X at byte %zu where a data byte is needed", data[i],
                                    At() - 1);
                }
                track.AddMessage(at, status, data[0], data[1]);
            } else if (IsSysEx(status)) {
                std::span<const std::uint8_t> bytes;
                if (!Sized(bytes)) return false;
                track.AddSysEx(at, status, bytes);
            } else if (status == kMetaEvent) {
                std::uint8_t type;
                std::span<const std::uint8_t> bytes;
                if (!reader_.Byte(type)) return Truncated();
                if (!Sized(bytes)) return false;
                track.AddMeta(at, type, bytes);
                if (type == kMetaEndOfTrack) break;  // anything after it is not the track's
            } else {
                return Fail("status byte %02X at byte %zu cannot stand in a MIDI file", status,
                            At() - 1);
            }
        }
        return true;
    }

  private:
    std::size_t At() const { return chunkAt_ + reader_.Offset(); }

    template <typename... Values>
    bool Fail(const char* format, Values... values) {
        char text[200];
        std::snprintf(text, sizeof text, format, values...);
        return Refuse(whyNot_, "track %zu: %s", number_, text);
    }

    bool Truncated() { return Fail("ends inside an event at byte %zu", At()); }

    bool Number(std::uint32_t& value) {
        const std::size_t at = At();
        switch (ReadNumber(reader_, value)) {
            case NumberRead::Ok:
                return true;
            case NumberRead::Truncated:
                return Truncated();
            case NumberRead::TooLong:
                break;
        }
        return Fail("variable-length number longer than 4 bytes at byte %zu", at);
    }

    // A length, then that many bytes.
    bool Sized(std::span<const std::uint8_t>& bytes) {
        std::uint32_t length;
        if (!Number(length)) return false;
        if (!reader_.Bytes(length, bytes))
            return Fail("event of %u bytes at byte %zu runs past the end of the track", length,
                        At());
        return true;
    }

    ByteReader reader_;
    std::size_t chunkAt_;
    std::size_t number_;
    std::size_t& eventCount_;
    std::string& whyNot_;
};

// The Standard MIDI File inside a RIFF "RMID" file: its "data" chunk.
bool UnwrapRiff(std::span<const std::uint8_t>& bytes, std::size_t& base, std::string& whyNot) {
    ByteReader reader(bytes);
    std::span<const std::uint8_t> id;
    std::uint32_t length;
    reader.Skip(8);  // "RIFF" and the size, which the chunks below are checked against anyway
    if (!reader.Bytes(4, id) || !HasId(id, "RMID"))
        return Refuse(whyNot, "a RIFF file, but not a MIDI file (no \"RMID\" type)");
    while (reader.Bytes(4, id)) {
        const std::size_t at = reader.Offset() - 4;
        if (!reader.LittleEndian32(length) || reader.Remaining() < length)
            return Refuse(whyNot, "RIFF chunk \"%s\" at byte %zu runs past the end of the file",
                          ChunkName(id).c_str(), at);
        if (HasId(id, "data")) {
            base = reader.Offset();
            bytes = bytes.subspan(base, length);
            return true;
        }
        if (!reader.Skip(std::size_t{length} + (length & 1))) break;  // padded to even lengths
    }
    return Refuse(whyNot, "a RIFF MIDI file without its \"data\" chunk");
}

bool ReadDivision(std::uint16_t division, std::string& whyNot) {
    if (division == 0) return Refuse(whyNot, "the header gives 0 ticks per quarter note");
    if ((division & 0x8000) && (division & 0xFF) == 0)
        return Refuse(whyNot, "the header gives 0 ticks per SMPTE frame");
    return true;
}

}  // namespace

// --- The model ------------------------------------------------------------------------------

void MidiTrack::AddMessage(std::uint32_t tick, std::uint8_t status, std::uint8_t data1,
                           std::uint8_t data2) {
    events.push_back({tick, status, data1, data2, 0, 0, 0});
}

void MidiTrack::AddSysEx(std::uint32_t tick, std::uint8_t status,
                         std::span<const std::uint8_t> bytes) {
    events.push_back({tick, status, 0, 0, 0, static_cast<std::uint32_t>(data.size()),
                      static_cast<std::uint32_t>(bytes.size())});
    data.insert(data.end(), bytes.begin(), bytes.end());
}

void MidiTrack::AddMeta(std::uint32_t tick, std::uint8_t type,
                        std::span<const std::uint8_t> bytes) {
    AddSysEx(tick, kMetaEvent, bytes);
    events.back().data1 = type;
}

std::span<const std::uint8_t> MidiTrack::DataOf(const MidiEvent& event) const {
    if (IsChannelStatus(event.status) || event.dataOffset > data.size() ||
        event.dataSize > data.size() - event.dataOffset)
        return {};
    return {data.data() + event.dataOffset, event.dataSize};
}

// --- Writer and reader ----------------------------------------------------------------------

std::vector<std::uint8_t> WriteMidiFile(const MidiFileData& file) {
    const std::size_t trackCount = std::min<std::size_t>(file.tracks.size(), 0xFFFF);
    std::vector<std::uint8_t> out;
    PutChunkHeader(out, "MThd", 6);
    Put16(out, file.format);
    Put16(out, static_cast<std::uint16_t>(trackCount));
    Put16(out, file.division);
    for (std::size_t i = 0; i < trackCount; ++i) WriteTrack(out, file.tracks[i]);
    return out;
}

bool ReadMidiFile(std::span<const std::uint8_t> bytes, MidiFileData& file, std::string& whyNot) {
    if (bytes.size() > kMidiFileSizeLimit)
        return Refuse(whyNot, "larger than %zu MB, more than any MIDI file needs",
                      kMidiFileSizeLimit >> 20);
    std::size_t base = 0;  // where the MIDI data starts, so offsets count from the file's start
    if (bytes.size() >= 4 && HasId(bytes.first(4), "RIFF") && !UnwrapRiff(bytes, base, whyNot))
        return false;

    ByteReader reader(bytes);
    std::span<const std::uint8_t> id;
    std::uint32_t length = 0;
    if (!reader.Bytes(4, id) || !HasId(id, "MThd"))
        return Refuse(whyNot, "not a MIDI file: it does not start with \"MThd\"");
    if (!reader.BigEndian32(length)) return Refuse(whyNot, "the file ends inside its header");
    if (length < 6)
        return Refuse(whyNot, "a header chunk of %u bytes, less than the 6 it needs", length);
    if (reader.Remaining() < length)
        return Refuse(whyNot, "the header chunk claims %u bytes, but only %zu follow", length,
                      reader.Remaining());
    MidiFileData read;
    std::uint16_t trackCount = 0;
    reader.BigEndian16(read.format);
    reader.BigEndian16(trackCount);
    reader.BigEndian16(read.division);
    reader.Skip(length - 6);
    if (read.format > 1)
        return Refuse(whyNot, "MIDI file format %u; only formats 0 and 1 can be read",
                      unsigned{read.format});
    if (trackCount > kMidiTrackLimit)
        return Refuse(whyNot, "%u tracks, more than the %zu that can be read", unsigned{trackCount},
                      kMidiTrackLimit);
    if (!ReadDivision(read.division, whyNot)) return false;

    read.tracks.reserve(trackCount);
    std::size_t eventCount = 0;
    while (read.tracks.size() < trackCount) {
        const std::size_t at = base + reader.Offset();
        if (!reader.Bytes(4, id) || !reader.BigEndian32(length))
            return Refuse(whyNot, "holds %zu of the %u tracks its header counts",
                          read.tracks.size(), unsigned{trackCount});
        std::span<const std::uint8_t> chunk;
        if (!reader.Bytes(length, chunk))
            return Refuse(whyNot, "chunk \"%s\" at byte %zu claims %u bytes, but only %zu follow",
                          ChunkName(id).c_str(), at, length, reader.Remaining());
        if (!HasId(id, "MTrk")) continue;  // a kind of chunk we do not know: skipped
        TrackReader track(chunk, at + 8, read.tracks.size() + 1, eventCount, whyNot);
        if (!track.Read(read.tracks.emplace_back())) return false;
    }
    file = std::move(read);
    return true;
}

}  // namespace tarvel
