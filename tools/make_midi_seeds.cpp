// Writes a few small MIDI files into a folder, each showing the reader and the importer
// something different, to start the MIDI file fuzz target from:
//   tarvel-make-midi-seeds build-fuzz/midi-corpus
// The files are the same on every run.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/SafeFile.h"
#include "song/MidiFile.h"

namespace tarvel {
namespace {

using Bytes = std::vector<std::uint8_t>;

void AddNote(MidiTrack& track, int channel, int key, std::uint32_t on, std::uint32_t length) {
    track.AddMessage(on, static_cast<std::uint8_t>(0x90 | channel), key, 100);
    track.AddMessage(on + length, static_cast<std::uint8_t>(0x90 | channel), key, 0);
}

void SortByTick(MidiTrack& track) {
    std::stable_sort(track.events.begin(), track.events.end(),
                     [](const MidiEvent& a, const MidiEvent& b) { return a.tick < b.tick; });
}

// One track: a tempo, a meter, a name and a melody in running status.
MidiFileData Melody() {
    MidiFileData file{.format = 0, .division = 96, .tracks = {{}}};
    MidiTrack& track = file.tracks[0];
    track.AddMeta(0, kMetaTrackName, Bytes{'T', 'u', 'n', 'e'});
    track.AddMeta(0, kMetaTempo, Bytes{0x07, 0xA1, 0x20});
    track.AddMeta(0, kMetaTimeSignature, Bytes{3, 2, 24, 8});
    const int keys[] = {60, 62, 64, 65, 67, 65, 64, 62};
    for (int i = 0; i < 8; ++i) AddNote(track, 0, keys[i], i * 48u, 40);
    SortByTick(track);
    return file;
}

// Several tracks and every kind of event: programs, controllers, pitch bend, aftertouch, SysEx
// whole and in parts, a long meta event, a tempo change, and chords of 18 notes.
MidiFileData Band() {
    MidiFileData file{.format = 1, .division = 480, .tracks = {{}, {}, {}}};
    file.tracks[0].AddMeta(0, kMetaTempo, Bytes{0x09, 0x27, 0xC0});
    file.tracks[0].AddMeta(1920, kMetaTempo, Bytes{0x06, 0x1A, 0x80});
    file.tracks[0].AddSysEx(0, kSysExStart, Bytes{0x7E, 0x7F, 0x09, 0x01, 0xF7});
    file.tracks[0].AddSysEx(10, kSysExStart, Bytes{0x43, 0x10});
    file.tracks[0].AddSysEx(20, kSysExEscape, Bytes{0x4C, 0xF7});
    file.tracks[0].AddMeta(30, 0x01, Bytes(300, 'x'));
    MidiTrack& piano = file.tracks[1];
    piano.AddMeta(0, kMetaTrackName, Bytes{'P', 'i', 'a', 'n', 'o'});
    piano.AddMessage(0, 0xC1, 4);
    for (std::uint8_t controller : {7, 10, 64, 1}) piano.AddMessage(0, 0xB1, controller, 64);
    for (int key = 40; key < 58; ++key) AddNote(piano, 1, key, 0, 960);
    piano.AddMessage(480, 0xE1, 0, 80);
    piano.AddMessage(500, 0xA1, 40, 30);
    piano.AddMessage(520, 0xD1, 50);
    piano.AddMessage(1000, 0xC1, 5);
    SortByTick(piano);
    MidiTrack& drums = file.tracks[2];
    for (std::uint32_t beat = 0; beat < 16; ++beat)
        AddNote(drums, 9, beat % 2 ? 38 : 36, beat * 480, 10);
    SortByTick(drums);
    return file;
}

// SMPTE time, 25 frames of 40 ticks a second.
MidiFileData Smpte() {
    MidiFileData file{.format = 0, .division = 0xE728, .tracks = {{}}};
    for (int i = 0; i < 4; ++i) AddNote(file.tracks[0], 3, 50 + i, i * 500u, 250);
    SortByTick(file.tracks[0]);
    return file;
}

// A RIFF "RMID" file around a Standard MIDI File.
Bytes InRiff(const Bytes& midi) {
    const auto size = static_cast<std::uint32_t>(midi.size());
    const auto little = [](std::uint32_t n) {
        return Bytes{std::uint8_t(n), std::uint8_t(n >> 8), std::uint8_t(n >> 16),
                     std::uint8_t(n >> 24)};
    };
    Bytes riff = {'R', 'I', 'F', 'F'};
    for (const Bytes& part :
         {little(size + 12), Bytes{'R', 'M', 'I', 'D', 'd', 'a', 't', 'a'}, little(size), midi})
        riff.insert(riff.end(), part.begin(), part.end());
    return riff;
}

}  // namespace
}  // namespace tarvel

int main(int argc, char** argv) {
    using namespace tarvel;
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s folder\n", argv[0]);
        return 2;
    }
    const std::pair<const char*, Bytes> seeds[] = {
        {"melody.mid", WriteMidiFile(Melody())},
        {"band.mid", WriteMidiFile(Band())},
        {"smpte.mid", WriteMidiFile(Smpte())},
        {"melody.rmi", InRiff(WriteMidiFile(Melody()))},
    };
    for (const auto& [name, bytes] : seeds) {
        std::string whyNot;
        if (!ReplaceFile(std::string(argv[1]) + "/" + name, bytes, whyNot)) {
            std::fprintf(stderr, "%s: %s\n", name, whyNot.c_str());
            return 1;
        }
    }
    return 0;
}
