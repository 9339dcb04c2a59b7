#include "engine/MidiExport.h"

#include <array>
#include <cstdio>

namespace tarvel {
namespace {

constexpr std::uint32_t kSlowestTempo = 0xFFFFFF;  // microseconds per quarter note, three bytes

bool IsChannelMessage(const RenderedMessage& message) {
    return message.bytes[0] >= 0x80 && message.bytes[0] < 0xF0;
}

bool IsSystemCommon(std::uint8_t status) {
    return status == 0xF1 || status == 0xF2 || status == 0xF3 || status == 0xF6;
}

// A line's 24 ticks spread over the milliseconds it really lasts.
std::uint32_t TickOf(const RenderedPass& pass, const RenderedMessage& message) {
    const std::uint32_t lineStart = static_cast<std::uint32_t>(message.line) * kExportTicksPerLine;
    if (message.line >= pass.LineCount() || message.msInLine <= 0) return lineStart;
    const auto length = static_cast<std::uint64_t>(pass.LineLength(message.line));
    const auto ms = static_cast<std::uint64_t>(message.msInLine);
    return lineStart +
           static_cast<std::uint32_t>((2 * ms * kExportTicksPerLine + length) / (2 * length));
}

void AddTempo(MidiTrack& track, std::uint32_t tick, std::uint32_t microsPerQuarter) {
    const std::uint8_t bytes[3] = {static_cast<std::uint8_t>(microsPerQuarter >> 16),
                                   static_cast<std::uint8_t>(microsPerQuarter >> 8),
                                   static_cast<std::uint8_t>(microsPerQuarter)};
    track.AddMeta(tick, kMetaTempo, bytes);
}

// The conductor track: 4/4 (a bar is 16 lines) and a tempo wherever the line length changes.
bool AddTempoMap(const RenderedPass& pass, MidiTrack& conductor, std::string& whyNot) {
    const std::uint8_t fourFour[4] = {4, 2, 24, 8};
    conductor.AddMeta(0, kMetaTimeSignature, fourFour);
    int previous = -1;
    for (int line = 0; line < pass.LineCount(); ++line) {
        const int length = pass.LineLength(line);
        if (length == previous) continue;
        const std::uint64_t microsPerQuarter = 4000ull * static_cast<std::uint64_t>(length);
        if (microsPerQuarter > kSlowestTempo) {
            char text[160];
            std::snprintf(text, sizeof text,
                          "line %d lasts %d ms, longer than the slowest tempo a MIDI file holds",
                          line, length);
            whyNot = text;
            return false;
        }
        AddTempo(conductor, static_cast<std::uint32_t>(line) * kExportTicksPerLine,
                 static_cast<std::uint32_t>(microsPerQuarter));
        previous = length;
    }
    return true;
}

std::string TrackName(const Song& song, int program) {
    const char(&name)[kNameSize] = song.patchNames[program & 0x7F];
    return std::string(name, BoundedLength(name));
}

}  // namespace

bool MidiFileOfPass(const Song& song, const RenderedPass& pass, MidiFileData& file,
                    MidiExportReport& report, std::string& whyNot) {
    MidiFileData out{.format = 1, .division = kExportTicksPerQuarter, .tracks = {{}}};
    report = {};
    if (!AddTempoMap(pass, out.tracks[0], whyNot)) return false;

    // Each channel that sends anything gets a track, in channel order.
    std::array<int, kTrackCount> trackOf{};
    for (const RenderedMessage& message : pass.messages)
        if (IsChannelMessage(message)) trackOf[message.bytes[0] & 0x0F] = 1;
    for (int channel = 0; channel < kTrackCount; ++channel) {
        if (!trackOf[channel]) continue;
        trackOf[channel] = static_cast<int>(out.tracks.size());
        MidiTrack& track = out.tracks.emplace_back();
        const int program = pass.programs[channel] & 0x7F;
        std::string name = TrackName(song, program);
        if (name.empty()) name = "Channel " + std::to_string(channel + 1);
        track.AddMeta(0, kMetaTrackName,
                      {reinterpret_cast<const std::uint8_t*>(name.data()), name.size()});
        track.AddMessage(0, static_cast<std::uint8_t>(0xC0 | channel),
                         static_cast<std::uint8_t>(program));
    }

    for (const RenderedMessage& message : pass.messages) {
        const std::uint32_t tick = TickOf(pass, message);
        const std::uint8_t status = message.bytes[0];
        if (IsChannelMessage(message)) {
            out.tracks[trackOf[status & 0x0F]].AddMessage(tick, status, message.bytes[1],
                                                          message.bytes[2]);
        } else if (IsSystemCommon(status)) {
            out.tracks[0].AddSysEx(tick, kSysExEscape, {message.bytes, message.length});
        } else if (status >= 0xF8) {
            ++report.realTimeMessages;
        } else {
            ++report.undefinedSystemMessages;
        }
    }

    // Every track lasts the whole pass, so players give the song its full length.
    const std::uint32_t end = static_cast<std::uint32_t>(pass.LineCount()) * kExportTicksPerLine;
    for (MidiTrack& track : out.tracks) track.AddMeta(end, kMetaEndOfTrack, {});
    file = std::move(out);
    return true;
}

bool ExportSongAsMidi(const Song& song, int loopEndRow, MidiFileData& file,
                      MidiExportReport& report, std::string& whyNot) {
    RenderedPass pass;
    return RenderSongPass(song, loopEndRow, pass, whyNot) &&
           MidiFileOfPass(song, pass, file, report, whyNot);
}

std::string MidiExportNotice(const MidiExportReport& report) {
    const auto counted = [](int count, const char* what) {
        return std::to_string(count) + " " + what + (count == 1 ? " message" : " messages");
    };
    std::string lost;
    if (report.realTimeMessages > 0) lost = counted(report.realTimeMessages, "real-time");
    if (report.undefinedSystemMessages > 0)
        lost += (lost.empty() ? "" : " and ") +
                counted(report.undefinedSystemMessages, "undefined system");
    return lost.empty() ? "" : lost + " could not be stored in a MIDI file.";
}

}  // namespace tarvel
