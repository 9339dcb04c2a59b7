#include "song/MidiImport.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "song/CellCommandValues.h"
#include "song/Tempo.h"

namespace tarvel {
namespace {

constexpr int kFewestPatternLines = 16;
constexpr int kMidiDefaultBpm = 120;          // a file without a tempo plays at this
constexpr int kSlowestBpmCell = kSlowestBpm;  // a Set BPM cell refuses less
constexpr int kFastestBpmCell = 0xFF;         // and holds no more in its byte
constexpr std::uint8_t kUnplaced = 0xFF;      // a command's column before it has one
constexpr std::size_t kNameLimit = 30;        // as the pattern and patch name boxes take them

int LineDurationOf(int bpm) {
    return LineDurationOfBpm(std::clamp(bpm, kSlowestBpm, kFastestBpm));
}

// Microseconds per quarter note to BPM, to the nearest.
int BpmOf(std::uint32_t microsPerQuarter) {
    return microsPerQuarter == 0
               ? kFastestBpm
               : static_cast<int>((60'000'000u + microsPerQuarter / 2) / microsPerQuarter);
}

// Ticks to lines: line = round(tick * lines / ticks).
struct LineScale {
    std::uint64_t lines;
    std::uint64_t ticks;
    bool smpte;
};

LineScale ScaleOf(std::uint16_t division) {
    if (division & 0x8000) {
        // SMPTE time counts ticks per second and knows no beat: take 120 BPM, 8 lines a second.
        const std::uint64_t framesPerSecond = 256u - (division >> 8);
        return {8, std::max<std::uint64_t>(framesPerSecond * (division & 0xFF), 1), true};
    }
    return {4, std::max<std::uint64_t>(division, 1), false};  // 0 only in a model made by hand
}

struct EventRef {
    std::uint32_t tick;
    std::uint32_t track;
    std::uint32_t index;

    bool operator<(const EventRef& other) const {
        if (tick != other.tick) return tick < other.tick;
        return track != other.track ? track < other.track : index < other.index;
    }
};

// Every event of every track in the order they sound; ties in track order. Each track is in
// tick order already (unless made by hand), so merging them pairwise is enough.
std::vector<EventRef> Timeline(const MidiFileData& file) {
    std::size_t count = 0;
    for (const MidiTrack& track : file.tracks) count += track.events.size();
    std::vector<EventRef> timeline;
    timeline.reserve(count);
    std::vector<std::size_t> ends = {0};  // of each run of events in order
    for (std::uint32_t t = 0; t < file.tracks.size(); ++t) {
        for (std::uint32_t i = 0; i < file.tracks[t].events.size(); ++i)
            timeline.push_back({file.tracks[t].events[i].tick, t, i});
        const auto begin = timeline.begin() + static_cast<std::ptrdiff_t>(ends.back());
        if (!std::is_sorted(begin, timeline.end())) std::sort(begin, timeline.end());
        ends.push_back(timeline.size());
    }
    while (ends.size() > 2) {
        std::vector<std::size_t> merged = {0};
        for (std::size_t i = 2; i < ends.size(); i += 2) {
            const auto at = [&](std::size_t end) {
                return timeline.begin() + static_cast<std::ptrdiff_t>(ends[end]);
            };
            std::inplace_merge(at(i - 2), at(i - 1), at(i));
            merged.push_back(ends[i]);
        }
        if (ends.size() % 2 == 0) merged.push_back(ends.back());  // an odd run out
        ends = std::move(merged);
    }
    return timeline;
}

struct Note {
    int start;              // line
    int end;                // the line of its note-off, -1 while it sounds
    std::int32_t nextOpen;  // the next note of the same channel and key waiting for a note-off
    std::uint8_t channel;
    std::uint8_t key;
    std::uint8_t velocity;
};

// A note that found its column.
struct PlacedNote {
    int start;
    int end;  // the line of its note-off, which may lie past the grid
    std::uint8_t channel;
    std::uint8_t column;
};

// A stretch laid into the song: its row, the patterns made before it, its writes and its notes.
struct LaidStretch {
    int row;
    std::size_t madeBefore;
    std::size_t begin;
    std::size_t end;
    int notes;
};

enum class WriteKind : std::uint8_t { NoteOn, NoteOff, Command };

// One thing to write into a cell of the song's time line (row = line).
struct CellWrite {
    int line;
    WriteKind kind;
    std::uint8_t channel;
    std::uint8_t column;
    std::uint8_t value;   // note or command
    std::uint8_t amount;  // velocity or parameter
};

// A tempo after the file's first, as the BPM of a Set BPM cell (not yet kept within its range).
struct TempoChange {
    int line;
    int bpm;
};

// One channel's command fields on the line being filled. The player runs a line's cells column
// by column, each cell's command before its note, so a command that came after notes of its
// line goes right of their columns where it can: it is sent after them, as in the file.
struct CommandColumns {
    int line = -1;
    std::uint16_t taken = 0;  // a bit for each command field in use
    int afterNotes = 0;       // the column after those of the notes started on the line so far
    std::array<std::size_t, kTrackCount> writeOf{};  // the write in each field taken

