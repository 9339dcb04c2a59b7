#include "app/Accelerators.h"

#include <QKeyEvent>
#include <array>

#include "app/CommandIds.h"

namespace tarvel {

namespace {

constexpr auto kCtrl = Qt::ControlModifier;
constexpr auto kShift = Qt::ShiftModifier;
constexpr auto kAlt = Qt::AltModifier;
constexpr auto kNum = Qt::KeypadModifier;

struct Accelerator {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    int command;
};

const std::array<Accelerator, 46> kAccelerators{{
    {Qt::Key_B, kCtrl, cmd::kMarkBlockStart},
    {Qt::Key_C, kCtrl, cmd::kEditCopy},
    {Qt::Key_E, kCtrl, cmd::kMarkBlockEnd},
    {Qt::Key_I, kCtrl, cmd::kInterpolateParameter},
    {Qt::Key_N, kCtrl, cmd::kFileNew},
    {Qt::Key_O, kCtrl, cmd::kFileOpen},
    {Qt::Key_P, kCtrl, cmd::kFilePrint},
    {Qt::Key_S, kCtrl, cmd::kFileSave},
    {Qt::Key_U, kCtrl, cmd::kInterpolateVelocity},
    {Qt::Key_V, kCtrl, cmd::kEditPaste},
    {Qt::Key_Plus, kNum, cmd::kNextPattern},
    {Qt::Key_Plus, kCtrl | kNum, cmd::kTransposeUp},
    {Qt::Key_Delete, kShift, cmd::kEditCut},
    {Qt::Key_Slash, kNum, cmd::kOctaveDown},
    {Qt::Key_F1, {}, cmd::kShowHelp},
    {Qt::Key_F3, kCtrl, cmd::kCutPattern},
    {Qt::Key_F4, {}, cmd::kPlayPattern},
    {Qt::Key_F4, kCtrl, cmd::kCopyPattern},
    {Qt::Key_F5, {}, cmd::kPlaySong},
    {Qt::Key_F5, kCtrl, cmd::kPastePattern},
    {Qt::Key_F6, {}, cmd::kNextPane},
    {Qt::Key_F6, kShift, cmd::kPrevPane},
    {Qt::Key_F7, {}, cmd::kLiveMode},
    {Qt::Key_F7, kShift, cmd::kLaunchSlot},
    {Qt::Key_F8, {}, cmd::kStop},
    {Qt::Key_F9, {}, cmd::kMuteTrack},
    {Qt::Key_F9, kShift, cmd::kSoloTrack},
    {Qt::Key_F9, kCtrl, cmd::kQueueMute},
    {Qt::Key_ScrollLock, {}, cmd::kFollowPlay},
    {Qt::Key_Insert, kCtrl, cmd::kEditCopy},
    {Qt::Key_Insert, kShift, cmd::kEditPaste},
    {Qt::Key_Asterisk, kNum, cmd::kOctaveUp},
    {Qt::Key_Return, kAlt, cmd::kPatternProperties},
    {Qt::Key_Space, {}, cmd::kRecord},
    {Qt::Key_Minus, kNum, cmd::kPrevPattern},
    {Qt::Key_Minus, kCtrl | kNum, cmd::kTransposeDown},
    {Qt::Key_X, kCtrl, cmd::kEditCut},
    {Qt::Key_Z, kCtrl, cmd::kEditUndo},
    {Qt::Key_Y, kCtrl, cmd::kEditRedo},
    {Qt::Key_Z, kCtrl | kShift, cmd::kEditRedo},
    // Zoom on the main keyboard: Ctrl and the +/= key with or without Shift, as layouts differ;
    // Ctrl with the keypad's + and - transposes.
    {Qt::Key_Plus, kCtrl, cmd::kZoomIn},
    {Qt::Key_Plus, kCtrl | kShift, cmd::kZoomIn},
    {Qt::Key_Equal, kCtrl, cmd::kZoomIn},
    {Qt::Key_Minus, kCtrl, cmd::kZoomOut},
    {Qt::Key_Minus, kCtrl | kShift, cmd::kZoomOut},
    {Qt::Key_0, kCtrl, cmd::kActualSize},
}};

// Only these keys exist twice on the keyboard in a way the table cares about.
bool KeypadMatters(int key) {
    return key == Qt::Key_Plus || key == Qt::Key_Minus || key == Qt::Key_Asterisk ||
           key == Qt::Key_Slash;
}

}  // namespace

int AcceleratorCommand(const QKeyEvent& event) {
    int key = event.key();
    if (key == Qt::Key_Enter) key = Qt::Key_Return;  // one virtual key on the platform we mirror
    Qt::KeyboardModifiers modifiers = event.modifiers() & (kCtrl | kShift | kAlt | kNum);
    if (!KeypadMatters(key)) modifiers &= ~kNum;
    for (const Accelerator& accelerator : kAccelerators) {
        if (accelerator.key == key && accelerator.modifiers == modifiers)
            return accelerator.command;
    }
    return 0;
}

}  // namespace tarvel
