#include "document/EditHistory.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>

namespace tarvel {

namespace {

// Differing runs closer than this are kept as one: a run costs more than a few equal bytes.
constexpr std::size_t kJoinGap = 8;
// What writing one run back costs beyond its bytes, in bytes of the budget.
constexpr std::size_t kRunCost = 64;

}  // namespace

SongRange PatternRange(int pattern) {
    if (pattern < 0 || pattern >= kPatternCount) return {0, 0};
    return {offsetof(Song, patterns) + sizeof(Pattern) * static_cast<std::size_t>(pattern),
            sizeof(Pattern)};
}

SongRange SequenceSlotRange(int row, int column) {
    if (row < 0 || row >= kSequenceRows || column < 0 || column >= kTrackCount) return {0, 0};
    const std::size_t slot = static_cast<std::size_t>(row) * kTrackCount + column;
    return {offsetof(Song, sequence) + slot * sizeof(SequenceSlot), sizeof(SequenceSlot)};
}

SongRange HeaderRange() {
    return {offsetof(Song, header), sizeof(SongHeader)};
}

SongRange PatchTableRange() {
    return {kPatchTableOffset, kPatchTableSize};
}

SongRange TempoRange() {
    return {offsetof(Song, lineDuration), sizeof(Song::lineDuration)};
}

EditHistory::EditHistory(Song& song, EditorState& editor, HistoryLimits limits)
    : song_(song), editor_(editor), limits_(limits) {}

EditPlace EditHistory::PlaceNow() const {
    return {editor_.currentPattern, editor_.cursorLine, editor_.cursorTrack, editor_.seqCursorRow,
            editor_.seqCursorColumn};
}

void EditHistory::Begin(const char* label) {
    if (depth_++ > 0) return;
    label_ = label;
    place_ = PlaceNow();
    loopBefore_[0] = editor_.loopStartRow;
    loopBefore_[1] = editor_.loopEndRow;
    watched_.clear();
    watchedBytes_.clear();
}

void EditHistory::Watch(SongRange range) {
    if (depth_ == 0 || range.size == 0 || range.offset > sizeof(Song) ||
        range.size > sizeof(Song) - range.offset)
        return;
    // Keep the oldest bytes: only the parts no earlier watch of this action covers.
    std::size_t at = range.offset;
    const std::size_t end = range.offset + range.size;
    std::vector<Watched> added;
    auto next = std::lower_bound(
        watched_.begin(), watched_.end(), at,
        [](const Watched& w, std::size_t offset) { return w.offset + w.size <= offset; });
    while (at < end) {
        const std::size_t gapEnd = next == watched_.end() ? end : std::min(end, next->offset);
        if (gapEnd > at) {
            added.push_back({at, gapEnd - at, watchedBytes_.size()});
            watchedBytes_.insert(watchedBytes_.end(), Image() + at, Image() + gapEnd);
            at = gapEnd;
        }
        if (next == watched_.end()) break;
        at = std::max(at, next->offset + next->size);
        ++next;
    }
    if (added.empty()) return;
    watched_.insert(watched_.end(), added.begin(), added.end());
    std::sort(watched_.begin(), watched_.end(),
              [](const Watched& a, const Watched& b) { return a.offset < b.offset; });
}

void EditHistory::WillWrite(std::size_t offset, std::size_t size) {
    if (depth_ == 0) {
        unrecordedWrite_ = true;
        return;
    }
    Watch({offset, size});
}

void EditHistory::TakeRuns(const Watched& watched, Step& step) {
    const std::uint8_t* before = watchedBytes_.data() + watched.before;
    const std::uint8_t* now = Image() + watched.offset;
    std::size_t i = 0;
    while (i < watched.size) {
        while (i < watched.size && before[i] == now[i]) ++i;
        if (i == watched.size) break;
        const std::size_t start = i;
        std::size_t last = i;  // the last differing byte of this run
        while (i < watched.size && i - last <= kJoinGap) {
            if (before[i] != now[i]) last = i;
            ++i;
        }
        const std::size_t size = last + 1 - start;
        step.runs.push_back({static_cast<std::uint32_t>(watched.offset + start),
                             static_cast<std::uint32_t>(size),
                             static_cast<std::uint32_t>(step.bytes.size())});
        step.bytes.insert(step.bytes.end(), before + start, before + start + size);
        step.bytes.insert(step.bytes.end(), now + start, now + start + size);
        i = last + 1;
    }
}

void EditHistory::End() {
    if (depth_ == 0 || --depth_ > 0) return;
    Step step{label_,
              0,
              place_,
              {loopBefore_[0], loopBefore_[1]},
              {editor_.loopStartRow, editor_.loopEndRow},
              {},
              {}};
    for (const Watched& watched : watched_) TakeRuns(watched, step);
    watched_.clear();
    watchedBytes_.clear();
    const bool loopChanged =
        step.loopBefore[0] != step.loopAfter[0] || step.loopBefore[1] != step.loopAfter[1];
    if (step.runs.empty() && !loopChanged) return;
    step.runs.shrink_to_fit();
    step.bytes.shrink_to_fit();
    Push(std::move(step));
}

std::size_t EditHistory::StepBytes(const Step& step) {
    return sizeof(Step) + step.runs.capacity() * sizeof(Run) + step.bytes.capacity();
}

void EditHistory::Push(Step&& step) {
    // A new edit after undos forgets what could have been redone.
    while (steps_.size() > applied_) {
        memoryBytes_ -= StepBytes(steps_.back());
        steps_.pop_back();
    }
    step.serial = nextSerial_++;
    memoryBytes_ += StepBytes(step);
    steps_.push_back(std::move(step));
    ++applied_;
    while (steps_.size() > 1 &&
           (steps_.size() > limits_.maxSteps || memoryBytes_ > limits_.maxBytes)) {
        // The state after the dropped step is where undoing now stops.
        baseSerial_ = steps_.front().serial;
        memoryBytes_ -= StepBytes(steps_.front());
        steps_.pop_front();
        --applied_;
    }
}

const char* EditHistory::UndoLabel() const {
    return CanUndo() ? steps_[applied_ - 1].label : "";
}

const char* EditHistory::RedoLabel() const {
    return CanRedo() ? steps_[applied_].label : "";
}

bool EditHistory::Undo(EditPlace& place) {
    return StartUndo() && WriteSome(SIZE_MAX, place);
}

bool EditHistory::Redo(EditPlace& place) {
    return StartRedo() && WriteSome(SIZE_MAX, place);
}

bool EditHistory::StartUndo() {
    if (!CanUndo()) return false;
    writing_ = {--applied_, true, 0, 0};
    return true;
}

bool EditHistory::StartRedo() {
    if (!CanRedo()) return false;
    writing_ = {applied_++, false, 0, 0};
    return true;
}

bool EditHistory::WriteSome(std::size_t budget, EditPlace& place) {
    const Step& step = steps_[writing_.step];
    const std::size_t runs = step.runs.size();
    while (writing_.run < runs && budget > 0) {
        // Undo goes backwards, so a byte changed twice in one step ends at its oldest value.
        const Run& run = step.runs[writing_.undo ? runs - 1 - writing_.run : writing_.run];
        const std::size_t size = std::min<std::size_t>(run.size - writing_.done, budget);
        const std::uint8_t* from =
            step.bytes.data() + run.data + (writing_.undo ? 0 : run.size) + writing_.done;
        std::memcpy(Image() + run.offset + writing_.done, from, size);
        writing_.done += size;
        // A run costs more than its bytes: many small ones take their share of the budget.
        budget -= std::min(budget, size + kRunCost);
        if (writing_.done == run.size) {
            ++writing_.run;
            writing_.done = 0;
        }
    }
    if (writing_.run < runs) return false;
    const std::int32_t* loop = writing_.undo ? step.loopBefore : step.loopAfter;
    editor_.loopStartRow = loop[0];
    editor_.loopEndRow = loop[1];
    place = step.place;
    return true;
}

void EditHistory::Clear() {
    // Swapped when nothing waits to be freed (the usual case): moving the steps one by one
    // would allocate the deque's blocks under the lock.
    if (cleared_.empty())
        cleared_.swap(steps_);
    else
        cleared_.insert(cleared_.end(), std::make_move_iterator(steps_.begin()),
                        std::make_move_iterator(steps_.end()));
    steps_.clear();
    applied_ = 0;
    memoryBytes_ = 0;
    depth_ = 0;
    watched_.clear();
    watchedBytes_.clear();
    baseSerial_ = savedSerial_ = nextSerial_++;
    unrecordedWrite_ = false;
}

void EditHistory::MarkSaved() {
    savedSerial_ = Position();
    unrecordedWrite_ = false;
}

bool EditHistory::IsChanged() const {
    return unrecordedWrite_ || Position() != savedSerial_ || OpenActionHasWritten();
}

bool EditHistory::OpenActionHasWritten() const {
    // A drag still painting is a change already: autosave keeps it and closing asks.
    const auto* image = reinterpret_cast<const std::uint8_t*>(&song_);
    return std::any_of(watched_.begin(), watched_.end(), [&](const Watched& w) {
        return std::memcmp(watchedBytes_.data() + w.before, image + w.offset, w.size) != 0;
    });
}

}  // namespace tarvel