    void StartLine(int next) {
        if (line == next) return;
        line = next;
        taken = 0;
        afterNotes = 0;
    }
};

// The first field free in `taken` from column `from` on, or kTrackCount.
int FirstFree(std::uint16_t taken, int from) {
    const unsigned free = ~static_cast<unsigned>(taken) & 0xFFFFu & (0xFFFFu << from);
    return free == 0 ? kTrackCount : std::countr_zero(free);
}

// Tells patterns apart before they are compared, a word at a time.
std::uint64_t HashOf(const Pattern& pattern, int lines) {
    static_assert(sizeof pattern.cells[0] % sizeof(std::uint64_t) == 0);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(pattern.cells);
    std::uint64_t hash = 0;
    for (std::size_t at = 0; at < lines * sizeof pattern.cells[0]; at += sizeof hash) {
        std::uint64_t word;
        std::memcpy(&word, bytes + at, sizeof word);
        hash = (hash ^ word) * 0x9E3779B97F4A7C15ull;
        hash ^= hash >> 29;
    }
    return hash;
}

class MidiImporter {
  public:
    MidiImporter(const MidiFileData& file, Song& song, int patternLines)
        : file_(file), song_(song), lines_(patternLines), scale_(ScaleOf(file.division)) {
        for (auto& keys : openHead_) keys.fill(-1);
        for (auto& keys : openTail_) keys.fill(-1);
    }

    MidiImportReport Run() {
        song_.lineDuration = LineDurationOf(kMidiDefaultBpm);
        ReadEvents();
        AssignColumns();
        PlaceTempos();
        LayOutPatterns();
        NameTracks();
        return report_;
    }

  private:
    int LineOf(std::uint32_t tick) const {
        const std::uint64_t line = (tick * scale_.lines + scale_.ticks / 2) / scale_.ticks;
        return static_cast<int>(std::min<std::uint64_t>(line, kSequenceRows));
    }

    void ReadEvents() {
        int lastLine = 0;
        for (const EventRef& ref : Timeline(file_)) {
            const MidiTrack& track = file_.tracks[ref.track];
            const MidiEvent& event = track.events[ref.index];
            const int line = LineOf(event.tick);
            lastLine = std::max(lastLine, line);
            if (event.status == kMetaEvent) {
                TakeMeta(event.data1, track.DataOf(event), line);
            } else if (event.status == kSysExStart || event.status == kSysExEscape) {
                ++report_.sysExes;
            } else if (event.status >= 0x80 && event.status < 0xF0) {
                TakeChannelMessage(event, line);
            }
        }
        // Notes never released end with the song; every note lasts at least its own line.
        for (Note& note : notes_) {
            if (note.end < 0) note.end = lastLine;
            note.end = std::max(note.end, note.start + 1);
        }
    }

