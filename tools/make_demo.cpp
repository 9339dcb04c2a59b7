// Composes the demo song, about a minute of A minor on chords, bass, two leads and General MIDI
// drums, and saves it as a song file:
//   tarvel-make-demo examples/demo.trv
//   tarvel-make-demo --empty new.trv   (a new, empty song instead)
// The output is the same on every run, so examples/demo.trv can be checked against it.
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

#include "document/FennoralDoc.h"

namespace tarvel {
namespace {

class ConsoleUi final : public UiHooks {
  public:
    void ShowMessage(const UserMessage& message) override {
        std::fprintf(stderr, "%s: %s\n", message.title.c_str(), message.text.c_str());
    }
    void InvalidateView() override {}
    void SelectProgram(int) override {}
    void ShowBpmText(int) override {}
    void RefreshPanel() override {}
    void WakeWindowThread() noexcept override {}
};

// Notes as the editor shows them: "C-5" is 60, "A#3" is 46 (the digit is note / 12).
constexpr int N(const char* name) {
    constexpr const char* kNames = "C-C#D-D#E-F-F#G-G#A-A#B-";
    int semitone = 0;
    while (kNames[2 * semitone] != name[0] || kNames[2 * semitone + 1] != name[1]) ++semitone;
    return (name[2] - '0') * 12 + semitone;
}

// Cell commands.
constexpr int kVolume = 0x07, kPan = 0x0A, kReverb = 0x5B;
constexpr int kGate = 0x80, kTempo = 0x90, kProgram = 0xB0, kDelay = 0xD0, kRetrigger = 0xE0;
constexpr int kSwing = 0x91, kChance = 0xC1, kHumanize = 0xC2, kRatchet = 0xE1;
constexpr int kNone = 0xFF;

// Tracks; track t plays on MIDI channel t.
constexpr int kChordTrack = 0, kBassTrack = 1, kLeadTrack = 2, kDoubleTrack = 3, kDrumTrack = 9;

// General MIDI drum notes.
constexpr int kKick = 36, kSnare = 38, kClap = 39, kClosedHat = 42, kOpenHat = 46, kCrash = 49;
constexpr int kLowTom = 45, kMidTom = 48, kHighTom = 50;

constexpr int kBar = 16;  // lines per bar: four beats of four lines

class Composer {
  public:
    explicit Composer(CFennoralDoc& doc) : doc_(doc) {}

    // Starts pattern `number`; the calls below write into it.
    Composer& Pattern(int number, const char* name) {
        current_ = number;
        doc_.SetPatternName(number, name);
        doc_.SetPatternLineCount(number, 64);
        return *this;
    }
    void Note(int line, int column, int note, int velocity = 0xFF, int command = kNone,
              int parameter = 0) {
        PatternCell& cell = doc_.song.patterns[current_].cells[line][column];
        cell = {static_cast<std::uint8_t>(note), static_cast<std::uint8_t>(velocity),
                static_cast<std::uint8_t>(command), static_cast<std::uint8_t>(parameter)};
    }
    void Off(int line, int column) { Note(line, column, kNoteOff); }
    void Command(int line, int column, int command, int parameter) {
        Note(line, column, kNoNote, 0xFF, command, parameter);
    }
    // Channel set-up at line 0 in the last columns: program, volume, pan, reverb.
    void Setup(int program, int volume, int pan, int reverb) {
        if (program >= 0) Command(0, 12, kProgram, program);
        Command(0, 13, kVolume, volume);
        Command(0, 14, kPan, pan);
        Command(0, 15, kReverb, reverb);
    }

    void Place(int row, int track, int pattern, int transpose = 0) {
        doc_.song.sequence[row][track] = {static_cast<std::uint8_t>(pattern),
                                          static_cast<std::int8_t>(transpose), 0};
    }

