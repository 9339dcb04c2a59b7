// libFuzzer target for the song loader. An input that starts like a gzip file is a song file: it
// goes through the pure decoder, and through the document's loader when the decoder takes it.
// Any other input is a list of byte edits (four bytes of offset, one byte of value) to a new
// song's stream, taken straight into the song, so that damaged values reach the readers without
// having to pass the gzip check sum. After either, everything that reads a song runs over it.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <vector>

#include "document/FennoralDoc.h"
#include "song/SongFile.h"
#include "support/ExerciseSong.h"
#include "support/RecordingUi.h"

namespace tarvel {
namespace {

struct Harness {
    testing::TestDocument t{2};
    CFennoralDoc& doc = *t.doc;
    std::vector<std::uint8_t> newSong;
    std::vector<std::uint8_t> stream;

    Harness() {
        std::lock_guard lock(doc.mutex);
        WriteSongStream(doc.song, doc.editor.loopStartRow, doc.editor.loopEndRow, newSong);
    }

    void TakeEdits(const std::uint8_t* data, std::size_t size) {
        stream = newSong;
        for (std::size_t i = 0; i + 5 <= size; i += 5) {
            std::uint32_t offset;
            std::memcpy(&offset, data + i, sizeof offset);
            stream[offset % kSongStreamSize] = data[i + 4];
        }
        std::memcpy(stream.data(), kSongMagic, sizeof kSongMagic);
        std::lock_guard lock(doc.mutex);
        doc.ReleaseAllNotes();
        ReadSongStream(stream, doc.song, doc.editor.loopStartRow, doc.editor.loopEndRow);
    }
};

}  // namespace
}  // namespace tarvel

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static tarvel::Harness* harness = new tarvel::Harness;  // one document for the whole run
    const bool songFile = size >= 2 && data[0] == 0x1F && data[1] == 0x8B;
    if (songFile) {
        // The pure decoder first, into a buffer kept between runs: most files stop there.
        if (!tarvel::DecodeSongFile({data, size}, harness->stream)) return 0;
        if (!harness->doc.LoadSongFromBytes({data, size}, "fuzz")) __builtin_trap();
    } else {
        harness->TakeEdits(data, size);
    }
    // Short plays: every tick is cheap, but a run should stay well under a millisecond.
    tarvel::testing::ExerciseSong(harness->doc, 130);
    harness->t.midi.Clear();
    harness->t.ui.Clear();
    return 0;
}