    void TakeChannelMessage(const MidiEvent& event, int line) {
        const int channel = event.status & 0x0F;
        const std::uint8_t data1 = event.data1 & 0x7F;
        const std::uint8_t data2 = event.data2 & 0x7F;
        switch (event.status & 0xF0) {
            case 0x90:
                if (data2 > 0) {
                    NoteOn(channel, data1, data2, line);
                    break;
                }
                [[fallthrough]];  // velocity 0 is a note-off
            case 0x80:
                NoteOff(channel, data1, line);
                break;
            case 0xB0:
                AddCommand(channel, data1, data2, line);  // a cell's commands 0..127
                break;
            case 0xC0:
                if (!programSet_[channel]) {
                    programSet_[channel] = true;
                    song_.channelProgram[channel] = data1;
                } else {
                    AddCommand(channel, cell::kProgramChange, data1, line);
                }
                break;
            case 0xE0:
                ++report_.pitchBends;
                break;
            default:
                ++report_.aftertouches;  // 0xA0 polyphonic, 0xD0 channel
                break;
        }
    }

    void TakeMeta(std::uint8_t type, std::span<const std::uint8_t> data, int line) {
        if (type == kMetaTempo && data.size() >= 3 && !scale_.smpte) {
            const int bpm = BpmOf(data[0] << 16 | data[1] << 8 | data[2]);
            if (tempoSeen_) {
                tempoChanges_.push_back({line, bpm});
            } else {
                // The first sets the song's tempo, wherever it stands.
                tempoSeen_ = true;
                firstBpm_ = bpm;
                song_.lineDuration = LineDurationOf(bpm);
            }
        } else if (type == kMetaTimeSignature && data.size() >= 2 && !meterSeen_) {
            // A bar of n 1/2^d notes: n * 16 / 2^d lines, where that is a whole number.
            meterSeen_ = true;
            const int numerator = data[0];
            const int denominatorPower = data[1];
            if (denominatorPower <= 4 && numerator > 0 &&
                (numerator * 16) % (1 << denominatorPower) == 0)
                linesPerBar_ = numerator * 16 >> denominatorPower;
        }
    }

    // A note-off ends the earliest note of its key still sounding on its channel.
    void NoteOn(int channel, std::uint8_t key, std::uint8_t velocity, int line) {
        const auto index = static_cast<std::int32_t>(notes_.size());
        notes_.push_back({line, -1, -1, static_cast<std::uint8_t>(channel), key, velocity});
        std::int32_t& tail = openTail_[channel][key];
        (tail >= 0 ? notes_[tail].nextOpen : openHead_[channel][key]) = index;
        tail = index;
    }

    void NoteOff(int channel, std::uint8_t key, int line) {
        std::int32_t& head = openHead_[channel][key];
        if (head < 0) return;  // nothing of that key sounds
        Note& note = notes_[head];
        note.end = line;
        head = note.nextOpen;
        if (head < 0) openTail_[channel][key] = -1;
    }

    void AddCommand(int channel, std::uint8_t command, std::uint8_t parameter, int line) {
        if (line >= kSequenceRows) {
            ++report_.pastGrid;
            return;
        }
        writes_.push_back({line, WriteKind::Command, static_cast<std::uint8_t>(channel), kUnplaced,
                           command, parameter});
        notesBefore_.push_back(notes_.size());
    }

