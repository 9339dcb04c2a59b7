// Songs in from MIDI files, and out as MIDI and audio files. The reading, rendering and writing
// run outside the lock; only the copies of the song in and out hold it, in short holds.
#include <memory>
#include <mutex>

#include "document/FennoralDoc.h"

namespace tarvel {

namespace {

std::string NotExported(const char* kind, const std::string& path, const std::string& whyNot) {
    return std::string("The ") + kind + " file could not be saved as\n" + path + "\n(" + whyNot +
           ").\nA file that was there before is unchanged.";
}

}  // namespace

void CFennoralDoc::CopySong(Song& into, std::int32_t& loopStartRow,
                            std::int32_t& loopEndRow) const {
    {
        std::lock_guard lock(mutex);
        loopStartRow = editor.loopStartRow;
        loopEndRow = editor.loopEndRow;
    }
    // The window thread is the only editor, so a copy in short holds is the song as it stands.
    CopyInShortHolds(mutex, &into, &song, sizeof(Song));
}

void CFennoralDoc::ReplaceWithSong(const Song& next, std::int32_t loopStartRow,
                                   std::int32_t loopEndRow) {
    const LoopRows loop{loopStartRow, loopEndRow};
    ReplaceSong(next, &loop);
}

Fallible<MidiImportReport> CFennoralDoc::ImportMidiSong(const std::string& path, int patternLines) {
    std::vector<std::uint8_t> bytes;
    MidiFileData file;
    std::string whyNot;
    // One byte past the limit, so that the reader can tell a file too large.
    if (!ReadFilePrefix(path, kMidiFileSizeLimit + 1, bytes, whyNot) ||
        !ReadMidiFile(bytes, file, whyNot))
        return Fallible<MidiImportReport>::Failed(
            "Error", "The MIDI file\n" + path + "\ncould not be imported (" + whyNot + ").", true);
    // From the song as it is, as New does: a new song keeps the bytes that no reset writes.
    const auto next = std::make_unique<Song>();
    LoopRows loop;
    CopySong(*next, loop.start, loop.end);
    MakeNewSong(*next);
    const MidiImportReport report = ImportMidiFile(file, *next, {.patternLines = patternLines});
    ReplaceWithSong(*next, 0, report.endRow > 0 ? report.endRow : kDefaultLineCount);
    return report;
}

Fallible<MidiExportReport> CFennoralDoc::ExportMidiSong(const std::string& path) {
    const auto copy = std::make_unique<Song>();
    LoopRows loop;
    CopySong(*copy, loop.start, loop.end);
    MidiFileData file;
    MidiExportReport report;
    std::string whyNot;
    if (ExportSongAsMidi(*copy, loop.end, file, report, whyNot) &&
        ReplaceFile(path, WriteMidiFile(file), whyNot, fileCalls))
        return report;
    return Fallible<MidiExportReport>::Failed("Error", NotExported("MIDI", path, whyNot), true);
}

Fallible<ExportOutcome> CFennoralDoc::ExportAudioSong(const std::string& path,
                                                      const AudioExportSettings& settings,
                                                      const ExportProgress& progress) {
    const auto copy = std::make_unique<Song>();
    LoopRows loop;
    CopySong(*copy, loop.start, loop.end);
    std::string whyNot;
    const ExportOutcome outcome =
        ExportSongAsAudio(*copy, loop.end, path, settings, progress, whyNot);
    if (outcome == ExportOutcome::Failed)
        return Fallible<ExportOutcome>::Failed("Error", NotExported("audio", path, whyNot), true);
    return outcome;
}

}  // namespace tarvel
