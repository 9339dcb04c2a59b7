#include "app/CommandTexts.h"

#include "app/CommandIds.h"

namespace tarvel {

namespace {

struct Entry {
    int id;
    CommandText text;
};

constexpr Entry kTexts[] = {
    // The program's own commands.
    {cmd::kEditSongHeader, {"Author, band, style, date, etc...", ""}},
    {cmd::kPlaySong, {"Play song", "Play song [F5]"}},
    {cmd::kSeekStart, {"Seek start", "Seek start"}},
    {cmd::kSeekEnd, {"Seek end", "Seek end"}},
    {cmd::kMidiResetControllers,
     {"MIDI send 'All controllers reset'", "MIDI send 'all controllers reset'"}},
    {cmd::kMidiAllNotesOff, {"MIDI send 'All notes off'", "MIDI send 'All notes off'"}},
    {cmd::kStop, {"Stop", "Stop [F8]"}},
    {cmd::kRecord, {"Record", "Record [Space]"}},
    {cmd::kNextPattern, {"Select next pattern", ""}},
    {cmd::kPrevPattern, {"Select previous pattern", ""}},
    {cmd::kPatternProperties, {"Show pattern properties (number of lines, name, etc...)", ""}},
    {cmd::kOpenMixer, {"Open multimedia mixer panel", ""}},
    {cmd::kShowHelp, {"Show online help file", "Help"}},
    {cmd::kPlayPattern, {"Play current pattern", "Play current pattern [F4]"}},
    {cmd::kDelayTimes,
     {"Helper message box showing proper delay times in ms.", "Show delay times"}},
    {cmd::kWebsite, {"Visit official website", "Website"}},
    {cmd::kInterpolateParameter,
     {"Interpolate linearly parameter control value between marked rows", ""}},
    {cmd::kTransposeUp, {"Tranpose current sequencer row 1 semitone up", ""}},
    {cmd::kTransposeDown, {"Transpose current sequencer row 1 semitone down", ""}},
    {cmd::kImportMidiFile, {"Make a new song of a MIDI file", ""}},
    {cmd::kExportMidiFile, {"Save the song as a MIDI file: what playing it sends", ""}},
    {cmd::kExportAudioFile,
     {"Save the song as a WAV or FLAC file, played by the built-in synth", ""}},
    {cmd::kFollowPlay, {"Scroll the pattern editor with the line being played", ""}},
    {cmd::kMuteTrack, {"Mute or unmute the current channel's track", ""}},
    {cmd::kSoloTrack, {"Solo the current channel's track, or end its solo", ""}},
    {cmd::kLiveMode,
     {"While the song plays, launch patterns and mutes per track at their next boundary", ""}},
    {cmd::kLaunchSlot,
     {"Launch the slot under the sequencer cursor on its track at the next boundary", ""}},
    {cmd::kQueueMute, {"Mute or unmute the current channel's track at its next boundary", ""}},
    {cmd::kLaunchAtPatternEnd,
     {"Launches start when the track's pattern ends (an idle track: at the next bar)", ""}},
    {cmd::kLaunchAtNextBar, {"Launches start at the next bar of 16 lines", ""}},
    {cmd::kRecordArrangement,
     {"Write each launch into the sequencer at the row where it started", ""}},
    {cmd::kZoomIn, {"Show the editor larger: fewer tracks and lines, larger text", ""}},
    {cmd::kZoomOut, {"Show the editor smaller: more tracks and lines", ""}},
    {cmd::kActualSize, {"Show the editor at its actual size", ""}},
    // Standard commands.
    {cmd::kFileNew, {"Create a new document", "New"}},
    {cmd::kFileOpen, {"Open an existing document", "Open"}},
    {cmd::kFileSave, {"Save the active document", "Save"}},
    {cmd::kFileSaveAs, {"Save the active document with a new name", "Save As"}},
    {cmd::kFilePrint, {"Print the active document", "Print"}},
    {cmd::kFilePrintPreview, {"Display full pages", "Print Preview"}},
    {cmd::kFilePrintSetup, {"Change the printer and printing options", "Print Setup"}},
    {cmd::kAppExit, {"Quit the application; prompts to save documents", "Exit"}},
    {cmd::kEditCut, {"Cut the selection and put it on the Clipboard", "Cut"}},
    {cmd::kEditCopy, {"Copy the selection and put it on the Clipboard", "Copy"}},
    {cmd::kEditPaste, {"Insert Clipboard contents", "Paste"}},
    {cmd::kViewToolbar, {"Show or hide the toolbar", "Toggle ToolBar"}},
    {cmd::kViewStatusBar, {"Show or hide the status bar", "Toggle StatusBar"}},
    {cmd::kAppAbout, {"Display program information, version number and copyright", "About"}},
    {cmd::kRecentFile1, {"Open this document", ""}},
    {cmd::kRecentFile1 + 1, {"Open this document", ""}},
    {cmd::kRecentFile1 + 2, {"Open this document", ""}},
    {cmd::kRecentFile1 + 3, {"Open this document", ""}},
};

}  // namespace

CommandText TextOfCommand(int commandId) {
    for (const Entry& entry : kTexts) {
        if (entry.id == commandId) return entry.text;
    }
    return {"", ""};
}

}  // namespace tarvel