    // Each note takes the first column of its channel that is free when it starts; the commands,
    // taken in turn with the notes as the file has them, take the command fields of their line.
    void AssignColumns() {
        const std::size_t commands = writes_.size();  // all ReadEvents wrote
        std::array<std::array<int, kTrackCount>, kTrackCount> busyUntil{};
        std::array<CommandColumns, kTrackCount> lines;
        std::size_t command = 0;
        for (std::size_t n = 0; n <= notes_.size(); ++n) {
            for (; command < commands && notesBefore_[command] <= n; ++command)
                PlaceCommand(command, lines[writes_[command].channel]);
            if (n == notes_.size()) break;
            const Note& note = notes_[n];  // in the order they start
            if (note.start >= kSequenceRows) {
                ++report_.pastGrid;
                continue;
            }
            auto& columns = busyUntil[note.channel];
            const auto free = std::find_if(columns.begin(), columns.end(),
                                           [&](int until) { return until <= note.start; });
            if (free == columns.end()) {
                ++report_.tooManyAtOnce;
                continue;
            }
            *free = note.end;
            const auto column = static_cast<std::uint8_t>(free - columns.begin());
            CommandColumns& line = lines[note.channel];
            line.StartLine(note.start);
            line.afterNotes = std::max(line.afterNotes, column + 1);
            placed_.push_back({note.start, note.end, note.channel, column});
            writes_.push_back(
                {note.start, WriteKind::NoteOn, note.channel, column, note.key, note.velocity});
            if (note.end < kSequenceRows)
                writes_.push_back({note.end, WriteKind::NoteOff, note.channel, column, 0, 0});
        }
        std::erase_if(writes_, [](const CellWrite& write) { return write.column == kUnplaced; });
    }

    // A command takes a free field of its line, right of the notes that came before it where it
    // can. With none free, a later value of a command already on the line replaces the earlier
    // (the line sends both at once, so the later one is what stays); anything else is dropped.
    void PlaceCommand(std::size_t index, CommandColumns& line) {
        CellWrite& write = writes_[index];
        line.StartLine(write.line);
        int column = FirstFree(line.taken, line.afterNotes);
        if (column == kTrackCount) column = FirstFree(line.taken, 0);
        if (column < kTrackCount) {
            line.taken |= static_cast<std::uint16_t>(1u << column);
            line.writeOf[column] = index;
            write.column = static_cast<std::uint8_t>(column);
            return;
        }
        for (const std::size_t earlier : line.writeOf)
            if (writes_[earlier].value == write.value) {
                writes_[earlier].amount = write.amount;
                return;
            }
        ++report_.otherControllers;
    }

    // The tempo changes become Set BPM cells, the last of a line winning: each in a command field
    // left free, on a track that has a pattern in its stretch where one has a field free.
    void PlaceTempos() {
        std::vector<TempoChange> cells;
        int playing = firstBpm_;
        for (std::size_t i = 0; i < tempoChanges_.size(); ++i) {
            const TempoChange change = tempoChanges_[i];
            if (i + 1 < tempoChanges_.size() && tempoChanges_[i + 1].line == change.line) continue;
            if (change.bpm == playing) continue;
            if (change.bpm < kSlowestBpmCell || change.bpm > kFastestBpmCell) {
                ++report_.laterTempos;
            } else if (change.line >= kSequenceRows) {
                ++report_.pastGrid;
            } else {
                cells.push_back(change);
                playing = change.bpm;
            }
        }
        if (cells.empty()) return;
        // A loop comes back to row 0 at the tempo it left: there it starts at the first again.
        const int firstBpm = std::max(firstBpm_, kSlowestBpmCell);
        const bool resetAtRow0 = cells.front().line > 0 && firstBpm <= kFastestBpmCell;
        if (resetAtRow0) cells.insert(cells.begin(), {0, firstBpm});

        std::vector<std::array<std::uint16_t, kTrackCount>> taken(cells.size());
        std::vector<std::uint16_t> channelsOfStretch(kSequenceRows / lines_ + 1);
        for (const CellWrite& write : writes_) {
            channelsOfStretch[write.line / lines_] |=
                static_cast<std::uint16_t>(1u << write.channel);
            if (write.kind != WriteKind::Command) continue;
            const auto at = std::lower_bound(
                cells.begin(), cells.end(), write.line,
                [](const TempoChange& cell, int line) { return cell.line < line; });
            if (at != cells.end() && at->line == write.line)
                taken[at - cells.begin()][write.channel] |=
                    static_cast<std::uint16_t>(1u << write.column);
        }
        for (std::size_t i = 0; i < cells.size(); ++i) {
            const int line = cells[i].line;
            int channel = kTrackCount;
            for (const bool inStretch : {true, false})
                for (int c = 0; c < kTrackCount && channel == kTrackCount; ++c)
                    if ((!inStretch || (channelsOfStretch[line / lines_] >> c & 1)) &&
                        FirstFree(taken[i][c], 0) < kTrackCount)
                        channel = c;
            if (channel == kTrackCount) {
                if (!(resetAtRow0 && i == 0)) ++report_.laterTempos;
                continue;
            }
            writes_.push_back({line, WriteKind::Command, static_cast<std::uint8_t>(channel),
                               static_cast<std::uint8_t>(FirstFree(taken[i][channel], 0)),
                               cell::kSetBpm, static_cast<std::uint8_t>(cells[i].bpm)});
        }
    }

