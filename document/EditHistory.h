// The undo history. Each step keeps only the byte runs of the song image that one user action
// changed, before and after, with the loop rows and the place of the edit; never a copy of the
// song. An action names the stretches of the song it may change (Watch) before it changes them;
// when the outermost action ends, those stretches are compared with their old bytes and only
// the runs that differ are kept. Nested actions (each slot of a mouse drag) join the outer one.
//
// Window thread only; every member expects the document lock held by the caller. The player
// never calls in, so its own writes (tempo and program cells) never enter the history as long
// as no action watches those fields outside the hold that edits them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "editor/EditorState.h"
#include "editor/SongEditor.h"
#include "song/Song.h"

namespace tarvel {

// A stretch of the song image, in bytes from its start.
struct SongRange {
    std::size_t offset;
    std::size_t size;
};

SongRange PatternRange(int pattern);  // pattern numbers outside 0..127 give an empty range
SongRange SequenceSlotRange(int row, int column);
SongRange HeaderRange();
SongRange PatchTableRange();
SongRange TempoRange();

// Where an edit happened, restored by its undo and redo so the user sees what came back.
struct EditPlace {
    std::int32_t pattern;
    std::int32_t line;
    std::int32_t track;
    std::int32_t seqRow;
    std::int32_t seqColumn;
};

struct HistoryLimits {
    std::size_t maxSteps = 1000;
    std::size_t maxBytes = 64u << 20;
};

class EditHistory final : public SongWriteListener {
  public:
    EditHistory(Song& song, EditorState& editor, HistoryLimits limits = {});

    // Opens an action, or joins the one already open. `label` names it in the Edit menu
    // ("Undo <label>") and must outlive the history (a string literal).
    void Begin(const char* label);
    // Takes the old bytes of a stretch the open action may change; ignored with none open.
    void Watch(SongRange range);
    // Closes the action; the outermost one becomes a step when it changed anything.
    void End();
    // A stretch the editor is about to write; joins the open action. A write that comes with
    // no action open cannot be undone, but still marks the song changed.
    void WillWrite(std::size_t offset, std::size_t size) override;

    bool IsOpen() const { return depth_ > 0; }
    bool CanUndo() const { return !IsOpen() && applied_ > 0; }
    bool CanRedo() const { return !IsOpen() && applied_ < steps_.size(); }
    const char* UndoLabel() const;  // "" when there is nothing to undo
    const char* RedoLabel() const;
    // Writes the step's old (new) bytes back and returns the place of the edit; false when
    // there is nothing to undo (redo) or an action is open.
    bool Undo(EditPlace& place);
    bool Redo(EditPlace& place);
    // The same in pieces, each written in a hold of its own, so that even the largest step
    // never keeps the clock waiting: StartUndo (StartRedo) picks the step, then each WriteSome
    // writes at most about `budget` bytes of it, until it returns true with the place of the
    // edit. Nothing else may use the history in between.
    bool StartUndo();
    bool StartRedo();
    bool WriteSome(std::size_t budget, EditPlace& place);

    // A new song: no steps, nothing open, unchanged. The old steps are only set aside: freeing
    // a thousand of them is too long for a hold, so FreeClearedSteps does it after the hold.
    void Clear();
    void FreeClearedSteps() { cleared_.clear(); }
    // The song as it is now is the one on disk.
    void MarkSaved();
    // The song as it is now is not on disk (a recovered song): changed until saved.
    void MarkUnsaved() { unrecordedWrite_ = true; }
    // Whether the song differs from the one last loaded, saved or started.
    bool IsChanged() const;

    std::size_t StepCount() const { return steps_.size(); }
    std::size_t MemoryBytes() const { return memoryBytes_; }

  private:
    struct Run {
        std::uint32_t offset;
        std::uint32_t size;
        std::uint32_t data;  // index into Step::bytes: `size` old bytes, then `size` new ones
    };
    struct Step {
        const char* label;
        std::uint64_t serial;
        EditPlace place;
        std::int32_t loopBefore[2];
        std::int32_t loopAfter[2];
        std::vector<Run> runs;
        std::vector<std::uint8_t> bytes;
    };
    struct Writing {
        std::size_t step;
        bool undo;
        std::size_t run;   // runs written so far, counted in the order of writing
        std::size_t done;  // bytes of the next run written so far
    };
    struct Watched {
        std::size_t offset;
        std::size_t size;
        std::size_t before;  // index into watchedBytes_
    };

    std::uint8_t* Image() { return reinterpret_cast<std::uint8_t*>(&song_); }
    EditPlace PlaceNow() const;
    bool OpenActionHasWritten() const;
    void TakeRuns(const Watched& watched, Step& step);
    void Push(Step&& step);
    static std::size_t StepBytes(const Step& step);
    std::uint64_t Position() const {
        return applied_ > 0 ? steps_[applied_ - 1].serial : baseSerial_;
    }

    Song& song_;
    EditorState& editor_;
    HistoryLimits limits_;

    std::deque<Step> steps_;
    std::deque<Step> cleared_;  // set aside by Clear, freed by FreeClearedSteps
    std::size_t applied_ = 0;   // steps_[0, applied_) are done, the rest can be redone
    std::size_t memoryBytes_ = 0;
    std::uint64_t nextSerial_ = 1;
    std::uint64_t baseSerial_ = 0;   // the position before the oldest step kept
    std::uint64_t savedSerial_ = 0;  // the position that matches the file
    bool unrecordedWrite_ = false;

    Writing writing_{};  // the step StartUndo or StartRedo picked

    // The open action.
    int depth_ = 0;
    const char* label_ = "";
    EditPlace place_{};
    std::int32_t loopBefore_[2] = {0, 0};
    std::vector<Watched> watched_;  // sorted by offset, never overlapping
    std::vector<std::uint8_t> watchedBytes_;
};

}  // namespace tarvel