  private:
    CFennoralDoc& doc_;
    int current_ = 0;
};

// Patterns.
enum : int {
    kDrumsIntro,
    kDrumsGroove,
    kDrumsFill,
    kBassA,
    kChordsA,
    kLeadA,
    kLeadB,
    kBassB,
    kChordsB,
    kBassEnd,
    kDrumsOutro,
    kChordsEnd,
    kDrumsLift,
    kDrumsSwing,
};

// One bar of the main groove starting at `at`; `busy` adds ghost notes and an open hat.
void GrooveBar(Composer& c, int at, bool busy) {
    for (int line : {0, 6, 8}) c.Note(at + line, 0, kKick, line == 0 ? 120 : 100);
    if (busy) c.Note(at + 10, 0, kKick, 90);
    for (int line : {4, 12}) c.Note(at + line, 1, kSnare, 115);
    if (busy) c.Note(at + 15, 1, kSnare, 40);  // ghost
    for (int line = 0; line < kBar; line += 2)
        c.Note(at + line, 2, kClosedHat, line % 4 == 0 ? 90 : 60);
    if (busy) {
        c.Note(at + 14, 2, kOpenHat, 80);
        c.Note(at + 12, 3, kClap, 70);
    }
}

void ComposeDrums(Composer& c) {
    c.Pattern(kDrumsIntro, "Drums intro").Setup(-1, 110, 64, 40);
    c.Command(0, 12, kTempo, 125);  // the loop comes back here, so the tempo does too
    for (int bar = 0; bar < 4; ++bar) {
        const int at = bar * kBar;
        c.Note(at, 0, kKick, 110);
        if (bar >= 2) c.Note(at + 8, 0, kKick, 90);
        for (int line = 0; line < kBar; line += 4) c.Note(at + line + 2, 2, kClosedHat, 70);
    }
    c.Note(60, 1, kSnare, 70, kRetrigger);  // a short roll into the groove
    c.Note(62, 1, kSnare, 90, kRetrigger);

    c.Pattern(kDrumsGroove, "Drums groove");
    for (int bar = 0; bar < 4; ++bar) GrooveBar(c, bar * kBar, bar % 2 == 1);

    c.Pattern(kDrumsFill, "Drums groove + fill");
    for (int bar = 0; bar < 3; ++bar) GrooveBar(c, bar * kBar, bar == 1);
    const int toms[] = {kHighTom, kHighTom, kMidTom, kMidTom, kLowTom, kLowTom, kLowTom, kKick};
    for (int step = 0; step < 8; ++step) c.Note(48 + step * 2, 0, toms[step], 80 + step * 5);
    for (int line = 56; line < 64; ++line)  // snare roll: two hits per line
        c.Note(line, 1, kSnare, 50 + (line - 56) * 9, kRetrigger);

    c.Pattern(kDrumsLift, "Drums lift (tempo up)");
    c.Command(0, 12, kTempo, 132);
    c.Note(0, 4, kCrash, 120);
    for (int bar = 0; bar < 4; ++bar) {
        const int at = bar * kBar;
        c.Note(at, 0, kKick, 115);
        c.Note(at + 8, 1, kSnare, 110);
        for (int line = 0; line < kBar; line += 2)
            c.Note(at + line, 2, line % 4 == 2 ? kOpenHat : kClosedHat, 70, kGate);
    }

    // Swung, a little loose, with hi-hat ratchets and a fill that plays differently each time.
    c.Pattern(kDrumsSwing, "Drums swing (feel)");
    c.Command(0, 14, kSwing, 0x50);
    c.Command(0, 15, kHumanize, 0x30);
    for (int bar = 0; bar < 4; ++bar) {
        const int at = bar * kBar;
        GrooveBar(c, at, bar % 2 == 1);
        c.Note(at + 7, 2, kClosedHat, 55, kRatchet, bar == 3 ? 4 : 3);
    }
    for (int line = 48; line < 64; ++line)
        c.Note(line, 5, line % 2 ? kMidTom : kSnare, 60 + (line - 48) * 4, kChance, 0x70);

    c.Pattern(kDrumsOutro, "Drums outro");
    c.Note(0, 4, kCrash, 120);
    GrooveBar(c, 0, true);
    GrooveBar(c, kBar, false);
    c.Note(32, 0, kKick, 120);
    c.Note(32, 4, kCrash, 127);
}

// Roots of the two progressions, one bar each.
constexpr const char* kRootsA[] = {"A-3", "F-3", "C-3", "G-3"};  // Am F C G
constexpr const char* kRootsB[] = {"F-3", "G-3", "E-3", "A-3"};  // F G Em Am

void ComposeBass(Composer& c) {
    c.Pattern(kBassA, "Bass A").Setup(33, 115, 64, 20);
    for (int bar = 0; bar < 4; ++bar) {
        const int at = bar * kBar;
        const int root = N(kRootsA[bar]);
        c.Note(at, 0, root, 110);
        c.Note(at + 3, 0, root, 80, kGate);
        c.Note(at + 6, 0, root + 12, 90, kGate);
        c.Note(at + 8, 0, root, 100);
        c.Note(at + 11, 0, root + 7, 85, kGate);
        c.Note(at + 14, 0, root + 12, 95, kDelay);  // pushed half a line late
    }
    c.Note(60, 0, N("G-3"), 100, kGate);  // walk from G up to the A
    c.Note(62, 0, N("G#3"), 105, kGate);

    c.Pattern(kBassB, "Bass B");
    for (int bar = 0; bar < 4; ++bar) {
        const int at = bar * kBar;
        const int root = N(kRootsB[bar]);
        c.Note(at, 0, root, 115);
        c.Off(at + 6, 0);
        c.Note(at + 7, 0, root, 80, kDelay);
        c.Note(at + 10, 0, root + 12, 90, kGate);
        c.Note(at + 12, 0, root + 7, 100);
    }

    c.Pattern(kBassEnd, "Bass end");
    c.Note(0, 0, N("A-3"), 115);
    c.Note(16, 0, N("F-3"), 105);
    c.Note(24, 0, N("G-3"), 105);
    c.Note(32, 0, N("A-2"), 127);
    c.Off(48, 0);
}

void Chord(Composer& c, int line, std::initializer_list<const char*> notes, int velocity) {
    int column = 0;
    for (const char* note : notes) c.Note(line, column++, N(note), velocity);
}

void ChordOff(Composer& c, int line, int voices) {
    for (int column = 0; column < voices; ++column) c.Off(line, column);
}

void ComposeChords(Composer& c) {
    c.Pattern(kChordsA, "Chords A (Am F C G)").Setup(4, 90, 40, 70);
    const std::initializer_list<const char*> chordsA[] = {
        {"A-4", "C-5", "E-5"}, {"F-4", "A-4", "C-5"}, {"G-4", "C-5", "E-5"}, {"G-4", "B-4", "D-5"}};
    for (int bar = 0; bar < 4; ++bar) {
        const int at = bar * kBar;
        Chord(c, at, chordsA[bar], 85);
        ChordOff(c, at + 7, 3);
        Chord(c, at + 10, chordsA[bar], 65);  // the off-beat stab
        ChordOff(c, at + 14, 3);
    }

    c.Pattern(kChordsB, "Chords B (F G Em Am)").Setup(48, 85, 80, 90);
    const std::initializer_list<const char*> chordsB[] = {{"F-4", "A-4", "C-5", "E-5"},
                                                          {"G-4", "B-4", "D-5", "G-5"},
                                                          {"E-4", "G-4", "B-4", "E-5"},
                                                          {"E-4", "A-4", "C-5", "E-5"}};
    for (int bar = 0; bar < 4; ++bar) Chord(c, bar * kBar, chordsB[bar], 75);
    ChordOff(c, 63, 4);

    c.Pattern(kChordsEnd, "Chords end (fade)").Setup(4, 90, 40, 80);
    Chord(c, 0, {"A-4", "C-5", "E-5", "A-5"}, 90);
    for (int step = 1; step < 8; ++step) c.Command(step * 6, 13, kVolume, 90 - step * 11);
    ChordOff(c, 56, 4);
    c.Command(60, 13, kVolume, 90);  // back to full for the next time round
}

void ComposeLeads(Composer& c) {
    c.Pattern(kLeadA, "Lead A").Setup(80, 95, 70, 50);
    struct Step {
        int line;
        const char* note;
        int velocity;
        int command;
    };
    const Step leadA[] = {
        {0, "E-6", 100, kNone},       {4, "D-6", 85, kGate},   {6, "C-6", 90, kNone},
        {8, "A-5", 100, kNone},       {14, "C-6", 80, kDelay}, {16, "A-5", 95, kNone},
        {18, "C-6", 85, kNone},       {20, "D-6", 95, kNone},  {22, "C-6", 80, kGate},
        {24, "A-5", 90, kNone},       {28, "G-5", 85, kNone},  {30, "A-5", 90, kDelay},
        {32, "G-5", 95, kNone},       {34, "A-5", 85, kNone},  {36, "C-6", 95, kNone},
        {40, "E-6", 110, kRetrigger}, {44, "D-6", 90, kNone},  {46, "C-6", 80, kGate},
        {48, "D-6", 100, kNone},      {52, "B-5", 85, kNone},  {56, "D-6", 90, kNone},
        {58, "E-6", 100, kDelay},
    };
    for (const Step& s : leadA) c.Note(s.line, 0, N(s.note), s.velocity, s.command);
    c.Off(62, 0);

    c.Pattern(kLeadB, "Lead B (saw)").Setup(81, 90, 60, 60);
    const char* run[] = {"A-5", "C-6", "D-6", "E-6", "G-6", "E-6", "D-6", "C-6"};
    for (int bar = 0; bar < 4; ++bar) {
        const int at = bar * kBar;
        for (int step = 0; step < 8; ++step) {
            const int line = at + step * (bar == 3 ? 1 : 2);
            c.Note(line, 0, N(run[(step + bar * 2) % 8]), 70 + step * 4, step % 2 ? kGate : kNone);
        }
        c.Note(at + (bar == 3 ? 10 : 14), 0, N("A-6"), 110, kRetrigger);
    }
    c.Off(63, 0);
}

void Arrange(Composer& c) {
    // Rows of 64 lines; each section plays one pattern per track.
    struct Section {
        int chords, bass, lead, drums;
    };
    constexpr int kRest = -1;
    const Section sections[] = {
        {kChordsA, kRest, kRest, kDrumsIntro},    {kChordsA, kBassA, kRest, kDrumsGroove},
        {kChordsA, kBassA, kLeadA, kDrumsGroove}, {kChordsA, kBassA, kLeadB, kDrumsFill},
        {kChordsB, kBassB, kRest, kDrumsLift},    {kChordsB, kBassB, kLeadA, kDrumsSwing},
        {kChordsA, kBassA, kLeadB, kDrumsFill},   {kChordsEnd, kBassEnd, kRest, kDrumsOutro},
    };
    int row = 0;
    for (const Section& s : sections) {
        c.Place(row, kChordTrack, s.chords);
        if (s.bass != kRest) c.Place(row, kBassTrack, s.bass);
        if (s.lead != kRest) c.Place(row, kLeadTrack, s.lead);
        c.Place(row, kDrumTrack, s.drums);
        row += 64;
    }
    c.Place(5 * 64, kDoubleTrack, kLeadA, -12);  // the lead doubled an octave down
}

void ComposeDemo(CFennoralDoc& doc) {
    Song& song = doc.song;
    CopyText(song.header.author, "Tarvel Dev");
    CopyText(song.header.band, "The Pattern Makers");
    CopyText(song.header.date, "2024");
    CopyText(song.header.comments,
             "A minute in A minor, composed by tools/make_demo.cpp.\r\n"
             "Tracks: 0 chords, 1 bass, 2 lead, 3 lead an octave down, 9 drums.\r\n"
             "125 BPM, lifting to 132 halfway; rows 320-383 swing. Loops over rows 0 to 511.");
    const int programs[][2] = {
        {kChordTrack, 4}, {kBassTrack, 33}, {kLeadTrack, 80}, {kDoubleTrack, 80}};
    for (const auto& [track, program] : programs) song.channelProgram[track] = program;
    song.channelVelocity[kDrumTrack] = 110;

    Composer c(doc);
    ComposeDrums(c);
    ComposeBass(c);
    ComposeChords(c);
    ComposeLeads(c);
    Arrange(c);
    doc.SetBpm(125);
    doc.editor.loopStartRow = 0;
    doc.editor.loopEndRow = 8 * 64;
}

}  // namespace
}  // namespace tarvel

int main(int argc, char** argv) {
    const bool empty = argc == 3 && std::strcmp(argv[1], "--empty") == 0;
    if (argc != 2 && !empty) {
        std::fprintf(stderr, "usage: %s [--empty] song.trv\n", argv[0]);
        return 2;
    }
    tarvel::ConsoleUi ui;
    tarvel::NoMidiOut midi;
    auto doc = std::make_unique<tarvel::CFennoralDoc>(ui, midi, tarvel::DocOptions{false});
    if (!empty) {
        std::lock_guard lock(doc->mutex);
        tarvel::ComposeDemo(*doc);
    }
    const tarvel::Fallible<> saved = doc->SaveSong(argv[argc - 1]);
    if (!saved) std::fprintf(stderr, "%s\n", saved.failure().text.c_str());
    return saved ? 0 : 1;
}