    static void Write(Pattern& pattern, int line, const CellWrite& write) {
        auto& cells = pattern.cells[line];
        switch (write.kind) {
            case WriteKind::NoteOn:
                cells[write.column].note = write.value;  // also over the last note's note-off
                cells[write.column].velocity = write.amount;
                break;
            case WriteKind::NoteOff:
                if (cells[write.column].note == kNoNote) cells[write.column].note = kNoteOff;
                break;
            case WriteKind::Command:
                cells[write.column].command = write.value;
                cells[write.column].parameter = write.amount;
                break;
        }
    }

    // Stretch by stretch of one pattern's length: each channel's cells of the stretch become a
    // pattern, shared with an earlier stretch that is the same, until the patterns run out.
    void LayOutPatterns() {
        std::stable_sort(writes_.begin(), writes_.end(),
                         [](const CellWrite& a, const CellWrite& b) { return a.line < b.line; });
        stretch_.resize(kTrackCount);
        for (Pattern& pattern : stretch_) MakeEmptyPattern(pattern);

        std::size_t next = 0;
        for (int row = 0; next < writes_.size(); row += lines_) {
            std::size_t end = next;
            while (end < writes_.size() && writes_[end].line < row + lines_) ++end;
            if (!LayStretch(row, next, end, {})) {
                cutByPatterns_ = true;
                CountDropped(next, writes_.size());
                break;
            }
            next = end;
        }
        EndNotesAtTheCut();
        report_.patterns = static_cast<int>(hashes_.size());
        report_.endRow = laid_.empty() ? 0 : std::min(laid_.back().row + lines_, kSequenceRows);
    }

    // Where the song is cut short (the patterns ran out, or a note-off lies past the grid), notes
    // laid before the cut would sound on: their note-offs went with what was cut. The last
    // stretch ends them on its last line. Should that take one pattern more than there are, that
    // stretch goes too, and the one before ends what sounds at its end.
    void EndNotesAtTheCut() {
        while (!laid_.empty()) {
            const LaidStretch last = laid_.back();
            const int cut = std::min(last.row + lines_, kSequenceRows);
            std::vector<PlacedNote> sounding;
            for (const PlacedNote& note : placed_)
                if (note.start < cut && note.end >= cut) sounding.push_back(note);
            if (sounding.empty()) return;
            Unlay(last);
            if (LayStretch(last.row, last.begin, last.end, sounding)) return;
            cutByPatterns_ = true;
            CountDropped(last.begin, last.end);
        }
    }

