// Patch names: the program list of the control panel, renaming, and patch-list files, which
// hold the song's patch table byte for byte.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <mutex>

#include "document/FennoralDoc.h"

namespace tarvel {

namespace {

constexpr std::size_t kPatchNameLimit = 30;  // the dialog's box takes 31; the last is dropped

std::uint8_t* PatchTable(Song& song) {
    return reinterpret_cast<std::uint8_t*>(&song) + kPatchTableOffset;
}

// A song (gzip) or a MIDI file picked by mistake would fill the names with binary. Names are text,
// so no patch list starts with either signature.
bool IsPlainlyAnotherKindOfFile(const std::vector<std::uint8_t>& bytes) {
    const auto startsWith = [&](std::initializer_list<std::uint8_t> signature) {
        return bytes.size() >= signature.size() &&
               std::equal(signature.begin(), signature.end(), bytes.begin());
    };
    return startsWith({0x1F, 0x8B}) || startsWith({'M', 'T', 'h', 'd'});
}

}  // namespace

Fallible<> CFennoralDoc::LoadPatchList(const std::string& path) {
    std::vector<std::uint8_t> table;
    std::string whyNot;
    // A short file is no patch list: taken, its missing bytes would leave a mix of two lists.
    if (!ReadFilePrefix(path, kPatchTableSize, table, whyNot) || table.size() < kPatchTableSize ||
        IsPlainlyAnotherKindOfFile(table))
        return Fallible<>::Failed("Failed to open patchlist file", "Error", true);
    {
        std::lock_guard lock(mutex);
        history.Begin("Load Patch List");
        history.Watch(PatchTableRange());
        std::memcpy(PatchTable(song), table.data(), kPatchTableSize);
        history.End();
    }
    RaiseUiSignal(kRefreshPanel | kRepaintView);
    return {};
}

Fallible<> CFennoralDoc::SavePatchList(const std::string& path) {
    std::vector<std::uint8_t> table(kPatchTableSize);
    {
        std::lock_guard lock(mutex);
        std::memcpy(table.data(), PatchTable(song), kPatchTableSize);
    }
    std::string whyNot;
    if (ReplaceFile(path, table, whyNot, fileCalls)) return {};
    return Fallible<>::Failed("Failed to write patchlist file", "Error", true);
}

ProgramList CFennoralDoc::RefillProgramList() const {
    int count;
    int program;
    std::vector<char> names;  // copied out, formatted outside the lock
    {
        std::lock_guard lock(mutex);
        // A damaged song's count is kept, but only the stored names can be listed.
        count = std::clamp(song.patchCount, 0, kPatchSlots);
        const char* table = reinterpret_cast<const char*>(&song.patchNames);
        names.assign(table, table + count * kNameSize);
        program = song.channelProgram[editor.currentChannel & 0x0F];
    }
    ProgramList list{{}, program < count ? program : -1};
    list.entries.reserve(static_cast<std::size_t>(count));
    char entry[48];
    for (int i = 0; i < count; ++i) {
        const char* name = names.data() + static_cast<std::size_t>(i) * kNameSize;
        const int length = static_cast<int>(strnlen(name, kNameSize));
        std::snprintf(entry, sizeof entry, "%.3d: %.*s", i + 1, length, name);
        list.entries.emplace_back(entry);
    }
    return list;
}

void CFennoralDoc::EditPatchName(const std::string& typed) {
    const std::string name = typed.substr(0, kPatchNameLimit);
    {
        std::lock_guard lock(mutex);
        history.Begin("Patch Name");
        history.Watch(PatchTableRange());
        CopyText(song.patchNames[song.channelProgram[editor.currentChannel & 0x0F]], name.c_str());
        history.End();
    }
    RaiseUiSignal(kRefreshPanel | kRepaintView);
}

}  // namespace tarvel
