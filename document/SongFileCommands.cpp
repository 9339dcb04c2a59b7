// Saving and opening songs. The file work and the compression run outside the lock; only the
// copy of the song in or out holds it, so the player keeps time while a song is saved or opened.
#include <filesystem>
#include <memory>
#include <mutex>

#include "document/FennoralDoc.h"
#include "song/SongFile.h"

namespace tarvel {

namespace {

constexpr const char* kCorruptSong = "Corrupt data or damaged/old tarvel song";

std::string FullPath(const std::string& path) {
    std::error_code error;
    const std::filesystem::path full = std::filesystem::absolute(path, error);
    return error ? path : full.string();
}

}  // namespace

Fallible<> CFennoralDoc::SaveSong(const std::string& path) {
    std::int32_t loopStart;
    std::int32_t loopEnd;
    {
        std::lock_guard lock(mutex);
        loopStart = editor.loopStartRow;
        loopEnd = editor.loopEndRow;
    }
    // The window thread is the only editor, so a copy in short holds is the song as it stands.
    const auto copy = std::make_unique<Song>();
    CopyInShortHolds(mutex, copy.get(), &song, sizeof(Song));
    std::vector<std::uint8_t> stream(kSongStreamSize);
    WriteSongStream(*copy, loopStart, loopEnd, stream);
    const std::vector<std::uint8_t> file = EncodeSongFile(stream);
    std::string whyNot = "compression failed";
    if (!file.empty() && ReplaceFile(path, file, whyNot, fileCalls)) return {};
    return Fallible<>::Failed("Error",
                              "The song could not be saved as\n" + path + "\n(" + whyNot +
                                  ").\nA file that was there before is unchanged.",
                              true);
}

Fallible<> CFennoralDoc::LoadSong(const std::string& path) {
    std::vector<std::uint8_t> file;
    std::string whyNot;
    if (!ReadFilePrefix(path, kSongFileReadLimit, file, whyNot))
        return Fallible<>::Failed(
            "Error", "The song file\n" + path + "\ncould not be opened (" + whyNot + ").", false);
    return LoadSongFromBytes(file, FullPath(path));
}

Fallible<> CFennoralDoc::LoadSongFromBytes(std::span<const std::uint8_t> file,
                                           const std::string& title) {
    std::vector<std::uint8_t> stream;
    if (!DecodeSongFile(file, stream)) return Fallible<>::Failed("Error", kCorruptSong, false);
    const auto loaded = std::make_unique<Song>();
    LoopRows loop;
    ReadSongStream(stream, *loaded, loop.start, loop.end);
    ReplaceSong(*loaded, &loop);
    const SongHeader& header = loaded->header;
    DispatchUiSignals();  // the panel shows the new song before the box waits for the user
    ui_.ShowMessage({MessageIcon::Information, title, SongInformationText(header), false});
    return {};
}

}  // namespace tarvel
