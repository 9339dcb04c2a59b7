#include "document/FennoralDoc.h"
#include "song/Tempo.h"

#include <bitset>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>

namespace tarvel {

CFennoralDoc::CFennoralDoc(UiHooks& ui, MidiOutDriver& midiOut, DocOptions options)
    : ui_(ui), midiOut_(midiOut), signals_(ui), clock_(options.clockCalls) {
    {
        std::lock_guard lock(mutex);
        // Bytes that no reset writes (after each text's NUL, patch names 128..511) start as 0.
        std::memset(&song, 0, sizeof song);
        ports = MidiPortSet{};
        std::memset(&player, 0, sizeof player);
        ResetSong();
        InitEditorState(editor);
        player.editorWindowKnown = false;
        player.halfLinePending = 1;
    }
    songEditor.writeListener = &history;
    OpenMidiPorts();
    PrepareSongPrograms();
    {
        std::lock_guard lock(mutex);
        for (int device = 0; device < ports.deviceCount; ++device) engine.SendAllNotesOffTo(device);
        player.lineClock = player.playRow = player.playMode = 0;
        player.isPlaying = 0;
    }
    if (options.startTimer) StartClock();
    std::lock_guard lock(mutex);
    ResetTrackState();
}

CFennoralDoc::~CFennoralDoc() {
    CloseMidiPorts();
}

void CFennoralDoc::OpenMidiPorts() {
    const int count = midiOut_.DeviceCount();
    ports.deviceCount = count < 0 ? 0 : (count > kMaxMidiDevices ? kMaxMidiDevices : count);
    for (int device = 0; device < ports.deviceCount; ++device) {
        std::string whyNot;
        const bool opened = midiOut_.Open(device, whyNot);
        // Described once open, so that the back end can name the connection it made.
        MidiOutCaps& caps = ports.capabilities[device];
        caps = midiOut_.Describe(device);
        caps.productName[sizeof caps.productName - 1] = '\0';
        caps.details[sizeof caps.details - 1] = '\0';
        if (opened) {
            std::lock_guard lock(mutex);
            ports.handles[device] = &midiOut_;
        } else {
            // Which device, and the step that failed, after the classic words.
            ui_.ShowMessage({MessageIcon::Error, "MIDI Initialization",
                             "Error opening midi out device\n\n" + std::string(caps.productName) +
                                 ": " + whyNot + ".",
                             false});
        }
    }
}

void CFennoralDoc::CloseMidiPorts() {
    clock_.Stop();  // outside the lock: the last tick may be waiting for it
    bool open[kMaxMidiDevices] = {};
    {
        std::lock_guard lock(mutex);
        player.timerId = 0;
        StopPlayback();
        // No send reaches a device from here on, so each closes outside the lock: closing a
        // JACK client waits for its server.
        for (int device = 0; device < ports.deviceCount; ++device) {
            open[device] = ports.handles[device] != nullptr;
            ports.handles[device] = nullptr;
        }
    }
    for (int device = 0; device < kMaxMidiDevices; ++device)
        if (open[device]) midiOut_.Close(device);
}

void CFennoralDoc::ResetSong() {
    TARVEL_ASSERT_LOCKED(*this);
    engine.ReleaseAllNotes();
    MakeNewSong(song);
    engine.ResetNoteTracking();
    engine.ShowBpm();
}

void CFennoralDoc::NewSong() {
    // From the song as it is: a new song keeps the bytes that no reset writes.
    const auto next = std::make_unique<Song>();
    CopyInShortHolds(mutex, next.get(), &song, sizeof(Song));
    MakeNewSong(*next);
    ReplaceSong(*next, nullptr);
}

void CFennoralDoc::PrepareSongPrograms() {
    std::bitset<128> programs;
    {
        std::lock_guard lock(mutex);
        programs = ChannelPrograms(song);
    }
    for (const Pattern& pattern : song.patterns) {
        std::lock_guard lock(mutex);
        AddCellPrograms(pattern, programs);
    }
    midiOut_.PreparePrograms(programs);
}

void CFennoralDoc::ReplaceSong(const Song& next, const LoopRows* loop) {
    midiOut_.PreparePrograms(ProgramsInUse(next));  // loading starts while the song is copied
    {
        std::lock_guard lock(mutex);
        ReleaseAllNotes();  // what sounds now belongs to the song that goes
        player.songReplacing = 1;
    }
    CopyInShortHolds(mutex, &song, &next, sizeof(Song));
    {
        // A hold of its own, while the player still waits: the programs reach every device
        // before the new song's first note.
        std::lock_guard lock(mutex);
        SendAllPrograms();
    }
    {
        std::lock_guard lock(mutex);
        if (loop) {
            editor.loopStartRow = loop->start;
            editor.loopEndRow = loop->end;
        }
        // A loaded note table is taken as it is, its notes routed as their channels are.
        for (int channel = 0; channel < kTrackCount; ++channel)
            for (int column = 0; column < kTrackCount; ++column)
                player.soundingDevice[channel][column] = song.channelDevice[channel];
        player.songReplacing = 0;
        history.Clear();  // a new or loaded song starts a new history
        ShowBpm();
    }
    history.FreeClearedSteps();  // window thread, outside the lock
    RaiseUiSignal(kRefreshPanel | kRepaintView);
}

void CFennoralDoc::ShowInformation(const char* title, const std::string& text, bool ownedByFrame) {
    ui_.ShowMessage({MessageIcon::Information, title, text, ownedByFrame});
}

void CFennoralDoc::MidiResetControllers() {
    {
        std::lock_guard lock(mutex);
        SendControlToAllChannels(121);  // releases the notes first
    }
    ShowInformation("MIDI Message send",
                    "'All controller reset' message has been send to all devices and channels",
                    true);
}

void CFennoralDoc::MidiAllNotesOff() {
    {
        std::lock_guard lock(mutex);
        ReleaseAllNotes();
        SendControlToAllChannels(123);
    }
    ShowInformation("MIDI Message send",
                    "'All notes off message' has been send to all devices and channels", true);
}

void CFennoralDoc::ShowMidiOutInfo() {
    MidiOutCaps caps;
    bool open = false;
    int device;
    {
        std::lock_guard lock(mutex);
        device = song.channelDevice[editor.currentChannel & 0x0F];
        if (device < ports.deviceCount) caps = ports.capabilities[device];
        open = device < ports.deviceCount && ports.handles[device];
    }
    // What the back end says of itself now (a count that grows while playing), not at opening.
    if (open) std::memcpy(caps.details, midiOut_.Describe(device).details, sizeof caps.details);
    char head[256];
    std::snprintf(head, sizeof head,
                  "Name: %.32s \nVersion: %d \nManufacturer ID: %d \nProduct ID: %d \nVoices %d \n",
                  caps.productName, static_cast<int>(caps.driverVersion), caps.manufacturerId,
                  caps.productId, caps.voices);
    std::string text = head;
    text += "\nDevice supports:\n";
    if (caps.support & 0x4) text += "Patch caching\n";
    if (caps.support & 0x2) text += "Separate L & R volume controls\n";
    if (caps.support & 0x8) text += "Direct streaming\n";
    if (caps.support & 0x1) text += "Volume control";
    // What the back end says of itself (port, API, client), after a blank line.
    if (caps.details[0] != '\0') {
        if (text.back() != '\n') text += '\n';
        text += '\n';
        text += caps.details;
    }
    ShowInformation("MIDI Out driver info", text, true);
}

void CFennoralDoc::DispatchUiSignals() {
    const unsigned signals = signals_.Take();
    if (!signals) return;
    if (signals & kInputEdits) TakeInputEdits();
    if (signals & kLaunchesStarted) TakeLaunchStarts();
    int bpm;
    int program;
    TempoSource source;
    int peers;
    std::string lostInput;
    {
        std::lock_guard lock(mutex);
        bpm = BpmOfLineDuration(EffectiveLineDuration());
        // Following, the box shows the followed tempo (held when the source is lost).
        if (const double followed = engine.FollowedBpm(); followed > 0)
            bpm = static_cast<int>(std::lround(followed));
        program = song.channelProgram[editor.currentChannel & 0x0F];
        source = engine.tempoSource();
        peers = engine.LinkPeers();
        lostInput = lostInput_;
        lostInput_[0] = '\0';
    }
    if (!lostInput.empty())
        ui_.ShowMessage({MessageIcon::Error, "MIDI Input",
                         "The MIDI input \"" + lostInput +
                             "\" is gone. Its notes were stopped; pick it again in the Midi "
                             "menu once it is back.",
                         true});
    if (signals & kTempoSourceLost)
        ui_.ShowStatusText(std::string(TempoSourceName(source)) + " lost: holding " +
                           std::to_string(bpm) + " BPM");
    if (signals & kShowTempoSource) ShowTempoSource(source, peers);
    if (signals & kRefreshPanel) ui_.RefreshPanel();
    if (signals & kSelectProgram) ui_.SelectProgram(program);
    if (signals & kShowBpm) ui_.ShowBpmText(bpm);
    if (signals & kRepaintView) ui_.InvalidateView();
    if (signals & kClockStopped) ShowClockStopped();
}

}  // namespace tarvel
