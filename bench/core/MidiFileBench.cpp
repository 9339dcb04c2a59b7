#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "song/MidiImport.h"
#include "song/SongOps.h"

namespace tarvel {
namespace {

constexpr std::uint16_t kTicksPerQuarter = 480;
constexpr std::uint32_t kTicksPerLine = kTicksPerQuarter / 4;

// About a megabyte of MIDI: 16 channels, each with a note every other line over the whole
// sequencer grid, three lines long, another every eight lines, and a volume change every bar. Each
// channel's riff repeats every 64 lines, so the song fits its patterns and the import does all of
// its work.
MidiFileData BusyFile() {
    MidiFileData file{.format = 1, .division = kTicksPerQuarter, .tracks = {}};
    file.tracks.resize(kTrackCount);
    for (int channel = 0; channel < kTrackCount; ++channel) {
        MidiTrack& track = file.tracks[channel];
        const auto status = static_cast<std::uint8_t>(0x90 | channel);
        for (std::uint32_t line = channel % 2; line < kSequenceRows; line += 2) {
            const std::uint32_t tick = line * kTicksPerLine;
            if (line % 16 < 2) track.AddMessage(tick, 0xB0 | channel, 7, line % 128);
            const auto key = static_cast<std::uint8_t>(36 + channel + line / 2 % 32);
            track.AddMessage(tick, status, key, 100);
            track.AddMessage(tick + 3 * kTicksPerLine - 1, status, key, 0);
            if (line % 8 < 2) {  // and an octave above, for six lines
                track.AddMessage(tick, status, key + 12, 90);
                track.AddMessage(tick + 6 * kTicksPerLine, status, key + 12, 0);
            }
        }
        std::stable_sort(track.events.begin(), track.events.end(),
                         [](const MidiEvent& a, const MidiEvent& b) { return a.tick < b.tick; });
    }
    return file;
}

// What the user waits for when opening a MIDI file: reading it and making the song.
void BM_ReadAndImportMidiFile(benchmark::State& state) {
    const std::vector<std::uint8_t> bytes = WriteMidiFile(BusyFile());
    auto newSong = std::make_unique<Song>();
    MakeNewSong(*newSong);
    auto song = std::make_unique<Song>();
    MidiImportReport report;
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(song.get(), newSong.get(), sizeof(Song));
        state.ResumeTiming();
        MidiFileData file;
        std::string whyNot;
        if (!ReadMidiFile(bytes, file, whyNot)) state.SkipWithError(whyNot.c_str());
        report = ImportMidiFile(file, *song);
    }
    state.counters["file_bytes"] = static_cast<double>(bytes.size());
    state.counters["notes"] = report.notes;
    state.counters["dropped"] = report.Dropped();
    state.counters["patterns"] = report.patterns;
}
BENCHMARK(BM_ReadAndImportMidiFile)->Unit(benchmark::kMillisecond);

void BM_ReadMidiFile(benchmark::State& state) {
    const std::vector<std::uint8_t> bytes = WriteMidiFile(BusyFile());
    for (auto _ : state) {
        MidiFileData file;
        std::string whyNot;
        benchmark::DoNotOptimize(ReadMidiFile(bytes, file, whyNot));
    }
}
BENCHMARK(BM_ReadMidiFile)->Unit(benchmark::kMillisecond);

// What an export costs once the events are made.
void BM_WriteMidiFile(benchmark::State& state) {
    const MidiFileData file = BusyFile();
    std::size_t size = 0;
    for (auto _ : state) size = WriteMidiFile(file).size();
    state.counters["file_bytes"] = static_cast<double>(size);
}
BENCHMARK(BM_WriteMidiFile)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarvel
