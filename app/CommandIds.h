// Command ids of the menu, the accelerators and the toolbar. The numbers are the program's
// resource ids, kept so that routing tables and stored settings read the same everywhere.
#pragma once

#include <optional>

#include "editor/BlockCommands.h"

namespace tarvel::cmd {

// Standard file, edit, view and help commands.
constexpr int kFileNew = 57600;
constexpr int kFileOpen = 57601;
constexpr int kFileSave = 57603;
constexpr int kFileSaveAs = 57604;
constexpr int kFilePrintSetup = 57606;
constexpr int kFilePrint = 57607;
constexpr int kFilePrintPreview = 57609;
constexpr int kRecentFile1 = 57616;  // 57616..57619
constexpr int kRecentFileCount = 4;
constexpr int kEditCopy = 57634;
constexpr int kEditCut = 57635;
constexpr int kEditPaste = 57637;
constexpr int kEditUndo = 57643;
constexpr int kEditRedo = 57644;
constexpr int kAppAbout = 57664;
constexpr int kAppExit = 57665;
constexpr int kNextPane = 57680;
constexpr int kPrevPane = 57681;
constexpr int kViewToolbar = 59392;
constexpr int kViewStatusBar = 59393;

// The program's own commands.
constexpr int kEditSongHeader = 32771;
constexpr int kPlaySong = 32773;
constexpr int kSeekStart = 32776;
constexpr int kSeekEnd = 32777;
constexpr int kOctaveDown = 32779;
constexpr int kOctaveUp = 32780;
constexpr int kMidiResetControllers = 32782;
constexpr int kMidiAllNotesOff = 32784;
constexpr int kStop = 32786;
constexpr int kMarkBlockStart = 32787;
constexpr int kMarkBlockEnd = 32788;
constexpr int kRecord = 32790;
constexpr int kCopyPattern = 32792;
constexpr int kCutPattern = 32793;
constexpr int kPastePattern = 32794;
constexpr int kNextPattern = 32795;
constexpr int kPrevPattern = 32796;
constexpr int kPatternProperties = 32797;
constexpr int kOpenMixer = 32798;
constexpr int kShowHelp = 32799;
constexpr int kPlayPattern = 32801;
constexpr int kDelayTimes = 32805;
constexpr int kInterpolateParameter = 32809;
constexpr int kInterpolateVelocity = 32810;
constexpr int kWebsite = 32808;  // the first of the web links, 32808 and 32813..32825
constexpr int kTransposeUp = 32811;
constexpr int kTransposeDown = 32812;
constexpr int kImportMidiFile = 32830;
constexpr int kExportMidiFile = 32831;
constexpr int kExportAudioFile = 32832;
constexpr int kFollowPlay = 32840;
constexpr int kMuteTrack = 32841;  // the current channel's track
constexpr int kSoloTrack = 32842;
constexpr int kZoomIn = 32870;  // the view's zoom: a step in, a step out, and back to 100 %
constexpr int kZoomOut = 32871;
constexpr int kActualSize = 32872;
// Live launching.
constexpr int kLiveMode = 32880;
constexpr int kLaunchSlot = 32881;  // the slot under the sequencer cursor
constexpr int kQueueMute = 32882;   // the current channel's track, at its next boundary
constexpr int kLaunchAtPatternEnd = 32883;
constexpr int kLaunchAtNextBar = 32884;
constexpr int kRecordArrangement = 32885;

// The editor's block command behind an Edit menu id.
constexpr std::optional<EditCommand> EditCommandFor(int id) {
    switch (id) {
        case kMarkBlockStart:
            return EditCommand::MarkBlockStart;
        case kMarkBlockEnd:
            return EditCommand::MarkBlockEnd;
        case kEditCut:
            return EditCommand::Cut;
        case kEditCopy:
            return EditCommand::Copy;
        case kEditPaste:
            return EditCommand::Paste;
        case kInterpolateVelocity:
            return EditCommand::InterpolateVelocity;
        case kInterpolateParameter:
            return EditCommand::InterpolateParameter;
        default:
            return std::nullopt;
    }
}

constexpr bool IsWebLink(int id) {
    return id == kWebsite || (id >= 32813 && id <= 32825);
}
constexpr bool IsRecentFile(int id) {
    return id >= kRecentFile1 && id < kRecentFile1 + kRecentFileCount;
}

}  // namespace tarvel::cmd