    // Lays the stretch at `row` from writes [begin, end) and ends the `sounding` notes on its
    // last line. False, with nothing laid, when its patterns would be more than there are.
    bool LayStretch(int row, std::size_t begin, std::size_t end,
                    const std::vector<PlacedNote>& sounding) {
        std::array<bool, kTrackCount> used{};
        for (Pattern& pattern : stretch_)
            std::fill_n(&pattern.cells[0][0], lines_ * kTrackCount, kEmptyCell);
        int notes = 0;
        for (std::size_t i = begin; i < end; ++i) {
            const CellWrite& write = writes_[i];
            used[write.channel] = true;
            Write(stretch_[write.channel], write.line - row, write);
            notes += write.kind == WriteKind::NoteOn;
        }
        const int lastLine = std::min(lines_, kSequenceRows - row) - 1;
        int startingAtTheCut = 0;  // a note-off takes their place: they never sound
        for (const PlacedNote& note : sounding) {
            used[note.channel] = true;
            PatternCell& cell = stretch_[note.channel].cells[lastLine][note.column];
            startingAtTheCut += note.start == row + lastLine;
            cell.note = kNoteOff;
            cell.velocity = kDefaultVelocity;
        }

        std::array<int, kTrackCount> chosen;
        if (ChoosePatterns(used, chosen) > kPatternCount) return false;
        const std::size_t madeBefore = hashes_.size();
        for (int channel = 0; channel < kTrackCount; ++channel) {
            if (!used[channel]) continue;
            const int number = chosen[channel];
            if (number == static_cast<int>(hashes_.size())) {
                MakePattern(song_.patterns[number], stretch_[channel], channel, row);
                hashes_.push_back(stretchHashes_[channel]);
            }
            song_.sequence[row][channel].pattern = static_cast<std::uint8_t>(number);
            song_.sequence[row][channel].transpose = 0;
        }
        (cutByPatterns_ ? report_.patternsFull : report_.pastGrid) += startingAtTheCut;
        notes -= startingAtTheCut;
        report_.notes += notes;
        laid_.push_back({row, madeBefore, begin, end, notes});
        return true;
    }

    // Takes the last stretch laid back out of the song.
    void Unlay(const LaidStretch& stretch) {
        for (SequenceSlot& slot : song_.sequence[stretch.row]) slot = {kEmptySlot, 0, 0};
        for (std::size_t p = stretch.madeBefore; p < hashes_.size(); ++p)
            MakeEmptyPattern(song_.patterns[p]);
        hashes_.resize(stretch.madeBefore);
        report_.notes -= stretch.notes;
        laid_.pop_back();
    }

    void CountDropped(std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i)
            if (writes_[i].kind != WriteKind::NoteOff) ++report_.patternsFull;
    }

    // The pattern each used channel's stretch gets: an equal one made before, or a new one
    // numbered on from those. Returns how many patterns there would be then.
    int ChoosePatterns(const std::array<bool, kTrackCount>& used,
                       std::array<int, kTrackCount>& chosen) {
        const int madeBefore = static_cast<int>(hashes_.size());
        int made = madeBefore;
        for (int channel = 0; channel < kTrackCount; ++channel) {
            if (!used[channel]) continue;
            const Pattern& cells = stretch_[channel];
            const std::uint64_t hash = stretchHashes_[channel] = HashOf(cells, lines_);
            chosen[channel] = -1;
            for (int p = 0; p < madeBefore && chosen[channel] < 0; ++p)
                if (hashes_[p] == hash && SameCells(song_.patterns[p], cells)) chosen[channel] = p;
            for (int earlier = 0; earlier < channel && chosen[channel] < 0; ++earlier)
                if (used[earlier] && chosen[earlier] >= madeBefore &&
                    stretchHashes_[earlier] == hash && SameCells(stretch_[earlier], cells))
                    chosen[channel] = chosen[earlier];
            if (chosen[channel] < 0) chosen[channel] = made++;
        }
        return made;
    }

    bool SameCells(const Pattern& a, const Pattern& b) const {
        return std::memcmp(a.cells, b.cells, lines_ * sizeof a.cells[0]) == 0;
    }

    void MakePattern(Pattern& pattern, const Pattern& cells, int channel, int row) const {
        std::memcpy(pattern.cells, cells.cells, sizeof pattern.cells);
        pattern.lineCount = lines_;
        char name[kNameSize];
        std::snprintf(name, sizeof name, "ch %d bar %d", channel, row / linesPerBar_ + 1);
        CopyText(pattern.name, name);
    }

