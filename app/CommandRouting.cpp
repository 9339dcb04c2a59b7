// Where every command of the menu, the accelerators and the toolbar meets its operation.
#include <QStatusBar>
#include <QToolBar>
#include <cstring>
#include <mutex>
#include <string>

#include "app/CommandIds.h"
#include "app/FennoralApp.h"
#include "app/FennoralView.h"
#include "app/MainFrame.h"
#include "app/WebLinks.h"
#include "app/WindowServices.h"
#include "document/FennoralDoc.h"
#include "document/UndoableEdits.h"

#include "editor/BlockCommands.h"
#include "editor/KeyEditing.h"
#include "editor/LiveLaunching.h"
#include "editor/TrackMuting.h"

namespace tarvel {

void CMainFrame::RunCommand(int commandId) {
    using namespace cmd;
    if (const auto edit = EditCommandFor(commandId)) {
        RunEditCommandAsEdit(doc_, *edit);
        return;
    }
    switch (commandId) {
        // The application's and the document's standard commands.
        case kFileNew:
            app_.FileNew();
            return;
        case kFileOpen:
            app_.FileOpen();
            return;
        case kFileSave:
            app_.FileSave();
            return;
        case kFileSaveAs:
            app_.FileSaveAs();
            return;
        case kImportMidiFile:
            app_.FileImportMidi();
            return;
        case kExportMidiFile:
            app_.FileExportMidi();
            return;
        case kExportAudioFile:
            app_.FileExportAudio();
            return;
        case kFilePrintSetup:
            services_.PrintSetup(this);
            return;
        case kFilePrint:
            services_.Print(*view_);
            return;
        case kFilePrintPreview:
            services_.PrintPreview(*view_);
            return;
        case kAppExit:
            close();
            return;
        case kViewToolbar:
            toolBar_->setHidden(!toolBar_->isHidden());
            return;
        case kViewStatusBar:
            statusBar()->setHidden(!statusBar()->isHidden());
            return;
        case kAppAbout:
            services_.ShowAboutBox(this);
            return;

        // Song header, patterns and the player.
        case kEditSongHeader:
            services_.ShowHeaderDialog(this, doc_);
            return;
        case kPatternProperties:
            EditPatternProperties();
            return;
        case kMidiResetControllers:
            doc_.MidiResetControllers();
            return;
        case kMidiAllNotesOff:
            doc_.MidiAllNotesOff();
            return;
        case kOpenMixer:
            services_.OpenMixer(this);
            return;
        case kShowHelp:
            services_.ShowHelpDialog(this);
            return;
        case kDelayTimes: {
            int lineDuration;
            {
                std::lock_guard lock(doc_.mutex);
                lineDuration = doc_.EffectiveLineDuration();
            }
            services_.ShowDelayCalculator(this, lineDuration);
            return;
        }
        case kOctaveDown:
            ShiftOctave(doc_.songEditor, -1);
            return;
        case kOctaveUp:
            ShiftOctave(doc_.songEditor, +1);
            return;
        case kRecord:
            ToggleRecord(doc_.songEditor);
            return;
        case kFollowPlay:
            SetFollowPlay(!IsCommandChecked(kFollowPlay));
            return;
        case kZoomIn:
        case kZoomOut:
        case kActualSize:
            SetZoom(commandId == kActualSize
                        ? 100
                        : NextZoomStep(view_->zoom(), commandId == kZoomIn ? +1 : -1));
            return;
        case kMuteTrack:
        case kSoloTrack: {
            std::lock_guard lock(doc_.mutex);
            const int channel = doc_.editor.currentChannel & 0x0F;
            if (commandId == kMuteTrack) FlipTrackMute(doc_.songEditor, channel);
            if (commandId == kSoloTrack) FlipTrackSolo(doc_.songEditor, channel);
            return;
        }
        case kLiveMode: {
            std::lock_guard lock(doc_.mutex);
            doc_.engine.SetLiveMode(!doc_.player.live.on);
            return;
        }
        case kLaunchSlot:
        case kQueueMute: {
            std::lock_guard lock(doc_.mutex);
            if (commandId == kLaunchSlot) LaunchSlotUnderCursor(doc_.songEditor);
            if (commandId == kQueueMute)
                QueueTrackMuteFlip(doc_.songEditor, doc_.editor.currentChannel);
            return;
        }
        case kLaunchAtPatternEnd:
        case kLaunchAtNextBar:
            SetLaunchBoundary(commandId == kLaunchAtNextBar ? kAtNextBar : kAtPatternEnd);
            return;
        case kRecordArrangement: {
            std::lock_guard lock(doc_.mutex);
            doc_.player.live.recordArrangement = !doc_.player.live.recordArrangement;
            return;
        }
        case kPrevPattern:
        case kNextPattern: {
            std::lock_guard lock(doc_.mutex);
            doc_.StepCurrentPattern(commandId == kNextPattern ? +1 : -1);
            return;
        }
        case kTransposeUp:
        case kTransposeDown: {
            std::lock_guard lock(doc_.mutex);
            doc_.AdjustInsertTranspose(commandId == kTransposeUp ? +1 : -1);
            return;
        }
        case kCutPattern:
            RunPatternCommandAsEdit(doc_, PatternCommand::Cut);
            return;
        case kCopyPattern:
            RunPatternCommandAsEdit(doc_, PatternCommand::Copy);
            return;
        case kPastePattern:
            RunPatternCommandAsEdit(doc_, PatternCommand::Paste);
            return;
        case kEditUndo:
            doc_.Undo();
            return;
        case kEditRedo:
            doc_.Redo();
            return;
        case kPlayPattern:
        case kPlaySong: {
            doc_.PrepareSongPrograms();               // programs typed since the song came
            if (doc_.StartSharedTransport()) return;  // the player follows it
            std::lock_guard lock(doc_.mutex);
            doc_.StartPlayback(commandId == kPlaySong ? kSongMode : kPatternMode);
            return;
        }
        case kStop: {
            doc_.StopSharedTransport();  // and the player here, at once
            std::lock_guard lock(doc_.mutex);
            doc_.StopPlayback();
            return;
        }
        case kSeekStart:
        case kSeekEnd: {
            std::lock_guard lock(doc_.mutex);
            if (commandId == kSeekStart) doc_.SeekStart();
            if (commandId == kSeekEnd) doc_.SeekEnd();
            return;
        }
        default:
            break;
    }
    if (IsWebLink(commandId)) services_.OpenWebLink(commandId);
    if (IsRecentFile(commandId)) app_.OpenRecentFile(commandId - kRecentFile1);
}

void CMainFrame::EditPatternProperties() {
    std::string name;
    std::string lines;
    {
        std::lock_guard lock(doc_.mutex);
        const Pattern& pattern = doc_.song.patterns[doc_.editor.currentPattern & 0x7F];
        name.assign(pattern.name, strnlen(pattern.name, kNameSize));
        lines = std::to_string(pattern.lineCount);
    }
    if (!services_.RunPatternPropertiesDialog(this, name, lines)) return;
    ApplyPatternPropertiesAsEdit(doc_, name, lines);
}

bool CMainFrame::IsCommandEnabled(int commandId) const {
    using namespace cmd;
    switch (commandId) {
        case kEditUndo:
        case kEditRedo: {
            std::lock_guard lock(doc_.mutex);
            return commandId == kEditUndo ? doc_.history.CanUndo() : doc_.history.CanRedo();
        }
        // The pane commands need a split window, which there is none of.
        case kNextPane:
        case kPrevPane:
            return false;
        case kZoomIn:
            return view_->zoom() < kZoomSteps[std::size(kZoomSteps) - 1];
        case kZoomOut:
            return view_->zoom() > kZoomSteps[0];
        // Launches wait for a song playing in live mode.
        case kLaunchSlot:
        case kQueueMute: {
            std::lock_guard lock(doc_.mutex);
            return doc_.player.live.on && doc_.player.isPlaying &&
                   doc_.player.playMode == kSongMode;
        }
        default:
            // The window thread is the only writer of the marks, so reading them needs no lock.
            if (const auto edit = EditCommandFor(commandId))
                return IsEditCommandEnabled(doc_.songEditor, *edit);
            return !IsRecentFile(commandId) || app_.RecentFiles().size() > commandId - kRecentFile1;
    }
}

bool CMainFrame::IsCommandChecked(int commandId) const {
    using namespace cmd;
    switch (commandId) {
        case kViewToolbar:
            return !toolBar_->isHidden();
        case kViewStatusBar:
            return !statusBar()->isHidden();
        case kRecord:
        case kPlayPattern:
        case kPlaySong:
        case kFollowPlay:
        case kMuteTrack:
        case kSoloTrack:
        case kLiveMode:
        case kLaunchAtPatternEnd:
        case kLaunchAtNextBar:
        case kRecordArrangement: {
            std::lock_guard lock(doc_.mutex);
            if (commandId == kRecord) return doc_.editor.recordMode != 0;
            const LiveState& live = doc_.player.live;
            if (commandId == kLiveMode) return live.on != 0;
            if (commandId == kLaunchAtPatternEnd) return live.boundary == kAtPatternEnd;
            if (commandId == kLaunchAtNextBar) return live.boundary == kAtNextBar;
            if (commandId == kRecordArrangement) return live.recordArrangement != 0;
            if (commandId == kFollowPlay) return doc_.songEditor.followPlay;
            const unsigned channelBit = 1u << (doc_.editor.currentChannel & 0x0F);
            if (commandId == kMuteTrack) return (doc_.engine.mutes.muted & channelBit) != 0;
            if (commandId == kSoloTrack) return (doc_.engine.mutes.soloed & channelBit) != 0;
            const int mode = commandId == kPlaySong ? kSongMode : kPatternMode;
            return doc_.player.isPlaying && doc_.player.playMode == mode;
        }
        default:
            return false;
    }
}

}  // namespace tarvel