    // A format 1 file's tracks usually each hold one instrument: a named track names the track
    // of the first channel it plays on.
    void NameTracks() {
        if (file_.format != 1) return;  // a format 0 file's one name is the song's title
        std::array<bool, kTrackCount> named{};
        for (const MidiTrack& track : file_.tracks) {
            std::span<const std::uint8_t> name;
            int channel = -1;
            for (const MidiEvent& event : track.events) {
                if (event.status == kMetaEvent && event.data1 == kMetaTrackName && name.empty())
                    name = track.DataOf(event);
                else if (event.status >= 0x80 && event.status < 0xF0 && channel < 0)
                    channel = event.status & 0x0F;
                if (!name.empty() && channel >= 0) break;
            }
            if (name.empty() || channel < 0 || named[channel]) continue;
            named[channel] = true;
            char text[kNameLimit + 1] = {};
            for (std::size_t i = 0; i < std::min(name.size(), kNameLimit) && name[i]; ++i)
                text[i] = name[i] < 0x20 || name[i] == 0x7F ? ' ' : static_cast<char>(name[i]);
            CopyText(song_.trackName[channel], text);
        }
    }

    const MidiFileData& file_;
    Song& song_;
    const int lines_;
    const LineScale scale_;
    MidiImportReport report_;

    std::vector<Note> notes_;
    std::vector<PlacedNote> placed_;  // in the order they start
    std::vector<LaidStretch> laid_;
    bool cutByPatterns_ = false;
    std::array<std::array<std::int32_t, 128>, kTrackCount> openHead_;
    std::array<std::array<std::int32_t, 128>, kTrackCount> openTail_;
    std::vector<CellWrite> writes_;
    std::vector<std::size_t> notesBefore_;  // of each command ReadEvents wrote: notes started first
    std::vector<TempoChange> tempoChanges_;  // in the order they come
    std::vector<Pattern> stretch_;  // one channel's cells of the stretch being laid out each
    std::array<std::uint64_t, kTrackCount> stretchHashes_{};
    std::vector<std::uint64_t> hashes_;  // of the patterns made so far
    std::array<bool, kTrackCount> programSet_{};
    bool tempoSeen_ = false;
    int firstBpm_ = kMidiDefaultBpm;
    bool meterSeen_ = false;
    int linesPerBar_ = 16;
};

std::string WithCommas(int number) {
    const std::string digits = std::to_string(number);
    std::string text;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) text += ',';
        text += digits[i];
    }
    return text;
}

}  // namespace

int MidiImportReport::Dropped() const {
    return tooManyAtOnce + patternsFull + pastGrid + laterTempos + otherControllers + pitchBends +
           aftertouches + sysExes;
}

MidiImportReport ImportMidiFile(const MidiFileData& file, Song& song, MidiImportOptions options) {
    const int lines = std::clamp(options.patternLines, kFewestPatternLines, kPatternLines);
    return MidiImporter(file, song, lines).Run();
}

std::string MidiImportReportText(const MidiImportReport& report) {
    std::string text =
        "Imported " + WithCommas(report.notes) + (report.notes == 1 ? " note" : " notes");
    if (report.Dropped() == 0) return text + "; 0 dropped.";
    const std::pair<int, const char*> reasons[] = {
        {report.tooManyAtOnce, "more than 16 at once"},
        {report.patternsFull, "more than 128 patterns"},
        {report.pastGrid, "song longer than the grid"},
        {report.laterTempos, "tempo changes after the first"},
        {report.otherControllers, "other controllers"},
        {report.pitchBends, "pitch bend"},
        {report.aftertouches, "aftertouch"},
        {report.sysExes, "SysEx"},
    };
    text += "; " + WithCommas(report.Dropped()) + " dropped:";
    const char* separator = " ";
    for (const auto& [count, reason] : reasons) {
        if (count == 0) continue;
        text += separator + std::string(reason) + " (" + WithCommas(count) + ")";
        separator = ", ";
    }
    return text + ".";
}

}  // namespace tarvel
